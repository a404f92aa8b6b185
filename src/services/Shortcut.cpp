#include "services/Shortcut.h"

#include "foundation/ComPtr.h"
#include "foundation/MBUtils.h"
#include "foundation/SystemApi.h"
#include "foundation/uStrOp.h"
#include "foundation/FilePrim.h"

#include <shlobj.h>

namespace {

// The system's text for an HRESULT, without the trailing line break; "" when unknown.
std::string SystemText(HRESULT hr)
{
    char buf[512] = {};
    DWORD len = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               static_cast<DWORD>(hr), 0, buf, sizeof buf, nullptr);
    while (len > 0 && (buf[len - 1] == '\r' || buf[len - 1] == '\n' || buf[len - 1] == ' ')) --len;
    return std::string(buf, len);
}

// No link: says why, when asked.
std::string LinkFailed(ShellLinkFailure* failure, const char* step, HRESULT hr)
{
    if (!failure) return {};
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
    failure->code = hr;
    failure->text = std::string("ショートカットを作成できません: ") + step + " (" + code + ")";
    const std::string text = SystemText(hr);
    if (!text.empty()) failure->text += " " + text;
    return {};
}

// True when the text ends in ".lnk" in any letter case. '.' is never a trail byte, so
// the last four bytes are a whole-character suffix whenever they match.
bool EndsWithLnk(const std::string& text)
{
    return PosNoCase(".lnk", Right(text, 4)) == 1;
}

// The path with the extension of its last component replaced (or added).
std::string ChangeExtension(const std::string& path, const std::string& ext)
{
    const std::size_t folderEnd = LastPathDelimiter(path);
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot + 1 > folderEnd) return path.substr(0, dot) + ext;
    return path + ext;
}

std::wstring ToWide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

} // namespace

ComInit::ComInit()
    : hr_(OleDll().CoInitialize ? OleDll().CoInitialize(nullptr) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND))
{
}

ComInit::~ComInit()
{
    // S_FALSE counts too: every successful CoInitialize needs its CoUninitialize.
    if (SUCCEEDED(hr_)) OleDll().CoUninitialize();
}

std::string CreateShortcut(const std::string& target, const std::string& linkName, const std::string& workingFolder,
                           const std::string& arguments, ShellLinkFailure* failure)
{
    // Only a trailing ".lnk" is an extension: "Foo.lnk Viewer" still needs one.
    const std::string linkFile = EndsWithLnk(linkName) ? linkName : linkName + ".lnk";

    std::string folder = workingFolder;
    if (folder.empty() || !FolderExists(folder)) folder = Left(target, static_cast<int>(LastPathDelimiter(target)));
    folder = AddBackslash(folder, "B");

    // A failed creation shows up as a failed save below.
    const std::string linkFolder = Left(linkFile, static_cast<int>(LastPathDelimiter(linkFile)));
    if (!FolderExists(linkFolder)) CreateFolderTree(linkFolder);

    if (EndsWithLnk(target)) {
        // A shortcut handed over as the target is installed as it is.
        CopyFileReplace(target, linkFile);
        return linkFile;
    }

    const OleApi& ole = OleDll();
    if (!ole.CoCreateInstance) return LinkFailed(failure, "CoCreateInstance", HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
    ComPtr<IShellLinkA> link;
    HRESULT hr = ole.CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                      IID_IShellLinkA, link.put_void());
    if (FAILED(hr) || !link) return LinkFailed(failure, "CoCreateInstance(ShellLink)", FAILED(hr) ? hr : E_NOINTERFACE);
    ComPtr<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, file.put_void());
    if (FAILED(hr) || !file)
        return LinkFailed(failure, "QueryInterface(IPersistFile)", FAILED(hr) ? hr : E_NOINTERFACE);

    link->SetPath(target.c_str());
    link->SetWorkingDirectory(folder.c_str());
    if (!arguments.empty()) link->SetArguments(arguments.c_str());
    // The outcome is judged by the file that exists afterwards, not by the save result.
    file->Save(ToWide(linkFile).c_str(), FALSE);

    if (FileAge(linkFile) == -1) return ChangeExtension(linkFile, ".pif");
    return linkFile;
}
