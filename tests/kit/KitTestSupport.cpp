#include "KitTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

TempFolder::TempFolder()
{
    std::string pattern = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : "/tmp") + "/qs-kit.XXXXXX";
    path_ = mkdtemp(pattern.data()) ? pattern : "";
    if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder";
}

TempFolder::~TempFolder()
{
    if (!path_.empty()) Shell("rm -rf " + Quoted(path_));
}

std::string Quoted(const std::string& path)
{
    std::string q = "'";
    for (const char c : path) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

Output Shell(const std::string& command)
{
    Output o;
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return o;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) o.out.append(buffer, n);
    const int status = pclose(p);
    o.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

void CopyTestPackage(const std::string& name, const std::string& folder, const std::vector<std::string>& compress)
{
    const std::string source = std::string(QS_ROOT) + "/tests/kit/packages/" + name;
    ASSERT_EQ(Shell("mkdir -p " + Quoted(folder) + " && cp -r " + Quoted(source) + "/. " + Quoted(folder)).exit, 0);
    for (const std::string& file : compress) {
        const std::string path = folder + "/" + file;
        ASSERT_EQ(Shell("mscompress " + Quoted(path) + " && mv " + Quoted(path + "_") + " " +
                        Quoted(path.substr(0, path.size() - 1) + "_") + " && rm " + Quoted(path))
                      .exit,
                  0);
    }
}

void MakeDemoPackage(const std::string& folder, bool merged)
{
    const std::string standIn = folder + ".exe";
    WriteAll(standIn, "MZ stand-in");
    ASSERT_EQ(Shell(std::string(QS_ROOT) + "/scripts/make-demo-package.sh " + Quoted(folder) + " " + Quoted(standIn) +
                    " " + Quoted(standIn))
                  .exit,
              0);
    std::remove(standIn.c_str());
    if (merged) {
        ASSERT_EQ(Shell("cd " + Quoted(folder) + " && mv disk2/* disk1/ && mv disk1/* . && rmdir disk1 disk2").exit, 0);
    }
}
