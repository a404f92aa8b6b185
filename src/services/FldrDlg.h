// The shell's folder-browse dialog as a small component of the main window.
#pragma once
#include "services/Host.h"

#include <windows.h>
#include <shlobj.h>

#include <set>
#include <string>

enum TFolderDlgOption {
    bifBrowseForComputer,
    bifBrowseForPrinter,
    bifDontGoBelowDomain,
    bifReturnFSAncestors,
    bifReturnOnlyFSDirs,
    bifStatusText,
};
using TFolderDlgOptions = std::set<TFolderDlgOption>;

// The shell browse flags (BIF_*) of a set of options.
UINT BrowseFlags(const TFolderDlgOptions& options);

class TFolderDialog {
public:
    std::string Title; // prompt above the tree
    TFolderDlgOptions Option{bifReturnOnlyFSDirs};
    std::string Directory;          // chosen folder after a successful Execute
    LPCITEMIDLIST Root = nullptr;   // top of the tree; not owned; none = desktop
    BFFCALLBACK Callback = nullptr; // passed to the shell unchanged
    LPARAM CallbackParam = 0;
    int ImageIndex = 0; // of the chosen item, after a successful Execute

    // Shows the dialog owned by owner. True when the user chose a folder: Directory then
    // holds its path as the shell gives it ("\" only after a drive root). On cancel
    // returns false and leaves Directory unchanged.
    bool Execute(HWND owner);
    bool Execute(const Host& host) { return Execute(host.OwnerWindow()); }
};
