#include "foundation/FolderMacros.h"

#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"

#include <utility>

std::string ExpandFolderMacros(const FolderValues& f, const std::string& text)
{
    // The order matters: a value may hold a later token, never an earlier one.
    const std::pair<const char*, const std::string*> tokens[] = {
        {"(App)", &f.InstallFolder},
        {"(Prg)", &f.ProgramFilesFolder},
        {"(Win)", &f.WindowsFolder},
        {"(Sys)", &f.SystemFolder},
        {"(Tmp)", &f.TempFolder},
        {"(Boo)", &f.BootDrive},
        {"(Set)", &f.InstallDrive},
        {"(Edr)", &f.ExeDrive},
        {"(Smn)", &f.StartMenuFolder},
        {"(Sta)", &f.ProgramsFolder},
        {"(Dsk)", &f.DesktopFolder},
        {"(Sup)", &f.StartupFolder},
        {"(Sen)", &f.SendToFolder},
        {"(Myd)", &f.MyDocumentsFolder},
        {"(C_Smn)", &f.CommonStartMenuFolder},
        {"(C_Sta)", &f.CommonProgramsFolder},
        {"(C_Dsk)", &f.CommonDesktopFolder},
        {"(C_Sup)", &f.CommonStartupFolder},
        {"(C_Myd)", &f.CommonDocumentsFolder},
    };
    std::string result = text;
    for (const auto& [token, value] : tokens) {
        if (PosNoCase(token, result) != 0) result = ReplaceToken(result, token, *value);
    }
    return result;
}

std::string DrivePart(const std::string& path)
{
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    if (IsPathDelimiter(path, 1) && IsPathDelimiter(path, 2)) {
        // \\server\share: up to the delimiter that ends the share name.
        int delimiters = 0;
        for (std::size_t p = 3; p <= path.size(); p += CharLength(path, p)) {
            if (IsPathDelimiter(path, p) && ++delimiters == 2) return path.substr(0, p - 1);
        }
        return path;
    }
    return {};
}
