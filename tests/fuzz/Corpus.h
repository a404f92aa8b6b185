// The seeds the fuzzer starts from: the sample package's script, the hand-written
// expected records and the scripts embedded in the test sources, all as CP932 text.
#pragma once
#include <string>
#include <vector>

struct Seed {
    std::string name;
    std::string text;    // CP932; the tests' placeholders mapped to the fuzzer's own
    bool record = false; // an uninstall record rather than a setup script
};

struct Corpus {
    std::vector<Seed> scripts;
    std::vector<Seed> records;
};

// Reads the seeds below sourceDir (the repository, ending in "\" or "/"). A built-in
// script and record stand in when nothing can be read, so the fuzzer always has seeds.
Corpus LoadCorpus(const std::string& sourceDir);
