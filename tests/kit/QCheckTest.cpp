#include "KitTestSupport.h"

#include "qcheck/Checker.h"

#include <gtest/gtest.h>

#include <set>

using namespace std::string_literals;

namespace {

std::string QCheck(const std::string& args)
{
    return std::string(QS_QCHECK) + " " + args;
}

// "LINE:Q<number>" for each finding, in report order.
std::string Codes(const CheckResult& r)
{
    std::string codes;
    for (const Finding& f : r.findings) {
        if (!codes.empty()) codes += ' ';
        codes.append(std::to_string(f.line)).append(":Q").append(std::to_string(f.code));
    }
    return codes;
}

CheckResult Check(const std::string& folder)
{
    return CheckPackage({folder, "", ReferenceMachine(), {}});
}

// A one-folder package: SETUP.EXE, the script's bytes and the named files.
void MakePackage(const std::string& folder, const std::string& script, const std::vector<std::string>& files = {})
{
    Shell("mkdir -p " + Quoted(folder));
    WriteAll(folder + "/SETUP.EXE", "MZ");
    WriteAll(folder + "/SETUP.INI", script);
    for (const std::string& f : files) WriteAll(folder + "/" + f, f);
}

const std::string kEntry = "[Title]\r\nUnSetupKey=Check\r\n[Support]\r\nDisplayVersion=1.0\r\n";

} // namespace

// The report on a package with one instance of each warning the checker gives for a
// script and a record, against the lines expected (written by hand), in both languages.
TEST(QCheck, ReportsEveryWarningOfTheTestPackage)
{
    TempFolder t;
    CopyTestPackage("all-warnings", t / "package", {"NOCHAR.TXT"});
    ASSERT_EQ(Shell("mv " + Quoted(t / "package/UNSETUP.INI") + " " + Quoted(t.path())).exit, 0);
    for (const char* language : {"en", "ja"}) {
        const Output o = Shell(QCheck("--lang " + std::string(language) + " --encoding utf-8 --record " +
                                      Quoted(t / "UNSETUP.INI") + " " + Quoted(t / "package")));
        EXPECT_EQ(o.exit, 2) << language;
        EXPECT_EQ(o.out, ReadAll(std::string(QS_ROOT) + "/tests/kit/golden/all-warnings." + language + ".txt"))
            << language;
    }
    // Every number is in it but those that exclude one another (tested below).
    std::set<int> reported, expected;
    for (const Finding& f : CheckPackage({t / "package", t / "UNSETUP.INI", ReferenceMachine(), {}}).findings)
        reported.insert(f.code);
    for (const MessageDef& m : AllMessages())
        if (!std::set<int>{1, 2, 3, 50, 51}.count(m.code)) expected.insert(m.code);
    EXPECT_EQ(reported, expected);
}

// What a script's bytes and lines are to the reader, and what excludes other warnings.
TEST(QCheck, ScriptsByTheirBytes)
{
    const std::string bom16 = "\xFF\xFE[\0T\0i\0t\0l\0e\0]\0\r\0\n\0"s;
    const struct {
        const char* name;
        std::string script;
        std::string codes;
    } rows[] = {
        {"UTF-16: nothing more is read", bom16, "1:Q1"},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF[Title]\r\nSetup=x\r\n", "1:Q2"},
        // UTF-8 text is one mistake, not a lone lead byte besides.
        {"UTF-8 text", kEntry + "[Extend]\r\nSetupString=\xE3\x83\x87\xE3\x83\xA2\r\n", "6:Q3"},
        {"lead byte at a line end keeps the lines", kEntry + "[Extend]\r\nSetupString=a\x81\r\nX=1\r\n", "6:Q4 7:Q11"},
        {"lines ended by LF", "[Title]\nUnSetupKey=Check\n[Support]\nDisplayVersion=1.0\nX=1\n", "5:Q11"},
        {"lines ended by CR", "[Title]\rUnSetupKey=Check\r[Support]\rDisplayVersion=1.0\rX=1\r", "5:Q11"},
        {"UnSetupKey empty", "[Title]\r\nUnSetupKey=\r\n[Support]\r\nDisplayVersion=1\r\n", "2:Q50"},
        {"UnSetupKey missing", "[Title]\r\nSetup=Check\r\n[Support]\r\nDisplayVersion=1\r\n", "1:Q51"},
        {"Setup Only. makes no entry", "[Title]\r\nUnSetup=Check Setup Only.\r\n", ""},
        {"(Cuser) and registry roots of other tools",
         kEntry + "[Registry]\r\nKey1=(Cuser)\\Software\\A\r\nKey2=HKEY_LOCAL_MACHINE\\Software\\A\r\n", "7:Q20"},
        {"[QCheck] Disable", "[Title]\r\nUnSetupKey=Check\r\n[QCheck]\r\nDisable=Q54, 31\r\n", ""},
    };
    for (const auto& row : rows) {
        TempFolder t;
        MakePackage(t.path(), row.script);
        EXPECT_EQ(Codes(Check(t.path())), row.codes) << row.name;
    }
}

// Sources are looked for on the disk the installer asks for at that entry.
TEST(QCheck, SourcesByDisk)
{
    TempFolder t;
    MakePackage(t / "DISK1", kEntry + "[CopyFile]\r\nFile1=(App)\\A.TXT\r\nFile2=(Dch)(App)\\B.TXT\r\n");
    MakePackage(t / "DISK2", "", {"A.TXT"});
    std::remove((t / "DISK2/SETUP.INI").c_str());
    std::remove((t / "DISK2/SETUP.EXE").c_str());
    const CheckResult r = Check(t.path());
    EXPECT_EQ(Codes(r), "5:Q31 6:Q30 7:Q30");
    EXPECT_EQ(r.findings[0].args, std::vector<std::string>{"DISK2\\A.TXT"});
    EXPECT_EQ(FormatFinding(r.findings[1], Language::English),
              "SETUP.INI(6): error Q30: source A.TXT is not on disk 1 (it is on disk 2)");
    // The same files in one folder hold every disk.
    Shell("mv " + Quoted(t / "DISK2/A.TXT") + " " + Quoted(t / "DISK1"));
    WriteAll(t / "DISK1/B.TXT", "b");
    EXPECT_EQ(Codes(Check(t / "DISK1")), "");
}

// The demo package as shipped on two disks is clean: nothing printed, exit code 0.
TEST(QCheck, DemoPackageIsClean)
{
    TempFolder t;
    MakeDemoPackage(t / "demo", false);
    const Output o = Shell(QCheck(Quoted(t / "demo")));
    EXPECT_EQ(o.exit, 0);
    EXPECT_EQ(o.out, "");
}

// Exit codes for pipelines, the switches, and JSON.
TEST(QCheck, CommandLine)
{
    TempFolder t;
    MakePackage(t / "warn", "[Title]\r\nUnSetupKey=Check\r\n"); // Q54 only
    MakePackage(t / "error", kEntry + "[CopyFile]\r\nFile1=(App)\\NONE.TXT\r\n");
    const std::string warn = Quoted(t / "warn"), error = Quoted(t / "error");
    const struct {
        std::string args;
        int exit;
    } rows[] = {
        {warn, 1},  {"--werror " + warn, 2}, {"--disable Q54 " + warn, 0}, {"--disable 54,30 " + error, 0},
        {error, 2}, {Quoted(t.path()), 3},   {"--lang de " + warn, 3},     {"--json", 3},
    };
    for (const auto& row : rows) EXPECT_EQ(Shell(QCheck(row.args) + " 2>/dev/null").exit, row.exit) << row.args;
    EXPECT_EQ(Shell(QCheck("--json --lang en " + warn)).out,
              "{\"findings\":[\n{\"file\":\"SETUP.INI\",\"line\":1,\"severity\":\"warning\",\"code\":\"Q54\",\"text\":"
              "\"no [Support] DisplayVersion: the list of installed programs shows no version\"}\n],\"errors\":0,"
              "\"warnings\":1}\n");
}
