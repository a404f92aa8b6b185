#include "services/FldrDlg.h"

#include "foundation/SystemApi.h"

#include <cstring>
#include <memory>

namespace {

struct ItemListFree {
    void operator()(ITEMIDLIST* pidl) const
    {
        if (OleDll().CoTaskMemFree) OleDll().CoTaskMemFree(pidl);
    }
};

} // namespace

UINT BrowseFlags(const TFolderDlgOptions& options)
{
    UINT flags = 0;
    for (const TFolderDlgOption option : options) {
        switch (option) {
        case bifBrowseForComputer: flags |= BIF_BROWSEFORCOMPUTER; break;
        case bifBrowseForPrinter: flags |= BIF_BROWSEFORPRINTER; break;
        case bifDontGoBelowDomain: flags |= BIF_DONTGOBELOWDOMAIN; break;
        case bifReturnFSAncestors: flags |= BIF_RETURNFSANCESTORS; break;
        case bifReturnOnlyFSDirs: flags |= BIF_RETURNONLYFSDIRS; break;
        case bifStatusText: flags |= BIF_STATUSTEXT; break;
        }
    }
    return flags;
}

bool TFolderDialog::Execute(HWND owner)
{
    const ShellApi& shell = ShellDll();
    if (!shell.SHBrowseForFolderA || !shell.SHGetPathFromIDListA) return false;

    char buffer[MAX_PATH + 1] = {};
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = Root;
    info.pszDisplayName = buffer;
    info.lpszTitle = Title.c_str();
    info.ulFlags = BrowseFlags(Option);
    info.lpfn = Callback;
    info.lParam = CallbackParam;

    const std::unique_ptr<ITEMIDLIST, ItemListFree> chosen(shell.SHBrowseForFolderA(&info));
    if (!chosen) return false;
    // Without a file-system path (a computer or printer) the buffer keeps the display name.
    shell.SHGetPathFromIDListA(chosen.get(), buffer);
    Directory.assign(buffer, strnlen(buffer, MAX_PATH));
    CallbackParam = info.lParam;
    ImageIndex = info.iImage;
    return true;
}
