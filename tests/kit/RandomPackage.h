// Random packages for the packer's round trips, the same natively and under Wine: files
// of 0 bytes to 1 MB (most of them small, as packages are) whose contents compress well,
// badly or not at all, named with double-byte characters (表, ソ, 能 end in 0x5C),
// lower case letters, short and missing extensions and a double-byte last character.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct RandomFile {
    std::string name; // CP932
    std::string bytes;
};

std::vector<RandomFile> RandomFiles(std::uint32_t seed, int count);

// A SETUP.INI (CP932, CR LF) installing each file into (App)\ under its own name.
std::string ScriptFor(const std::vector<RandomFile>& files);
