// The practical limit the installer is measured against: a plain loop of CopyFileA (or
// LZ expansion) and DeleteFileA over the same payload, in a process of its own, so it
// pays the same process start as SETUP.EXE.
//   copyloop copy   SRC DST FILES FOLDERS EXT   folders, then every file
//   copyloop expand SRC DST FILES FOLDERS EXT   the same, expanding SZDD sources (*.xx_)
//   copyloop delete DST FILES FOLDERS EXT       every file, then the folders
// Exit code: the number of failed calls.
#include "Payload.h"

#include <windows.h>
#include <lzexpand.h>

#include <cstdlib>
#include <string>

namespace {

int Copy(const std::string& src, const std::string& dst, const Payload& p, const char* ext, bool expand)
{
    int failures = 0;
    if (!CreateDirectoryA(dst.c_str(), nullptr)) ++failures;
    for (int k = 0; k < p.folders; ++k)
        if (!CreateDirectoryA((dst + FolderName(k)).c_str(), nullptr)) ++failures;
    for (int i = 0; i < p.files; ++i) {
        const std::string target = dst + FolderPart(p, i) + SourceName(i, ext);
        if (!expand) {
            if (!CopyFileA((src + SourceName(i, ext)).c_str(), target.c_str(), FALSE)) ++failures;
            continue;
        }
        std::string source = src + SourceName(i, ext);
        source.back() = '_';
        OFSTRUCT a{}, b{};
        const INT in = LZOpenFileA(source.data(), &a, OF_READ | OF_SHARE_EXCLUSIVE);
        std::string out = target;
        const INT to = LZOpenFileA(out.data(), &b, OF_CREATE);
        if (in < 0 || to < 0 || LZCopy(in, to) < 0) ++failures;
        if (in >= 0) LZClose(in);
        if (to >= 0) LZClose(to);
    }
    return failures;
}

int Delete(const std::string& dst, const Payload& p, const char* ext)
{
    int failures = 0;
    for (int i = 0; i < p.files; ++i)
        if (!DeleteFileA((dst + FolderPart(p, i) + SourceName(i, ext)).c_str())) ++failures;
    for (int k = 0; k < p.folders; ++k)
        if (!RemoveDirectoryA((dst + FolderName(k)).c_str())) ++failures;
    if (!RemoveDirectoryA(dst.c_str())) ++failures;
    return failures;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool remove = mode == "delete";
    const int first = remove ? 3 : 4; // index of FILES
    if ((mode != "copy" && mode != "expand" && !remove) || argc != first + 3) return 1000;
    const Payload p{"", std::atoi(argv[first]), std::atoi(argv[first + 1]), 0};
    const char* ext = argv[first + 2];
    // Folders come without their trailing "\", which would escape a closing quote.
    const std::string a = std::string(argv[2]) + "\\";
    if (remove) return Delete(a, p, ext);
    return Copy(a, std::string(argv[3]) + "\\", p, ext, mode == "expand");
}
