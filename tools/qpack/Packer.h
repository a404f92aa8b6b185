// qpack: compresses a one-folder package's sources to SZDD and, when asked, lays it out
// on disks no larger than a given size, writing the script copy that goes with it.
#pragma once
#include "qcheck/Checker.h"

#include <cstdint>
#include <string>
#include <vector>

enum class CompressMode { Smaller, Always, Never };

struct PackRequest {
    std::string input;          // a one-folder package
    std::string output;         // a new or empty folder
    std::uint64_t diskSize = 0; // 0: one folder; else DISK1, DISK2 ... of at most this many bytes
    CompressMode compress = CompressMode::Smaller;
    int effort = 256; // candidates the compressor looks at per byte
};

struct PackResult {
    bool written = false;
    std::string problem;            // why nothing was written
    std::vector<Finding> refused;   // the input's errors, when they are why
    std::vector<std::string> notes; // files stored as they are, and why
    int disks = 0;
    std::uint64_t bytesIn = 0, bytesOut = 0; // of the [CopyFile] sources
    CheckResult check;                       // the checker on what was written
};

PackResult Pack(const PackRequest& request);

// A size such as 1457664, 1440K, 1.44M or 650M (K = 1024, M = 1024 K); 0 when none.
std::uint64_t ParseSize(const std::string& text);
