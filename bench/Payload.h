// The benchmark payloads and where their files go, shared by the copy loop and the
// driver so both work on exactly the same files.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct Payload {
    const char* name;
    int files;
    int folders;       // 0: the files lie directly in the installation folder
    std::int64_t size; // bytes per file
    const char* key = ""; // its name on bench/run.sh's command line
};

// The payloads of the benchmark.
inline const Payload kPayloads[] = {
    {"(a)", 2000, 10, 50 * 1024, "a"},
    {"(b)", 20000, 20, 1024, "b"},
    {"(b) at a tenth", 2000, 20, 1024, "b10"},
    {"(c)", 1, 0, 1024LL * 1024 * 1024, "c"},
    {"(d)", 100000, 100, 1024, "d"},
    {"(e) the fixed part", 1, 0, 1024, "e"},
};

// Source names are flat, as the sources lie beside SETUP.EXE; extension without dot.
inline std::string SourceName(int i, const char* extension)
{
    char name[32];
    std::snprintf(name, sizeof name, "F%05d.%s", i, extension);
    return name;
}

// The folder of file i below the installation folder ("" or "D07\"); the files are
// spread over the folders in contiguous blocks, as a real package groups them.
inline std::string FolderPart(const Payload& p, int i)
{
    if (p.folders == 0) return {};
    char name[16];
    std::snprintf(name, sizeof name, "D%02d\\", static_cast<int>(static_cast<std::int64_t>(i) * p.folders / p.files));
    return name;
}

inline std::string FolderName(int k)
{
    char name[16];
    std::snprintf(name, sizeof name, "D%02d\\", k);
    return name;
}
