// Times the record work of an installation at scale: reading a script's copy list,
// loading an earlier record and composing and saving the new one. Prints one line per
// size; then what each file of an uninstallation costs beyond the loop's DeleteFileA.
// Run it through scripts/wine-run.sh (see README).
#include "foundation/uIniFile.h"
#include "scripts/ScriptLists.h"
#include "scripts/InstalledEntry.h"
#include "scripts/UninstallRecord.h"
#include "foundation/FilePrim.h"
#include "services/FileOps.h"
#include "services/Registry.h"
#include "services/RunLog.h"
#include "services/SharedComponents.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

class SilentHost : public Host {
public:
    int Ask(const std::string&, const std::string&, unsigned, int unattended) override { return unattended; }
    void ShowProgress(const std::string&, const std::string&) override {}
    void Log(const std::string&) override {}
    void ProcessMessages() override {}
    HWND OwnerWindow() const override { return nullptr; }
    void BeginRun(int) override {}
    void Pause(int) override {}
    void ShowCounter(int, int, int) override {}
    void SetCounterVisible(bool) override {}
    void SetAbortEnabled(bool) override {}
    bool AbortRequested() const override { return false; }
    WizardOptions Options() const override { return {}; }
    void ShowFailureDetails(const std::string&, const std::string&) override {}
    void WaitForNext() override {}
    int ShowCompletionPage(const CompletionPage&) override { return 1; }
    std::string AskDeletion(const std::string&) override { return "No"; }
    bool RestartWindows() override { return false; }
    bool MayStartProgramAfterRun() const override { return false; }
    void EndRun() override {}
};

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(f.QuadPart);
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

bool WriteText(const std::string& path, const std::string& text)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
    return written == text.size();
}

// Entry i of a package: every tenth path repeats an earlier one in another letter case,
// every seventh is shared.
std::string Entry(const std::string& folder, int i)
{
    const bool repeat = i % 10 == 9;
    std::string path = folder + "表\\dir" + std::to_string((repeat ? i - 5 : i) / 100) + "\\file" +
                       std::to_string(repeat ? i - 5 : i) + (repeat ? ".DLL" : ".dll");
    if (i % 7 == 0) path += ",/S";
    return path;
}

void Run(const std::string& base, int n)
{
    const std::string folder = base + "n" + std::to_string(n) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "work").c_str(), nullptr);

    std::string script = "[CopyFile]\r\n";
    for (int i = 1; i <= n; ++i) script += "File" + std::to_string(i) + "=(App)\\" + Entry("", i) + "\r\n";
    WriteText(folder + "SETUP.INI", script);
    std::string earlier = "[DeleteFile]\r\n";
    for (int i = 1; i <= n; ++i)
        earlier += "File" + std::to_string(i) + "=" + Entry(folder, i * 2 + 1) + "\r\n";
    WriteText(folder + "UNSETUP.INI", earlier);

    const LARGE_INTEGER t0 = Now();
    const std::vector<std::string> copyList = ReadOpenList(folder + "SETUP.INI", "CopyFile", "File");
    const LARGE_INTEGER t1 = Now();
    RecordLists lists;
    LoadPreviousRecord(lists, folder, folder + "work\\");
    const LARGE_INTEGER t2 = Now();
    for (int i = 1; i <= n; ++i) lists.DeleteFile.current.push_back(Entry(folder, i));
    RecordTexts texts;
    texts.InstallFolder = folder;
    texts.SetupWord = "インストール";
    texts.UnSetupWord = "アンインストール";
    texts.UnSetupTitle = "Quillon Bench";
    InstalledEntry entry;
    entry.KeyName = entry.DisplayName = "Quillon Bench " + std::to_string(GetCurrentProcessId());
    entry.UninstallerPath = "C:\\windows\\UNQUILLN.EXE";
    entry.RecordPath = folder + "UNSETUP.INI";
    SilentHost host;
    const std::string written = WriteRecord(host, lists, texts, entry);
    DeleteRegistryKey("(Local)", UninstallKeyPath(entry.KeyName));
    const LARGE_INTEGER t3 = Now();

    std::printf("%7d entries: read copy list %.3f s (%zu), load earlier record %.3f s (%zu), "
                "compose and save record %.3f s, total %.3f s%s\n",
                n, Seconds(t0, t1), copyList.size(), Seconds(t1, t2), lists.DeleteFile.earlier.size(),
                Seconds(t2, t3), Seconds(t0, t3), written.empty() ? " (NOT WRITTEN)" : "");
}

// Microseconds per call of f(i) for i below n.
template <class F>
double PerCall(int n, F f)
{
    const LARGE_INTEGER t0 = Now();
    for (int i = 0; i < n; ++i) f(i);
    return Seconds(t0, Now()) * 1e6 / n;
}

// The calls an uninstallation makes for every file of its record, each timed over n
// files of its own in one folder, beside the loop's DeleteFileA.
void PerFileCalls(const std::string& base, int n)
{
    const std::string folder = base + "calls\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const auto name = [&](const char* set, int i) { return folder + set + std::to_string(i) + ".BIN"; };
    for (const char* set : {"a", "b"})
        for (int i = 0; i < n; ++i) WriteText(name(set, i), "x");
    SilentHost host;
    SharedCountRegister shared;
    LogFile log;
    log.Open(folder + "run.log");
    const double present = PerCall(n, [&](int i) { FileAge(name("b", i)); });
    const double deleteLoop = PerCall(n, [&](int i) { DeleteFileA(name("a", i).c_str()); });
    const double deleteOurs = PerCall(n, [&](int i) { DeleteFiles(host, name("b", i)); });
    const double count = PerCall(n, [&](int i) { shared.Count(name("b", i)); });
    const double line = PerCall(n, [&](int i) { log.Write(ActionLogLine("ファイル削除 " + name("b", i), 0)); });
    const double missing = PerCall(n, [&](int i) { FileAge(name("b", i)); });
    log.Close();
    std::printf("per file of an uninstallation (%d files, microseconds a call): DeleteFileA %.1f, DeleteFiles %.1f, "
                "shared-count lookup %.1f, log line %.1f, file lookup %.1f (missing: %.1f)\n",
                n, deleteLoop, deleteOurs, count, line, present, missing);
}

// What a shared ("/S") file adds, per call over n files of its own: the count up of an
// installation, the other build's count, the count down of an uninstallation and its
// mark in the resume copy (a copy of n entries), appended and, as before, through the
// profile functions.
void SharedFileCalls(const std::string& base, int n)
{
    const std::string folder = base + "shared\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const auto name = [&](int i) { return folder + "S" + std::to_string(i) + ".DLL"; };
    SharedCountRegister shared;
    const double up = PerCall(n, [&](int i) { ChangeSharedCount(name(i), true); });
    const double other = PerCall(n, [&](int i) { OtherBuildCount(name(i), "C:\\windows\\system32\\"); });
    OtherBuildCounts otherBuild;
    const double otherOpen = PerCall(n, [&](int i) { otherBuild.Count(name(i), "C:\\windows\\system32\\"); });
    const double down = PerCall(n, [&](int i) { shared.Change(name(i), false); });
    std::string copy = "[DeleteFile]\r\n";
    for (int i = 1; i <= n; ++i) copy += "File" + std::to_string(i) + "=" + name(i) + ",/S\r\n";
    copy += "[Resume]\r\nRecord=" + folder + "UNSETUP.INI\r\n";
    WriteText(folder + "a.ini", copy);
    WriteText(folder + "b.ini", copy);
    CountDownMarks marks(folder + "a.ini");
    const double appended = PerCall(n, [&](int i) { marks.Mark("DeleteFile", i + 1); });
    const int rewrites = n < 200 ? n : 200; // each rewrites the whole copy
    const double rewritten = PerCall(rewrites, [&](int i) {
        WriteIniString(kResumeSection, CountedDownKey("DeleteFile", i + 1), "CountedDown", folder + "b.ini");
    });
    std::printf("per shared file (%d files, microseconds a call): count up %.1f, the other build's count %.1f (its "
                "key held open: %.1f), count down %.1f, its resume mark appended %.1f (through the profile "
                "functions, rewriting a copy of %d entries: %.1f)\n",
                n, up, other, otherOpen, down, appended, n, rewritten);
}

} // namespace

int main(int argc, char** argv)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "qs_bench_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(base.c_str(), nullptr);
    if (argc > 1) {
        Run(base, std::atoi(argv[1]));
    } else {
        for (int n : {1000, 10000, 100000}) Run(base, n);
        PerFileCalls(base, 2000);
        SharedFileCalls(base, 2000);
    }
    // Leave nothing behind in the prefix's temporary folder.
    std::string cmd = "cmd /c rd /s /q \"" + base + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    return 0;
}
