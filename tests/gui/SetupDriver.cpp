#include "SetupDriver.h"

#include "ui/Controls.h"

#include <commctrl.h>

#include <cstring>

namespace {

bool SameVariable(const char* entry, const char* name)
{
    const std::size_t n = std::strlen(name);
    return _strnicmp(entry, name, n) == 0 && entry[n] == '=';
}

std::string EnvironmentBlock(const std::string& tempFolder, const std::vector<std::string>& extra)
{
    std::string block;
    if (char* env = GetEnvironmentStringsA()) {
        for (const char* p = env; *p; p += std::strlen(p) + 1) {
            if (SameVariable(p, "TMP") || SameVariable(p, "TEMP")) continue;
            block.append(p).push_back('\0');
        }
        FreeEnvironmentStringsA(env);
    }
    block.append("TMP=" + tempFolder).push_back('\0');
    block.append("TEMP=" + tempFolder).push_back('\0');
    for (const std::string& e : extra) block.append(e).push_back('\0');
    block.push_back('\0');
    return block;
}

struct Search {
    DWORD pid;
    const char* className;
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND hwnd, LPARAM param)
{
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (std::strcmp(name, s->className) != 0) return TRUE;
    if (s->caption && TextOf(hwnd) != s->caption) return TRUE;
    s->found = hwnd;
    return FALSE;
}

} // namespace

SetupProcess::SetupProcess(const std::string& exePath, const std::string& arguments, const std::string& tempFolder,
                           const std::vector<std::string>& environment)
{
    std::string commandLine = "\"" + exePath + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    std::string block = EnvironmentBlock(tempFolder, environment);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, block.data(), nullptr, &si, &pi))
        return;
    CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    pid_ = pi.dwProcessId;
}

SetupProcess::~SetupProcess()
{
    if (Running()) {
        TerminateProcess(process_.get(), kKilled);
        WaitForSingleObject(process_.get(), kPatienceMs);
    }
}

bool SetupProcess::WaitForExit(DWORD timeoutMs)
{
    return process_ && WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD SetupProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (process_) GetExitCodeProcess(process_.get(), &code);
    return code;
}

void SetupProcess::Kill()
{
    if (!Running()) return;
    TerminateProcess(process_.get(), kKilled);
    WaitForSingleObject(process_.get(), 30000);
}

bool SetupProcess::Running() const
{
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

HWND SetupProcess::FindWindowOf(const char* className, const char* caption) const
{
    Search s{pid_, className, caption, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND SetupProcess::WaitForWindow(const char* className, const char* caption, DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowOf(className, caption)) != nullptr; }, timeoutMs);
    return found;
}

bool SetupProcess::Settled(HWND window) const
{
    // A sent message is handled only when the thread asks for messages again.
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, kPatienceMs, &result) != 0;
}

std::string SetupProcess::SelectedTreeItemText(HWND tree) const
{
    const auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item || !process_) return {};
    // TVM_GETITEM takes pointers, so the item and its text buffer live in the program.
    constexpr int kTextMax = 520;
    struct Remote {
        TVITEMA item;
        char text[kTextMax];
    };
    void* remote = VirtualAllocEx(process_.get(), nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return {};
    auto* r = static_cast<Remote*>(remote);
    TVITEMA query{};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = r->text;
    query.cchTextMax = kTextMax;
    std::string text;
    DWORD_PTR ok = 0;
    Remote local{};
    if (WriteProcessMemory(process_.get(), &r->item, &query, sizeof query, nullptr) &&
        SendMessageTimeoutA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&r->item), SMTO_BLOCK, kPatienceMs, &ok) &&
        ok && ReadProcessMemory(process_.get(), remote, &local, sizeof local, nullptr))
        text.assign(local.text, strnlen(local.text, kTextMax));
    VirtualFreeEx(process_.get(), remote, 0, MEM_RELEASE);
    return text;
}

HWND ControlOf(HWND form, int id)
{
    return FindControl(form, id);
}

std::string TextOf(HWND hwnd)
{
    if (!hwnd) return "<no window>";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kPatienceMs, &length))
        return "<no answer>";
    std::vector<char> text(length + 1);
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kPatienceMs, &n))
        return "<no answer>";
    return std::string(text.data(), n);
}

std::string MessageBoxText(HWND box)
{
    return TextOf(GetDlgItem(box, 0xFFFF));
}

bool PressSentReturns(HWND button)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kPatienceMs, &result) != 0;
}

void Press(HWND button, Delivery how)
{
    if (how == Delivery::Posted) {
        PostMessageA(button, BM_CLICK, 0, 0);
        return;
    }
    DWORD_PTR result = 0;
    SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result);
}

void Answer(HWND box, int buttonId)
{
    Press(GetDlgItem(box, buttonId));
}

bool IsShown(HWND hwnd)
{
    return hwnd && (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsEnabled(HWND hwnd)
{
    return hwnd && IsWindowEnabled(hwnd);
}

bool IsChecked(HWND hwnd)
{
    return hwnd && SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
