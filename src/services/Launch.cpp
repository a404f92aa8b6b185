#include "services/Launch.h"

#include "foundation/Handles.h"
#include "foundation/LastError.h"
#include "foundation/MBUtils.h"
#include "foundation/SystemApi.h"
#include "foundation/uStrOp.h"
#include "foundation/FilePrim.h"

#include <shellapi.h>

namespace {

const char* OrNull(const std::string& text)
{
    return text.empty() ? nullptr : text.c_str();
}

std::string WorkingFolder(const std::string& folder, const std::string& tempFolder)
{
    return FolderExists(folder) ? folder : tempFolder;
}

void WarnFailedStart(Host& host, const std::string& file, const std::string& parameters, std::uint32_t code)
{
    host.Ask("プログラム実行失敗\r\n" + file + " " + parameters + "\r\n\r\n" + ErrorText(code), "警告",
             MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

int RunAndWait(Host& host, const std::string& path, const std::string& parameters)
{
    const auto shellExecuteEx = ShellDll().ShellExecuteExA;
    if (!shellExecuteEx) return ERROR_PROC_NOT_FOUND;

    const std::string directory = Left(path, static_cast<int>(LastPathDelimiter(path)));
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    // No shell error box: the caller reports a failed start (the unattended mode has
    // nobody to close one).
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = host.OwnerWindow();
    info.lpVerb = "open";
    info.lpFile = path.c_str();
    info.lpParameters = OrNull(parameters);
    info.lpDirectory = OrNull(directory);
    info.nShow = SW_SHOWNORMAL;
    if (!shellExecuteEx(&info)) return static_cast<int>(LastErrorOr());

    // A document handed to an already running program gives no process to wait for.
    const UniqueKernelHandle process(info.hProcess);
    if (!process) return -1;
    while (WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
        host.ProcessMessages();
        // Sleep until the process ends or input arrives, instead of spinning: the
        // windows stay as responsive and the other program gets the processor.
        HANDLE h = process.get();
        MsgWaitForMultipleObjectsEx(1, &h, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return -1;
}

int ShellRun(Host& host, const std::string& file, const std::string& parameters, const std::string& folder,
             const std::string& tempFolder)
{
    const std::string directory = WorkingFolder(folder, tempFolder);
    const auto shellExecute = ShellDll().ShellExecuteA;
    // The shell's result number doubles as a system error code (2 = file not found).
    const INT_PTR result = shellExecute ? reinterpret_cast<INT_PTR>(shellExecute(GetDesktopWindow(), "open",
                                                                                 file.c_str(), OrNull(parameters),
                                                                                 OrNull(directory), SW_SHOWNORMAL))
                                        : ERROR_PROC_NOT_FOUND;
    if (result <= 32) WarnFailedStart(host, file, parameters, static_cast<std::uint32_t>(result));
    return 0;
}

std::uint32_t CreateProcessRun(Host& host, const std::string& file, const std::string& parameters,
                               const std::string& folder, const std::string& tempFolder)
{
    const std::string directory = WorkingFolder(folder, tempFolder);
    // The program's name goes separately, so the command line holds the parameters only.
    std::string commandLine = parameters.empty() ? std::string() : " " + parameters;

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    startup.wShowWindow = SW_SHOWNORMAL;

    PROCESS_INFORMATION pi{};
    const BOOL ok = CreateProcessA(file.c_str(), commandLine.empty() ? nullptr : commandLine.data(), nullptr, nullptr,
                                   FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr, OrNull(directory), &startup, &pi);
    const std::uint32_t code = ok ? 0 : LastErrorOr();
    if (ok) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    } else {
        WarnFailedStart(host, file, parameters, code);
    }
    return code;
}
