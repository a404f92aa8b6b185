// qpack: compresses a package's sources (SZDD) and lays it out on disks. See
// docs/distributor-kit.md.
#include "kit/KitFiles.h"
#include "qpack/Packer.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char kUsage[] = "usage: qpack [options] <package folder> <output folder>\n"
                      "  --disks SIZE       lay the package out as DISK1, DISK2 ... of at most SIZE bytes each\n"
                      "                     (K = 1024, M = 1024 K; 1457664 for a 1.44 MB floppy)\n"
                      "  --compress smaller|always|never   compress a source when that makes it smaller (default),\n"
                      "                     always, or never\n"
                      "  --effort N         candidates the compressor looks at per byte (default 256)\n"
                      "The output is checked with qcheck's rules; exit codes as qcheck's, 3 when nothing was written.\n";

int Usage(const std::string& problem)
{
    std::fprintf(stderr, "qpack: %s\n%s", problem.c_str(), kUsage);
    return 3;
}

} // namespace

int main(int argc, char** argv)
{
    PackRequest request;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--disks" && hasValue) {
            request.diskSize = ParseSize(argv[++i]);
            if (!request.diskSize) return Usage("--disks takes a size");
        } else if (arg == "--compress" && hasValue) {
            const std::string mode = argv[++i];
            if (mode == "smaller") request.compress = CompressMode::Smaller;
            else if (mode == "always") request.compress = CompressMode::Always;
            else if (mode == "never") request.compress = CompressMode::Never;
            else return Usage("--compress takes smaller, always or never");
        } else if (arg == "--effort" && hasValue) {
            request.effort = std::atoi(argv[++i]);
            if (request.effort < 1) return Usage("--effort takes a number from 1");
        } else if (arg.rfind("--", 0) == 0) {
            return Usage("unexpected " + arg);
        } else {
            folders.push_back(arg);
        }
    }
    if (folders.size() != 2) return Usage("a package folder and an output folder are needed");
    request.input = folders[0];
    request.output = folders[1];

    const PackResult result = Pack(request);
    std::string out;
    for (const Finding& f : result.refused) out += AnsiToUtf8(FormatFinding(f, Language::English)) + "\n";
    for (const std::string& note : result.notes) out += "qpack: " + AnsiToUtf8(note) + "\n";
    if (!result.written) {
        WriteStdout(out);
        std::fprintf(stderr, "qpack: %s\n", result.problem.c_str());
        return 3;
    }
    char summary[200];
    std::snprintf(summary, sizeof summary, "qpack: %d disk(s); sources %llu -> %llu bytes\n", result.disks,
                  static_cast<unsigned long long>(result.bytesIn), static_cast<unsigned long long>(result.bytesOut));
    out += summary;
    int errors = 0, warnings = 0;
    for (const Finding& f : result.check.findings) {
        (SeverityOf(f) == Severity::Error ? errors : warnings) += 1;
        out += AnsiToUtf8(FormatFinding(f, Language::English)) + "\n";
    }
    WriteStdout(out);
    return errors ? 2 : warnings ? 1 : 0;
}
