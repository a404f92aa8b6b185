// Helpers of the kit's native tests: scratch folders, files, and running the programs.
#pragma once
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct Output {
    int exit = -1;
    std::string out; // standard output
};
// Runs a shell command line; its exit code and standard output.
Output Shell(const std::string& command);
// A path quoted for the shell.
std::string Quoted(const std::string& path);

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);

// A package of the checker's tests (tests/kit/packages/NAME) copied to folder, with its
// *.TXT files listed in compress made SZDD by mscompress (an independent writer that
// stores no last character), named *.TX_.
void CopyTestPackage(const std::string& name, const std::string& folder, const std::vector<std::string>& compress);
// The demo package as make-demo-package.sh builds it (stand-ins for SETUP.EXE and the
// component), both disks together in one folder when merged.
void MakeDemoPackage(const std::string& folder, bool merged);
