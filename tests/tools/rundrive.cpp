// Drives a running SETUP.EXE (or its uninstaller copy) through a whole run from outside,
// as a user with a mouse would: the wizard's pages, the questions of the run, the
// progress window's "next", the completion page. It prints every question it answers,
// so scripts can check texts, and can stop at named points for a screenshot.
//   rundrive install|uninstall [options]
//   rundrive watch --start COMMAND-LINE   starts a program that needs nobody (/VERYSILENT)
//                             and prints "WINDOW <class> [caption]" for every visible
//                             window of it seen while it runs, then "EXIT <code>"
//     --folder TEXT           installation folder typed into the folder box
//     --answer CAPTION=ID     button for a message box with that caption (IDYES 6 ...)
//     --disk N=FOLDER         when disk N is asked for, change the medium: the drive
//                             SETUP.EXE runs from (it must be started from a drive
//                             root) is re-pointed at FOLDER, as a user changes a disk
//     --deletion WORD         the four-button question: Yes, No, Delete or Save
//     --choice N              completion page option 1 or 2
//     --toggle ID             clicks the box with that control ID on the message page
//                             (or the uninstaller's panel) before starting; repeatable
//     --shots FOLDER          at each point (title, licence, readme, message-page,
//                             copying, progress-done, details, completion,
//                             uninstall-panel) create FOLDER\<point>.wait and go on once
//                             it has been deleted
//     --start COMMAND-LINE    starts the program itself with exactly this command line
//                             (as the list of installed programs starts an
//                             UninstallString) and prints "EXIT <code>" when it ends
//     --timeout MS            overall limit (default 120000)
//     --input keys            keystrokes only: every press is a key posted to the focused
//                             window (Enter, Esc, Tab, Space, Alt+mnemonic), never a
//                             click; prints "KEY ..." for each
//     --fit DPI               at each point, checks the window inside the program
//                             (fithook.cpp) and prints "FIT <window> <point> <checked>
//                             <clipped>" and a "CLIP" line per fault
// Exit code 0 once the program has ended after the completion page, 1 on a timeout.
#include "TestSupport.h"
#include "ui/Controls.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kFraTitle = 200, kFraReadme = 205, kBtnEvent = 229, kBtnEnd = 230, kChkEULARead = 207, kTxtReadme = 206,
              kTxtFolder = 211, kOptSelectType2 = 225;
constexpr int kLblMessage = 301, kLblStatus = 303, kBtnAbort = 305;
constexpr int kDlgMessage = 100, kIdYes = 101, kIdNo = 102, kIdDelete = 103, kIdSave = 104;

struct Options {
    bool install = true;
    std::string folder;
    std::map<std::string, int> answers;
    std::map<int, std::string> disks;
    std::string deletion = "Yes";
    int choice = 1;
    std::string shots;
    std::string start;
    std::vector<int> toggles;
    DWORD timeout = 120000;
    bool keys = false;
    int fitDpi = 0;
};
Options g_options;

HWND Visible(const char* className, const char* caption = nullptr)
{
    HWND w = FindWindowA(className, caption);
    return w && IsWindowVisible(w) ? w : nullptr;
}

bool Enabled(HWND w)
{
    return w && IsWindowEnabled(w);
}

// The window that has the keyboard focus in the thread of w (or its active window).
HWND FocusOf(HWND w)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info)) return w;
    return info.hwndFocus ? info.hwndFocus : info.hwndActive ? info.hwndActive : w;
}

// Posts a key (with Alt held: a system key) to the focused window of w's thread.
void Key(HWND w, UINT vk, const std::string& name, bool alt = false)
{
    std::printf("KEY %s\n", name.c_str());
    std::fflush(stdout);
    HWND focus = FocusOf(w);
    const LPARAM bits = 1 | static_cast<LPARAM>(MapVirtualKeyA(vk, 0)) << 16 | (alt ? 1 << 29 : 0);
    PostMessageA(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, bits);
    PostMessageA(focus, alt ? WM_SYSKEYUP : WM_KEYUP, vk, bits | 3u << 30);
}

// Moves the focus with Tab until it is on control; false when it never gets there.
bool TabTo(HWND control)
{
    for (int i = 0; i < 24 && FocusOf(control) != control; ++i) {
        HWND before = FocusOf(control);
        Key(control, VK_TAB, "Tab");
        WaitUntil([&] { return FocusOf(control) != before; }, 2000);
    }
    return FocusOf(control) == control;
}

// Presses a button: a posted BM_CLICK, or by keys Alt + its mnemonic (the letter after
// "&"), or Tab to it and Space when it has none.
void Click(HWND button)
{
    if (!g_options.keys) {
        PostMessageA(button, BM_CLICK, 0, 0);
        return;
    }
    const std::string caption = GetText(button);
    const size_t amp = caption.find('&');
    if (amp != std::string::npos && amp + 1 < caption.size()) {
        const char m = static_cast<char>(std::toupper(caption[amp + 1]));
        Key(button, static_cast<UINT>(m), std::string("Alt+") + m, true);
    } else if (TabTo(button)) {
        Key(button, VK_SPACE, "Space");
    }
}

// Has fithook.dll (beside this program), hooked into the form's thread for one message,
// check the form inside its program; prints a CLIP line per fault and the FIT line.
void CheckFitInside(const char* cls, const char* window, const std::string& point, int dpi)
{
    HWND form = FindWindowA(cls, nullptr);
    char path[MAX_PATH] = {}, temp[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    *std::strrchr(path, '\\') = '\0';
    GetTempPathA(MAX_PATH, temp);
    const std::string verdict = std::string(temp) + "QuillonFit.txt";
    DeleteFileA(verdict.c_str());
    HMODULE module = LoadLibraryA((std::string(path) + "\\fithook.dll").c_str());
    auto* proc = module ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, "FitHook")))
                        : nullptr;
    if (HHOOK hook = form && proc
                         ? SetWindowsHookExA(WH_CALLWNDPROC, proc, module, GetWindowThreadProcessId(form, nullptr))
                         : nullptr) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(form, RegisterWindowMessageA("QuillonFitCheck"), dpi, 0, SMTO_NORMAL, kPatienceMs, &ignored);
        UnhookWindowsHookEx(hook);
    }
    std::ifstream in(verdict, std::ios::binary);
    int checked = 0, faults = 0;
    std::string line;
    const bool ran = (in >> checked) && std::getline(in, line);
    if (!ran) faults = std::printf("CLIP %s %s the check did not run\n", window, point.c_str()) > 0;
    for (; ran && std::getline(in, line); ++faults) std::printf("CLIP %s %s %s\n", window, point.c_str(), line.c_str());
    std::printf("FIT %s %s %d %d\n", window, point.c_str(), checked, faults);
    std::fflush(stdout);
}

// Stops at a named point until the screenshot script has taken its picture; with --fit
// the visible windows are checked first.
void Shot(const Options& o, std::set<std::string>& taken, const std::string& point)
{
    if (!taken.insert(point).second) return;
    if (o.fitDpi) {
        const bool progress = point == "copying" || point == "progress-done", deletion = point == "deletion";
        CheckFitInside(progress   ? "TfrmStatus"
                       : deletion ? "TfrmCustomDlg"
                                  : "TfrmMain",
                       progress                     ? "progress"
                       : deletion                   ? "deletion"
                       : point == "uninstall-panel" ? "uninstaller-panel"
                                                    : "wizard",
                       point, o.fitDpi);
    }
    if (o.shots.empty()) return;
    std::printf("AT %s\n", point.c_str());
    std::fflush(stdout);
    const std::string marker = o.shots + "\\" + point + ".wait";
    HANDLE f = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    for (int i = 0; i < 1200 && GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
}

std::string ProgramFolder(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    std::string path;
    if (HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
        char buf[MAX_PATH] = {};
        DWORD n = MAX_PATH;
        if (QueryFullProcessImageNameA(p, 0, buf, &n)) path.assign(buf, n);
        CloseHandle(p);
    }
    return path.substr(0, path.find_last_of('\\') + 1);
}

// Answers a message box, printing its caption and text. True when one was there.
bool AnswerBox(const Options& o, HWND main, int& diskAsked)
{
    HWND box = Visible("#32770");
    if (!box) return false;
    const std::string caption = GetText(box);
    const std::string text = GetText(GetDlgItem(box, 0xFFFF));
    // The folder browser and the like are no questions of the run.
    if (!GetDlgItem(box, 0xFFFF)) return false;
    std::printf("BOX [%s] %s\n", caption.c_str(), text.c_str());
    std::fflush(stdout);
    int button = GetDlgItem(box, IDOK) ? IDOK : IDYES;
    if (auto it = o.answers.find(caption); it != o.answers.end()) button = it->second;
    else if (caption == "フォルダ作成") button = IDYES;
    if (caption == "ディスク交換") {
        const int disk = std::atoi(text.c_str());
        if (disk != diskAsked) {
            diskAsked = disk;
            if (auto it = o.disks.find(disk); it != o.disks.end()) {
                const std::string from = ProgramFolder(main);
                const bool changed = from.size() == 3 && from[1] == ':' && ChangeMedium(from[0], it->second);
                std::printf("MEDIUM %s -> %s %s\n", from.c_str(), it->second.c_str(),
                            changed ? "changed" : "NOT CHANGED");
                std::fflush(stdout);
            }
        }
    }
    Click(GetDlgItem(box, button));
    for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(25);
    return true;
}

bool AnswerDeletion(const Options& o, std::set<std::string>& taken)
{
    HWND dialog = Visible("TfrmCustomDlg");
    if (!dialog) return false;
    Shot(o, taken, "deletion");
    const std::string text = GetText(FindControl(dialog, kDlgMessage));
    std::printf("DELETION %s\n", text.c_str());
    std::fflush(stdout);
    const int id = o.deletion == "No"       ? kIdNo
                   : o.deletion == "Delete" ? kIdDelete
                   : o.deletion == "Save"   ? kIdSave
                                            : kIdYes;
    Click(FindControl(dialog, id));
    for (int i = 0; i < 200 && IsWindowVisible(dialog); ++i) Sleep(25);
    return true;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct Seen {
    DWORD pid;
    std::set<std::string>* windows;
};

BOOL CALLBACK NoteWindow(HWND hwnd, LPARAM param)
{
    auto* seen = reinterpret_cast<Seen*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != seen->pid || !IsWindowVisible(hwnd)) return TRUE;
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    const std::string line = std::string(name) + " [" + GetText(hwnd) + "]";
    if (seen->windows->insert(line).second) {
        std::printf("WINDOW %s\n", line.c_str());
        std::fflush(stdout);
    }
    return TRUE;
}

// Watches the program's windows until it ends.
void Watch(const PROCESS_INFORMATION& pi, DWORD timeout)
{
    std::set<std::string> windows;
    Seen seen{pi.dwProcessId, &windows};
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(pi.hProcess, 10) == WAIT_TIMEOUT && GetTickCount() - start < timeout)
        EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&seen));
}

int Drive(const Options& o)
{
    std::set<std::string> taken;
    const DWORD start = GetTickCount();
    HWND main = nullptr;
    bool started = false, completion = false, typed = false;
    int diskAsked = 0;
    std::string lastEvent;
    // The start-up changes the pages by itself; the driver acts on a page only once its
    // button has kept its caption for a moment.
    std::string seen;
    DWORD seenSince = 0;
    while (GetTickCount() - start < o.timeout) {
        Sleep(50);
        if (!main) main = FindWindowA("TfrmMain", nullptr);
        if (!main) continue;
        if (!IsWindow(main)) return completion ? 0 : 1;
        if (AnswerBox(o, main, diskAsked) || AnswerDeletion(o, taken)) continue;

        HWND status = Visible("TfrmStatus");
        if (status) {
            const std::string log = GetText(FindControl(status, kLblMessage));
            HWND counter = FindControl(status, kLblStatus);
            if (log.find("ファイルをコピーしています") != std::string::npos && counter && IsWindowVisible(counter) &&
                GetText(counter) != "(0/0)" && GetText(counter).rfind("(0/", 0) != 0)
                Shot(o, taken, "copying");
            HWND next = FindControl(status, kBtnAbort);
            if (Enabled(next) && GetText(next) == "次へ(&N)") {
                Shot(o, taken, "progress-done");
                if (o.keys) Key(next, VK_RETURN, "Enter");
                else Click(next);
                Sleep(200);
            }
            continue;
        }
        if (!IsWindowVisible(main)) continue;
        HWND event = FindControl(main, kBtnEvent);
        const std::string caption = GetText(event);
        if (caption != seen) {
            seen = caption;
            seenSince = GetTickCount();
            continue;
        }
        if (GetTickCount() - seenSince < 300) continue;
        if (!Enabled(event) && caption == "処理開始(&S)") {
            // The fatal page: only leaving is possible.
            Shot(o, taken, "fatal");
            completion = true;
            if (o.keys) Key(main, VK_ESCAPE, "Esc");
            else Click(FindControl(main, kBtnEnd));
            Sleep(300);
            continue;
        }
        if (!Enabled(event)) {
            // The licence: tick the box that enables the agree button.
            HWND box = FindControl(main, kChkEULARead);
            if (caption == "同意する(&A)" && box && IsWindowVisible(box) &&
                SendMessageA(box, BM_GETCHECK, 0, 0) != BST_CHECKED)
                Click(box);
            continue;
        }
        if (caption == "同意する(&A)") Shot(o, taken, "licence");
        else if (o.install && IsWindowVisible(FindControl(main, kFraTitle))) Shot(o, taken, "title");
        else if (IsWindowVisible(FindControl(main, kFraReadme)) && caption != "続行(&C)") Shot(o, taken, "readme");
        if (EndsWith(caption, "完了(&E)")) {
            Shot(o, taken, "completion");
            if (o.choice == 2) {
                Click(FindControl(main, kOptSelectType2));
                Sleep(200);
            }
            completion = true;
            Click(event);
            Sleep(300);
            continue;
        }
        if (EndsWith(caption, "開始(&S)")) {
            if (!o.install) Shot(o, taken, "uninstall-panel");
            if (o.install && !o.folder.empty() && !typed) {
                SendMessageA(FindControl(main, kTxtFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(o.folder.c_str()));
                typed = true;
            }
            if (o.install) Shot(o, taken, "message-page");
            if (started) continue;
            started = true;
            for (int id : o.toggles) SendMessageA(FindControl(main, id), BM_CLICK, 0, 0);
        }
        if (caption == "続行(&C)") {
            std::printf("DETAILS %s\n", GetText(FindControl(main, kTxtReadme)).c_str());
            std::fflush(stdout);
            Shot(o, taken, "details");
        }
        if (caption != lastEvent || caption == "続行(&C)") {
            lastEvent = caption;
            // By keys: Enter where the event button is the default, its mnemonic elsewhere.
            if (o.keys && FocusOf(main) == event) Key(main, VK_RETURN, "Enter");
            else Click(event);
            Sleep(300);
        }
    }
    std::printf("TIMEOUT\n");
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    Options o;
    o.install = std::strcmp(argv[1], "uninstall") != 0;
    const bool watch = std::strcmp(argv[1], "watch") == 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--folder") o.folder = value;
        else if (name == "--answer")
            o.answers[value.substr(0, value.find('='))] = std::atoi(value.substr(value.find('=') + 1).c_str());
        else if (name == "--disk") o.disks[std::atoi(value.c_str())] = value.substr(value.find('=') + 1);
        else if (name == "--deletion") o.deletion = value;
        else if (name == "--choice") o.choice = std::atoi(value.c_str());
        else if (name == "--toggle") o.toggles.push_back(std::atoi(value.c_str()));
        else if (name == "--shots") o.shots = value;
        else if (name == "--start") o.start = value;
        else if (name == "--timeout") o.timeout = static_cast<DWORD>(std::atol(value.c_str()));
        else if (name == "--fit") o.fitDpi = std::atoi(value.c_str());
        else if (name == "--input") o.keys = value == "keys";
        else return 2;
    }
    // The checks measure in the screen's own pixels, not in a 96-DPI view of them.
    SetProcessDPIAware();
    if (o.fitDpi) {
        HDC screen = GetDC(nullptr);
        std::printf("DPI %d\n", GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    g_options = o;
    PROCESS_INFORMATION pi{};
    if (!o.start.empty()) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string line = o.start;
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            std::printf("START FAILED %lu\n", GetLastError());
            return 1;
        }
        CloseHandle(pi.hThread);
    }
    if (watch && !pi.hProcess) return 2;
    int result = 0;
    if (watch) Watch(pi, o.timeout);
    else result = Drive(g_options);
    if (pi.hProcess) {
        DWORD code = 259;
        if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
            // A program left running would keep the caller's output pipe open for good.
            result = 1;
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 30000);
        }
        GetExitCodeProcess(pi.hProcess, &code);
        std::printf("EXIT %lu\n", code);
        CloseHandle(pi.hProcess);
    }
    return result;
}
