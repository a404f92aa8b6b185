// The unattended host with the progress window of /SILENT: it puts item details into the
// window only every so often, but the window never stays behind at a stage line, a
// finished count or the end of the run, and the log gets every line.
#include "ui/UnattendedHost.h"

#include "TestSupport.h"
#include "ui/Controls.h"
#include "ui/Status.h"

#include <gtest/gtest.h>

#include <string>

namespace {

BOOL CALLBACK NoteProgressWindow(HWND w, LPARAM found)
{
    char name[32] = {};
    GetClassNameA(w, name, sizeof name);
    if (lstrcmpA(name, TfrmStatus::kClassName) == 0) *reinterpret_cast<HWND*>(found) = w;
    return TRUE;
}

class UnattendedHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(log_.Open(dir_ / "run.log"));
        ASSERT_TRUE(host_.CreateProgressWindow());
        // This thread's window: a SETUP.EXE of the GUI tests may show one at the same time.
        EnumThreadWindows(GetCurrentThreadId(), NoteProgressWindow, reinterpret_cast<LPARAM>(&status_));
        ASSERT_NE(status_, nullptr);
        host_.BeginRun(0);
    }

    std::string Shown(TfrmStatus::ControlId id) const { return GetText(FindControl(status_, id)); }

    ScratchFolder dir_;
    AppState state_;
    LogFile log_;
    UnattendedHost host_{state_, HostSettings{true, true, false, &log_, {}}};
    HWND status_ = nullptr;
};

} // namespace

TEST_F(UnattendedHostTest, ANewStageLineShowsAtOnceWhateverCameBefore)
{
    std::string log = "ファイルをコピーしています．．．";
    host_.ShowProgress(log, "");
    EXPECT_EQ(Shown(TfrmStatus::kLblMessage), log);
    for (int i = 1; i <= 2000; ++i) host_.ShowProgress(log, "【コピー元】表" + std::to_string(i) + ".txt");
    log += "完了\r\nショートカットを作成しています．．．";
    host_.ShowProgress(log, "");
    EXPECT_EQ(Shown(TfrmStatus::kLblMessage), log) << "not the detail of an earlier item";
}

TEST_F(UnattendedHostTest, TheLastCountAndTheEndOfTheRunAreAlwaysShown)
{
    for (int done = 1; done <= 3000; ++done) host_.ShowCounter(done, 3000, done * 100 / 3000);
    EXPECT_EQ(Shown(TfrmStatus::kLblStatus), "(3000/3000)");

    for (int done = 1; done <= 500; ++done) host_.ShowCounter(done, 3000, 1);
    host_.ShowProgress("ログ", "最後の項目");
    host_.EndRun();
    EXPECT_EQ(Shown(TfrmStatus::kLblStatus), "(500/3000)");
    EXPECT_EQ(Shown(TfrmStatus::kLblMessage), "ログ\r\n最後の項目");
}

TEST_F(UnattendedHostTest, EveryDetailReachesTheLogThoughTheWindowSkipsSome)
{
    const std::string log = "ファイルをコピーしています．．．";
    for (int i = 1; i <= 500; ++i) host_.ShowProgress(log, "項目" + std::to_string(i));
    log_.Close();
    const std::string text = ReadFileBytes(dir_ / "run.log");
    std::size_t at = 0;
    for (int i = 1; i <= 500; ++i) {
        at = text.find("  項目" + std::to_string(i) + "\r\n", at);
        ASSERT_NE(at, std::string::npos) << "detail " << i << " is missing or out of order";
    }
}
