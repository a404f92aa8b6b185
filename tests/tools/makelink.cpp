// Creates one shortcut with CreateShortcut and prints the path it answered, so a
// Linux-side test can read the link back with lnkinfo.
//   makelink <target> <link name> <working folder> <arguments>
// Arguments are taken as given (empty strings allowed). Exit 0, or 1 when no link
// object could be used (why on stderr).
#include "services/Shortcut.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 5) return 2;
    const ComInit com;
    ShellLinkFailure failure;
    const std::string made = CreateShortcut(argv[1], argv[2], argv[3], argv[4], &failure);
    if (made.empty()) {
        std::fprintf(stderr, "%s\n", failure.text.c_str());
        return 1;
    }
    std::printf("%s\n", made.c_str());
    return 0;
}
