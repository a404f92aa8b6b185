// Scripts a distributor got wrong: gaps in the lists, garbage, very long values and
// entries without a path. The run goes on where it should, reports in its failure
// words and never records an entry without identity.
#include "InstallFixture.h"

using namespace install_test;

namespace {

using BadInput = InstallTest;
using Strings = std::vector<std::string>;

// Deterministic noise: any byte but CR, LF and NUL, so it stays inside its line.
std::string Noise(std::size_t length, std::uint32_t seed)
{
    std::string text;
    while (text.size() < length) {
        seed = seed * 1103515245u + 12345u;
        const char c = static_cast<char>(seed >> 24);
        if (c != '\r' && c != '\n' && c != '\0') text += c;
    }
    return text;
}

} // namespace

TEST_F(BadInput, AGapEndsEveryOpenList)
{
    WriteScript(R"([MakeFolder]
Folder1=(App)\A
Folder3=(App)\C
[CopyFile]
File1=(App)\a.txt
File3=(App)\c.txt
[ShortCut]
Make1=(App)\a.txt
Name1=(Sta)\Gap\A
Make3=(App)\c.txt
Name3=(Sta)\Gap\C
[Registry]
Key1=(Cuser)\Software\QuillonTest\@PID@\x\Gap
Name1=A
Value1=(Str)a
Key3=(Cuser)\Software\QuillonTest\@PID@\x\Gap
Name3=C
Value3=(Str)c
[IniFile]
Data1=S,A,a,(App)\gap.ini
Data3=S,C,c,(App)\gap.ini
[DeleteRegistry]
Key1=(Cuser)\A
Key3=(Cuser)\C
[AddDeleteFile]
File1=(App)\*.a
File3=(App)\*.c
)");
    AddSource("a.txt", "a");
    AddSource("c.txt", "c");
    MakeInstallFolder();

    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    EXPECT_TRUE(Exists(inst + "A\\"));
    EXPECT_FALSE(Exists(inst + "C\\"));
    EXPECT_TRUE(Exists(inst + "a.txt"));
    EXPECT_FALSE(Exists(inst + "c.txt"));
    EXPECT_TRUE(Exists(state.ProgramsFolder + "Gap\\A.lnk"));
    EXPECT_FALSE(Exists(state.ProgramsFolder + "Gap\\C.lnk"));
    EXPECT_TRUE(ReadValue(HKEY_CURRENT_USER, UserKey("Gap"), "A").has_value());
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, UserKey("Gap"), "C").has_value());
    EXPECT_EQ(ReadFileBytes(inst + "gap.ini"), "[S]\r\nA=a\r\n");
    EXPECT_EQ(RecordLines("DeleteRegistry", "Key"), (Strings{"(Cuser)\\A"}));
    EXPECT_EQ(RecordLines("AddDeleteFile", "File"), (Strings{inst + "*.a"}));
    // The sizing counted one entry.
    EXPECT_NE(std::find(host.events.begin(), host.events.end(), "counter 1/1 100%"), host.events.end());
}

TEST_F(BadInput, GarbageAndVeryLongValuesEndInTheFailureWords)
{
    const std::string ext = Extension("long");
    const std::string longFolder = inst + std::string(10000, 'f') + "\\";
    const std::string longSource = std::string(10000, 's');
    const std::string longData(10000, 'd');
    const std::string longPattern = inst + std::string(10000, 'p');
    std::string script = Noise(3000, 1) + "\n=no key\nkey without value\n";
    script += "[MakeFolder]\nFolder1=(App)\\" + std::string(10000, 'f') + "\nFolder2=(App)\\Ok\n";
    script += "[CopyFile]\nFile1=(App)\\" + longSource + "\n" + Noise(500, 2) + "\nFile2=(App)\\ok.txt\n";
    script += "[ShortCut]\nMake1=(App)\\ok.txt\nName1=(Sta)\\" + std::string(10000, 'n') +
              "\nMake2=(App)\\ok.txt\nName2=(Sta)\\Ok\n";
    script += "[Registry]\nKey1=(Cuser)\\Software\\QuillonTest\\@PID@\\x\\Long\nName1=V\nValue1=(Str)" + longData + "\n";
    script += "[IniFile]\nData1=S,K," + longData + ",(App)\\long.ini\n";
    script += "[AddDeleteFile]\nFile1=(App)\\" + std::string(10000, 'p') + "\n";
    script += "[Relate]\nName1=" + ext + "," + std::string(10000, 'r') + "\nFile1=open,(App)\\ok.txt,,,0\n";
    script += "[\n[Broken\nlead byte at the end \x81\n" + Noise(2000, 3);
    WriteScript(script);
    AddSource("ok.txt", "ok");
    MakeInstallFolder();
    host.answers = {IDYES, IDYES}; // associate; show the details

    const RunResult result = Run();
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.failures, 2);
    EXPECT_EQ(state.FailureLog, "<Folder> " + longFolder + "\r\n" + ErrorText(ERROR_FILENAME_EXCED_RANGE) + "\r\n" +
                                    "<File> " + pkg + longSource + "\r\nコピー元のファイルが見つかりません。\r\n\r\n");
    EXPECT_NE(
        state.MessageLog.find("フォルダを作成しています．．．一部失敗\r\nファイルをコピーしています．．．一部失敗\r\n"),
        std::string::npos);
    EXPECT_TRUE(Exists(inst + "Ok\\"));
    EXPECT_EQ(ReadFileBytes(inst + "ok.txt"), "ok");
    EXPECT_EQ(RecordLines("DeleteShortCut", "File"), (Strings{state.ProgramsFolder + "Ok.lnk"}))
        << "the link that could not be made is not recorded";
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, UserKey("Long"), "V"), Sz(longData));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, ext + "_auto_file", ""), Sz(std::string(10000, 'r')));
    const std::string record = Record();
    EXPECT_NE(record.find("\r\n[AddDeleteFile]\r\nFile1=" + longPattern + "\r\n\r\n"), std::string::npos);
    EXPECT_NE(record.find("\r\n[DeleteFolder]\r\nFolder1=" + inst + "Ok\\\r\n\r\n"), std::string::npos);
}

TEST_F(BadInput, EntriesWithoutAPathAreNeverRecordedAndTheNumberingStaysWhole)
{
    // A relative folder lands in the current folder: make that a scratch one.
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(tmp.c_str()));
    WriteScript(R"([MakeFolder]
Folder1=,x
Folder2=(App)\Real
[CopyFile]
File1=,/S
File2=(App)\ok.txt
[DeleteRegistry]
Key1=,x
Key2=(Cuser)\Real
[AddDeleteFile]
File1=,y
File2=(App)\*.tmp
[Relate]
Name1=,没
File1=open,(App)\ok.txt,,,0
)");
    AddSource("ok.txt", "ok");
    MakeInstallFolder();
    const RunResult result = Run();
    SetCurrentDirectoryA(previous);

    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(RecordLines("DeleteFolder", "Folder"), (Strings{inst + "Real\\"}));
    EXPECT_EQ(RecordLines("DeleteFile", "File"), (Strings{inst + "ok.txt", inst + "UNSETUP.INI"}));
    EXPECT_EQ(RecordLines("DeleteRegistry", "Key"), (Strings{"(Cuser)\\Real"}));
    EXPECT_EQ(RecordLines("AddDeleteFile", "File"), (Strings{inst + "*.tmp"}));
    EXPECT_EQ(RecordLines("RestoreRelate", "Key"), Strings{});
    // The copy line without a path has no source: a failure, and nothing counted.
    EXPECT_EQ(state.FailureLog, "<File> " + pkg + "\r\nコピー元のファイルが見つかりません。\r\n\r\n");
    EXPECT_EQ(SharedCount(""), -1) << "no count for an empty name";
    // The association without an extension is not offered: it would name the key "."
    // that every extension's class hangs under.
    for (const auto& q : host.questions) EXPECT_NE(q.caption, "関連付けの確認");
}

TEST_F(BadInput, LongAndOddPathsInstallWholeOrFailWithTheirTextNeverElsewhere)
{
    // Trail bytes 0x5C (表, ソ, 能) and 0x7C (ポ), a blank; paths from 250 to beyond 400
    // characters, past what the ANSI calls take on Windows.
    const std::string level = "表ソ 能ポ長い名前のフォルダ";
    std::string script = "[MakeFolder]\n";
    std::vector<std::string> folders;
    for (std::string path; (inst + path).size() < 400;) {
        path += level + "\\";
        folders.push_back(path);
        script += "Folder" + std::to_string(folders.size()) + "=(App)\\" + path + "\n";
    }
    std::string deep;
    for (const std::string& f : folders) {
        if ((inst + f).size() >= 250) {
            deep = f;
            break;
        }
    }
    const std::string deepest = folders.back();
    script += "[CopyFile]\nFile1=(App)\\" + deep + "表ソ能ポ.TXT\nFile2=(App)\\" + deepest +
              "ポ 表.TXT\n"
              "File3=(App)\\" +
              deep +
              "能ポ.TX_|表ポ.TXT\n"
              "[ShortCut]\nMake1=(App)\\" +
              deep + "表ソ能ポ.TXT\nName1=(App)\\" + deepest + "リンク,(App)\\" + deep + "\n";
    WriteScript(script);
    AddSource("表ソ能ポ.TXT", "ソース一");
    AddSource("ポ 表.TXT", "ソース二");
    AddSource("能ポ.TX_", "ソース三 (not compressed: copied as it is)");
    MakeInstallFolder();
    ASSERT_EQ(Run().outcome, RunOutcome::Completed);

    struct Target {
        std::string path, bytes;
    };
    const Target targets[] = {{inst + deep + "表ソ能ポ.TXT", "ソース一"},
                              {inst + deepest + "ポ 表.TXT", "ソース二"},
                              {inst + deep + "表ポ.TXT", "ソース三 (not compressed: copied as it is)"}};
    for (const Target& t : targets) {
        SCOPED_TRACE(t.path);
        if (Exists(t.path)) {
            EXPECT_EQ(ReadFileBytes(t.path), t.bytes);
        } else {
            // Not there: then said so with the system's text, never silently.
            EXPECT_NE(state.FailureLog.find("<File> " + t.path + "\r\n"), std::string::npos) << state.FailureLog;
        }
    }
    // Nothing was written under a cut or otherwise different name.
    std::vector<std::string> files;
    ListFiles(scratch / "inst\\", files);
    for (const std::string& file : files) {
        const bool known = file == inst + "UNSETUP.INI" || file == inst + deepest + "リンク.lnk" ||
                           std::any_of(std::begin(targets), std::end(targets),
                                       [&](const Target& t) { return t.path == file; });
        EXPECT_TRUE(known) << file;
    }
}
