#include "KitTestSupport.h"
#include "RandomPackage.h"

#include "foundation/uStrOp.h"
#include "kit/KitFiles.h"
#include "qcheck/Package.h"
#include "qcheck/Script.h"
#include "qpack/Szdd.h"
#include "scripts/ScriptActions.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string QPack(const std::string& args)
{
    return std::string(QS_QPACK) + " " + args;
}

// What msexpand, an independent reader, makes of an SZDD file.
std::string Msexpand(const std::string& path)
{
    return Shell("msexpand < " + Quoted(path) + " 2>/dev/null").out;
}

// A one-folder package of the files (named in CP932) and the script.
void WritePackage(const std::string& folder, const std::vector<RandomFile>& files)
{
    Shell("mkdir -p " + Quoted(folder));
    WriteAll(folder + "/SETUP.EXE", "MZ");
    WriteAll(folder + "/SETUP.INI", ScriptFor(files));
    for (const RandomFile& f : files) WriteAll(folder + "/" + NativeName(f.name), f.bytes);
}

// The installed name each [CopyFile] entry of a packed script gives, with the bytes its
// source expands to, in entry order: by msexpand up to 16 KB (it reads and writes a
// byte per system call, 5 s a megabyte), by our own reader above (the Wine tests expand
// every file with the system's LZ functions, as the installer does).
std::vector<RandomFile> Unpacked(const std::string& folder)
{
    ScriptFile script;
    std::vector<Finding> ignored;
    EXPECT_TRUE(script.Load(folder + "/SETUP.INI", "SETUP.INI", ignored));
    std::vector<RandomFile> out;
    for (const std::string& raw : script.List("CopyFile", "File")) {
        const CopyEntry e = ParseCopyEntry(ReferenceMachine(), raw);
        const std::string source = folder + "/" + NativeName(PathFileName(e.source));
        std::string name = PathFileName(e.target);
        if (name == "AUTO.EXT") name = ExpandedName(PathFileName(e.source), *SzddStoredCharacter(source));
        const std::string packed = ReadAll(source);
        const std::optional<std::string> ours = ExpandSzdd(packed);
        out.push_back({name, !e.compressed                   ? packed
                             : ours && ours->size() <= 16384 ? Msexpand(source)
                                                             : ours.value_or("")});
    }
    return out;
}

} // namespace

// Compressed data expands to itself by msexpand and by our own reader, and what
// mscompress writes expands by ours: edges of the window, the preset blanks, no gain.
TEST(Szdd, RoundTripsWithTheMsTools)
{
    std::mt19937 rng(7);
    std::string noise(65536, '\0'), period(3 * 4096, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    for (std::size_t i = 0; i < period.size(); ++i) period[i] = static_cast<char>(rng() % 7 + i % 4097 / 1000);
    const struct {
        const char* name;
        std::string data;
    } rows[] = {{"empty", ""},
                {"one byte", "x"},
                {"blanks first", std::string(40, ' ') + "abc   abc"},
                {"one byte repeated", std::string(100000, 'a')},
                {"noise", noise},
                {"near the window's size", period},
                {"text", std::string(3000, 'x') + "インストール\r\n" + std::string(5000, ' ') + "setup"}};
    TempFolder t;
    for (const auto& row : rows) {
        const std::string packed = CompressSzdd(row.data, 'T');
        WriteAll(t / "x.tx_", packed);
        EXPECT_EQ(Msexpand(t / "x.tx_"), row.data) << row.name;
        EXPECT_EQ(ExpandSzdd(packed), row.data) << row.name;
        // mscompress (0.4) writes files of fewer than 17 bytes wrongly: msexpand reads
        // them as something else too.
        if (row.data.size() < 17) continue;
        WriteAll(t / "m.txt", row.data);
        Shell("cd " + Quoted(t.path()) + " && rm -f m.txt_ && mscompress m.txt");
        EXPECT_EQ(ExpandSzdd(ReadAll(t / "m.txt_")), row.data) << row.name;
    }
    EXPECT_EQ(CompressSzdd("a", 'T').substr(0, 10), "SZDD\x88\xF0\x27\x33"
                                                    "AT");
}

// The demo package packed: every source compressed, each expanding to its original,
// names restored from the header where the installer can, a "|" name kept, the
// readme also as it is for the wizard, and the checker finds nothing.
TEST(QPack, DemoPackageRoundTrip)
{
    TempFolder t;
    MakeDemoPackage(t / "demo", true);
    const Output o = Shell(QPack("--compress always " + Quoted(t / "demo") + " " + Quoted(t / "out")));
    EXPECT_EQ(o.exit, 0) << o.out;
    ScriptFile script;
    std::vector<Finding> ignored;
    ASSERT_TRUE(script.Load(t / "out/SETUP.INI", "SETUP.INI", ignored));
    EXPECT_EQ(script.List("CopyFile", "File"),
              (std::vector<std::string>{"(App)\\README.TX_", "(App)\\文書\\表示テスト.TX_", "(App)\\データ\\SAMPLE.DA_",
                                        "(App)\\HELP.TX_|ヘルプ.TXT", "(App)\\QDEMO.DL_,/S/R",
                                        "(Dch)(App)\\データ\\DISK2.TX_"}));
    const std::string demo = std::string(QS_ROOT) + "/examples/demo/";
    for (const char* name : {"README.TXT", "表示テスト.TXT", "DISK2.TXT"}) {
        const std::string packed = t / "out/" +
                                   NativeName(std::string(name).substr(0, std::string(name).size() - 1) + "_");
        EXPECT_EQ(Msexpand(packed), ReadAll(demo + NativeName(name))) << name;
        EXPECT_EQ(*SzddStoredCharacter(packed), 'T') << name;
    }
    EXPECT_EQ(ReadAll(t / "out/README.TXT"), ReadAll(demo + "README.TXT"));
    EXPECT_EQ(Msexpand(t / "out/SAMPLE.DA_"), ReadAll(demo + "SAMPLE.DAT"));
}

// 1,000 random files packed: each entry installs its file under its own name with its
// own bytes (msexpand), and the package is clean.
TEST(QPack, ThousandRandomFilesRoundTrip)
{
    TempFolder t;
    const std::vector<RandomFile> files = RandomFiles(1000, 1000);
    WritePackage(t / "in", files);
    const Output o = Shell(QPack("--compress always " + Quoted(t / "in") + " " + Quoted(t / "out")));
    EXPECT_EQ(o.exit, 0) << o.out;
    const std::vector<RandomFile> out = Unpacked(t / "out");
    ASSERT_EQ(out.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(out[i].name, files[i].name) << i;
        EXPECT_TRUE(out[i].bytes == files[i].bytes) << files[i].name << " " << files[i].bytes.size() << " bytes";
    }
}

// Disks no larger than asked, in the order the entries use them, the layout clean;
// a file larger than a disk, or a package with errors, is refused.
TEST(QPack, DiskLayout)
{
    TempFolder t;
    std::vector<RandomFile> files = RandomFiles(2, 60);
    WritePackage(t / "in", files);
    const Output o = Shell(QPack("--compress never --disks 1.5M " + Quoted(t / "in") + " " + Quoted(t / "out")));
    EXPECT_EQ(o.exit, 0) << o.out;
    const std::optional<Package> p = OpenPackage(t / "out");
    ASSERT_TRUE(p && p->layout);
    EXPECT_GT(p->disks.size(), 2u);
    for (const Disk& d : p->disks) {
        std::uint64_t bytes = 0;
        for (const FolderEntry& f : d.files) bytes += f.size;
        EXPECT_LE(bytes, 1572864u) << d.folder;
    }
    const std::string script = ReadAll(t / "out/DISK1/SETUP.INI");
    std::size_t marks = 0;
    for (std::size_t at = script.find("=(Dch)"); at != std::string::npos; at = script.find("=(Dch)", at + 1)) ++marks;
    EXPECT_EQ(marks, p->disks.size() - 1);

    EXPECT_EQ(Shell(QPack("--disks 100K " + Quoted(t / "in") + " " + Quoted(t / "small") + " 2>&1")).exit, 3);
    WriteAll(t / "in/SETUP.INI", ScriptFor(files) + "File61=(App)\\NONE.TXT\r\n");
    const Output refused = Shell(QPack(Quoted(t / "in") + " " + Quoted(t / "refused") + " 2>/dev/null"));
    EXPECT_EQ(refused.exit, 3);
    EXPECT_NE(refused.out.find("error Q30: source NONE.TXT"), std::string::npos) << refused.out;
    // Hidden from the check by the script itself, it still stops qpack.
    WriteAll(t / "in/SETUP.INI", ScriptFor(files) + "File61=(App)\\NONE.TXT\r\n[QCheck]\r\nDisable=Q30\r\n");
    EXPECT_EQ(Shell(QPack(Quoted(t / "in") + " " + Quoted(t / "hidden") + " 2>/dev/null")).exit, 3);
}
