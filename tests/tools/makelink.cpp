// Creates one shortcut with CreateShortcut and prints the path it answered, so a
// Linux-side test can read the link back with lnkinfo.
//   makelink <target> <link name> <working folder> <arguments>
// Arguments are taken as given (empty strings allowed). Exit 0, or 1 when the link
// object raised an error (its message on stderr).
#include "services/Shortcut.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 5) return 2;
    const ComInit com;
    try {
        std::printf("%s\n", CreateShortcut(argv[1], argv[2], argv[3], argv[4]).c_str());
    } catch (const ShellLinkError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
