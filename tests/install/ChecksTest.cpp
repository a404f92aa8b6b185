// The checks before anything is written (free space, the installation folder) and the
// user's abort at each point where the run looks for it.
#include "InstallFixture.h"

using namespace install_test;

namespace {

// A file of the given size that takes no room on the disk.
bool MakeSparseFile(const std::string& path, std::int64_t size)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER end;
    end.QuadPart = size;
    const bool ok = SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    return ok;
}

// A drive letter the prefix does not have.
std::string MissingDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'J'; letter <= 'Y'; ++letter)
        if (!(drives & (1u << (letter - 'A')))) return std::string(1, letter) + ":";
    return {};
}

constexpr std::int64_t kTiB = std::int64_t{1} << 40;

using Checks = InstallTest;

} // namespace

TEST_F(Checks, FreeSpaceThatCannotBeReadAsksWithTheWholeTotalInBytes)
{
    const std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    // Over 4 GB: the total must not wrap. The empty file counts as one byte.
    ASSERT_TRUE(MakeSparseFile(pkg + "huge.dat", kTiB));
    AddSource("empty.txt", "");
    WriteScript("[CopyFile]\nFile1=(App)\\huge.dat\nFile2=(App)\\empty.txt\n");
    const std::string question = "ディスクの空き容量取得関数が失敗しました。\r\n"
                                 "インストールに必要なディスク容量は 1099511627777Byteです。\r\n"
                                 "空き容量があるようであれば、インストールを続行してください。\r\n\r\n"
                                 "インストールを続行しますか？";
    const std::string stop = "インストールを続行できませんでした。";

    struct Row {
        int answer;
        RunOutcome outcome;
        std::vector<std::pair<std::string, std::string>> questions; // text, caption after the first
        std::string logEnd;
    };
    const std::string folder = drive + "\\Vendor\\App\\";
    const Row rows[] = {
        {IDNO, RunOutcome::Refused, {{stop, "インストール中止"}}, "ディスクの空き容量をチェックしています．．．"},
        // Going on reaches the folder check, whose folder cannot be made on no drive.
        {IDYES,
         RunOutcome::Failed,
         {{folder + "\r\n\r\nこのフォルダは存在しません。作成してもよろしいですか？", "フォルダ作成"},
          {"インストールフォルダの作成に失敗しました。\r\n\r\nプログラム作者へご報告ください。", "致命的エラー"},
          {stop, "インストール中止"}},
         "ディスクの空き容量をチェックしています．．．関数失敗\r\nインストールフォルダをチェックしています．．．"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        host = ScriptedHost{};
        host.options.folder = drive + "\\Vendor\\App";
        host.answers = {row.answer, IDYES};
        state.MessageLog.clear();
        EXPECT_EQ(Run().outcome, row.outcome);
        ASSERT_EQ(host.questions.size(), row.questions.size() + 1);
        EXPECT_EQ(host.questions[0].text, question);
        EXPECT_EQ(host.questions[0].caption, "空き容量チェックエラー");
        EXPECT_EQ(host.questions[0].flags, 36u);
        for (std::size_t i = 0; i < row.questions.size(); ++i) {
            EXPECT_EQ(host.questions[i + 1].text, row.questions[i].first);
            EXPECT_EQ(host.questions[i + 1].caption, row.questions[i].second);
        }
        EXPECT_EQ(host.questions.back().flags, 16u);
        const std::string& log = state.MessageLog;
        EXPECT_EQ(log.substr(log.size() - std::min(log.size(), row.logEnd.size())), row.logEnd);
        ASSERT_FALSE(host.events.empty());
        EXPECT_EQ(host.events.back(), "end") << "the stop ends the wizard";
    }
}

TEST_F(Checks, TooLittleFreeSpaceAsksAndNoStopsBeforeAnythingIsMade)
{
    ULARGE_INTEGER free{}, total{}, totalFree{};
    ASSERT_TRUE(GetDiskFreeSpaceExA(scratch.path().c_str(), &free, &total, &totalFree));
    const std::int64_t size = static_cast<std::int64_t>(free.QuadPart) + kTiB;
    ASSERT_TRUE(MakeSparseFile(pkg + "huge.dat", size)) << "the file system takes no sparse file of " << size;
    WriteScript("[MakeFolder]\nFolder1=(App)\\Data\n[CopyFile]\nFile1=(App)\\huge.dat\n");
    state.SetupWord = "導入";
    host.answers = {IDNO};

    EXPECT_EQ(Run().outcome, RunOutcome::Refused);
    ASSERT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(host.questions[0].text,
              "ディスクの空き容量が不足しているため、エラーになる可能性があります。\r\nこのまま導入を続行しますか？");
    EXPECT_EQ(host.questions[0].caption, "空き容量チェックエラー");
    EXPECT_EQ(host.questions[0].flags, 36u);
    EXPECT_EQ(host.questions[1].text, "導入を続行できませんでした。");
    EXPECT_EQ(host.questions[1].caption, "導入中止");
    EXPECT_EQ(host.questions[1].flags, 16u);
    EXPECT_EQ(state.MessageLog, "導入の情報を作成しています．．．完了\r\n"
                                "導入に必要な容量を調べています．．．完了\r\n"
                                "ディスクの空き容量をチェックしています．．．");
    EXPECT_FALSE(Exists(scratch / "inst"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(title)));
}

TEST_F(Checks, TheInstallationFolderIsConfirmedAndCreated)
{
    WriteScript("[CopyFile]\nFile1=(App)\\a.txt\n");
    AddSource("a.txt", "a");
    const std::string create = inst + "\r\n\r\nこのフォルダは存在しません。作成してもよろしいですか？";
    const std::string stop = "インストールを続行できませんでした。";
    struct Row {
        const char* name;
        bool fileInTheWay; // a file where a level of the folder should go
        int answer;
        RunOutcome outcome;
        std::vector<std::pair<std::string, std::string>> questions;
    };
    const Row rows[] = {
        {"No", false, IDNO, RunOutcome::Refused, {{create, "フォルダ作成"}, {stop, "インストール中止"}}},
        {"Yes", false, IDYES, RunOutcome::Completed, {{create, "フォルダ作成"}}},
        {"creation fails",
         true,
         IDYES,
         RunOutcome::Failed,
         {{create, "フォルダ作成"},
          {"インストールフォルダの作成に失敗しました。\r\n\r\nプログラム作者へご報告ください。", "致命的エラー"},
          {stop, "インストール中止"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RemoveTree(scratch / "inst");
        DeleteFileA((scratch / "inst").c_str());
        if (row.fileInTheWay) {
            ASSERT_TRUE(WriteFileBytes(scratch / "inst", "a file"));
        }
        host = ScriptedHost{};
        host.options.folder = RemoveBackslash(inst, "B");
        host.answers = {row.answer};
        EXPECT_EQ(Run().outcome, row.outcome);
        ASSERT_EQ(host.questions.size(), row.questions.size());
        for (std::size_t i = 0; i < row.questions.size(); ++i) {
            EXPECT_EQ(host.questions[i].text, row.questions[i].first);
            EXPECT_EQ(host.questions[i].caption, row.questions[i].second);
            EXPECT_EQ(host.questions[i].flags, i == 0 ? 36u : 16u);
        }
        if (row.fileInTheWay) {
            EXPECT_EQ(state.StepResult, "作成失敗");
        }
        const bool completed = row.outcome == RunOutcome::Completed;
        EXPECT_EQ(Exists(inst), completed);
        EXPECT_EQ(Exists(inst + "a.txt"), completed);
        EXPECT_EQ(Exists(inst + "UNSETUP.INI"), completed);
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(title)), completed);
        DeleteRegistryKey("(Local)", UninstallKeyPath(title));
    }

    // A folder that is there already is not asked about.
    host = ScriptedHost{};
    host.options.folder = RemoveBackslash(inst, "B");
    RemoveTree(scratch / "inst");
    DeleteFileA((scratch / "inst").c_str());
    MakeInstallFolder();
    EXPECT_EQ(Run().outcome, RunOutcome::Completed);
    EXPECT_TRUE(host.questions.empty());
}

namespace {

const char* const kAbortScript = R"([MakeFolder]
Folder1=(App)\A
Folder2=(App)\B
[CopyFile]
File1=(App)\one.txt
File2=(App)\two.txt
[ShortCut]
Make1=(App)\one.txt
Name1=(Sta)\Abort\One
[Registry]
Key1=(Cuser)\Software\QuillonTest\@PID@\x\Abort
Name1=V
Value1=(Str)x
[IniFile]
Data1=S,K,V,(App)\set.ini
[Relate]
Name1=@EXT@
File1=open,(App)\one.txt,,,0
)";

// An abort confirmed at the first check of each stage (the line open there), and the
// run's effects already in place then. The closing steps check once more where no line
// is open: an abort confirmed after the last stage's check still stops the run there.
struct AbortPoint {
    const char* line;
    int effectsDone;
};
const AbortPoint kAbortPoints[] = {
    {"インストールに必要な容量を調べています．．．", 0},
    {"インストールフォルダをチェックしています．．．", 0},
    {"フォルダを作成しています．．．", 0},
    {"ファイルをコピーしています．．．", 2},
    {"ショートカットを作成しています．．．", 4},
    {"レジストリキーを作成しています．．．", 5},
    {"INIファイルを設定しています．．．", 6},
    {"関連付けを設定しています．．．", 7},
    {"", 8},
};

class AbortPoints : public InstallTest, public ::testing::WithParamInterface<AbortPoint> {};

} // namespace

TEST_P(AbortPoints, TheRunStopsAtOnceLeavingWhatItDidAndRecordingNothing)
{
    const AbortPoint point = GetParam();
    const std::string ext = Extension("abort");
    WriteScript(ReplaceToken(kAbortScript, "@EXT@", ext));
    AddSource("one.txt", "1");
    AddSource("two.txt", "2");
    MakeInstallFolder();
    host.abortWhen = [&](const std::string& line) { return line == point.line; };

    const RunResult result = Run();
    EXPECT_EQ(result.outcome, RunOutcome::Cancelled);
    ASSERT_FALSE(host.abortChecks.empty());
    EXPECT_EQ(host.abortChecks.back(), point.line) << "no check after the one that stopped the run";
    const std::string& log = state.MessageLog;
    EXPECT_EQ(log.substr(log.size() - std::string(point.line).size()), point.line) << "the stage line stays open";

    const bool effects[] = {
        Exists(inst + "A\\"),
        Exists(inst + "B\\"),
        Exists(inst + "one.txt"),
        Exists(inst + "two.txt"),
        Exists(state.ProgramsFolder + "Abort\\One.lnk"),
        ReadValue(HKEY_CURRENT_USER, UserKey("Abort"), "V").has_value(),
        Exists(inst + "set.ini"),
        KeyExists(HKEY_CLASSES_ROOT, "." + ext),
    };
    for (int i = 0; i < 8; ++i) EXPECT_EQ(effects[i], i < point.effectsDone) << "effect " << i;

    EXPECT_FALSE(Exists(inst + "UNSETUP.INI"));
    EXPECT_FALSE(Exists(win + "UNQUILLN.EXE"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(title)));
    // Only the last check comes after the association's question.
    EXPECT_EQ(host.questions.size(), point.effectsDone == 8 ? 1u : 0u);
    for (const std::string& e : host.events) {
        EXPECT_NE(e, "next");
        EXPECT_NE(e, "completion");
    }
}

INSTANTIATE_TEST_SUITE_P(EachStage, AbortPoints, ::testing::ValuesIn(kAbortPoints));

TEST_F(Checks, WithoutAnAbortTheSameRunCompletes)
{
    const std::string ext = Extension("abort");
    WriteScript(ReplaceToken(kAbortScript, "@EXT@", ext));
    AddSource("one.txt", "1");
    AddSource("two.txt", "2");
    MakeInstallFolder();
    EXPECT_EQ(Run().outcome, RunOutcome::Completed);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "." + ext));
    EXPECT_TRUE(Exists(inst + "UNSETUP.INI"));
}
