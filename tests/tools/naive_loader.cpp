// Loads the DLL named on its command line by bare name without restricting the search:
// the control case that shows the planting test can see a planted DLL being loaded.
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    return LoadLibraryA(argv[1]) ? 0 : 1;
}
