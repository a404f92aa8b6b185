// One fuzz case: what it feeds to which part of the product, how it is made from a seed,
// saved and read back, and how it is run and checked.
#pragma once
#include "Corpus.h"
#include "Mutate.h"
#include "Sandbox.h"

#include <cstdint>
#include <string>
#include <vector>

enum class CaseKind {
    Readers,   // the script readers and parsers; the one-parse reader against the profile API
    Record,    // the record loader and composer; the composed record read back
    Engines,   // an installation through the scripted host, then (mostly) its uninstallation
    Uninstall, // an uninstallation of a generated record over files it names
};
const char* KindName(CaseKind kind);

struct CaseInput {
    CaseKind kind = CaseKind::Readers;
    std::uint64_t seed = 0; // of the parts made while the case runs
    std::string origin;     // the seeds and mutations, for the report
    // Files before "@RUN@" and the record's macros are put in.
    std::string script;
    Encoding scriptEncoding = Encoding::Ansi;
    std::string record; // Engines: the record to uninstall instead of the one written
    Encoding recordEncoding = Encoding::Ansi;
    std::string earlier; // Engines: a record of an earlier installation into the folder
    Encoding earlierEncoding = Encoding::Ansi;
    // The installation folder, with macros; "@DEFAULT@" takes the script's own.
    std::string installFolder;
    bool overwrite = true, hiSpeed = false;
    int installBoxes = 15; // shortcut boxes ticked, one bit each
    std::string osFamily = "NT";
    std::vector<int> answers; // the first answers; then each question's unattended one
    std::vector<std::string> deletionAnswers;
    int completionChoice = 1;
    int abortAfterChecks = 0;
    bool uninstall = true;     // Engines: uninstall after installing
    int uninstallToggles = 0;  // option boxes of the uninstaller whose state is flipped
    bool mutateRecord = false; // Engines: mutate the written record before uninstalling
    bool tidy = false;         // Engines: drop the lines the checker flags until it calls the
                               // script clean (the checker is then the oracle)
};

CaseInput GenerateCase(const Corpus& corpus, std::uint64_t seed);

bool SaveCase(const CaseInput& input, const std::string& folder);
bool LoadCase(const std::string& folder, CaseInput& input);

struct CaseReport {
    std::vector<std::string> findings; // "what: detail"
    std::vector<std::string> vetoes;   // parts not run because the sandbox could not vouch for them
    std::vector<std::string> trace;    // the runs' log lines, shown with --verbose
    bool checkedClean = false;         // engines: the checker called the package clean
};

// Runs the case in the sandbox. currentFolder receives the case's inputs before anything
// runs (and the mutated record once it is made), so a crash leaves them behind.
CaseReport RunCase(CaseInput input, const Sandbox& box, const std::string& currentFolder);
