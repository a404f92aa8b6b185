#include "Corpus.h"

#include "FuzzSupport.h"
#include "TestSupport.h"

#include <windows.h>

namespace {

// The tests' placeholders become the fuzzer's: "@RUN@" is the run's id, "(App)" the
// installation folder the fuzzer puts into a record.
std::string MapPlaceholders(std::string text)
{
    text = ReplaceAll(text, "@DIR@", "(App)");
    text = ReplaceAll(text, "@PROGRAMS@", "(Sta)");
    text = ReplaceAll(text, "@TITLE@", "QuillonFuzz @RUN@");
    text = ReplaceAll(text, "@KEY@", "QuillonFuzz @RUN@");
    text = ReplaceAll(text, "@EXT@", "qfz@RUN@e");
    text = ReplaceAll(text, "@PID@", "@RUN@");
    return text;
}

bool LooksLikeRecord(const std::string& text)
{
    const std::string upper = AsciiUpper(text);
    return upper.find("[DELETEFILE]") != std::string::npos || upper.find("[SETUPFOLDER]") != std::string::npos ||
           upper.find("[UNSETUPREGISTRYKEY]") != std::string::npos;
}

void Add(Corpus& corpus, const std::string& name, const std::string& text)
{
    if (text.empty()) return;
    Seed seed{name, MapPlaceholders(text), LooksLikeRecord(text)};
    (seed.record ? corpus.records : corpus.scripts).push_back(std::move(seed));
}

std::vector<std::string> FilesIn(const std::string& folder, const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((folder + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

std::vector<std::string> FoldersIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

// The raw string literals of a test source that hold a section header.
void AddEmbeddedScripts(Corpus& corpus, const std::string& path, const std::string& name)
{
    const std::string source = ReadFileBytes(path);
    for (std::size_t p = source.find("R\"("); p != std::string::npos; p = source.find("R\"(", p + 3)) {
        const std::size_t end = source.find(")\"", p + 3);
        if (end == std::string::npos) break;
        const std::string body = source.substr(p + 3, end - p - 3);
        if (body.find("[") == std::string::npos || body.find("]\n") == std::string::npos) continue;
        Add(corpus, name + "@" + std::to_string(p), ReplaceAll(Utf8ToCp932(body), "\n", "\r\n"));
    }
}

void AddTestSources(Corpus& corpus, const std::string& folder, const std::string& name)
{
    for (const std::string& file : FilesIn(folder, "*Test.cpp")) AddEmbeddedScripts(corpus, folder + file, name + file);
    for (const std::string& sub : FoldersIn(folder)) AddTestSources(corpus, folder + sub + "\\", name + sub + "/");
}

const char* const kBuiltInScript = "[Title]\r\nSetup=QuillonFuzz @RUN@\r\nUnSetupKey=QuillonFuzz @RUN@\r\n"
                                   "[Extend]\r\nUnSetupOption=1,0,1,0\r\nUnSetupCheckBox3=*.bak\r\n"
                                   "[MakeFolder]\r\nFolder1=(App)\\Data\r\n"
                                   "[CopyFile]\r\nFile1=(App)\\a.txt\r\nFile2=(App)\\Data\\b.dll,/S/R\r\n"
                                   "[ShortCut]\r\nMake1=(App)\\a.txt\r\nName1=(Sta)\\Fuzz\\A\r\n"
                                   "[Registry]\r\nKey1=(Cuser)\\Software\\QuillonFuzz\\@RUN@\\x\r\nName1=V\r\nValue1=(Str)(App)\r\n"
                                   "[AddDeleteFile]\r\nFile1=(App)\\*.log\r\n";

const char* const kBuiltInRecord =
    "[Title]\r\nUnSetup=QuillonFuzz @RUN@\r\n\r\n[SetupFolder]\r\nFolder=(App)\r\n\r\n"
    "[DeleteFolder]\r\nFolder1=(App)Data\\\r\n\r\n"
    "[DeleteFile]\r\nFile1=(App)a.txt\r\nFile2=(App)Data\\b.dll,/S\r\nFile3=(App)UNSETUP.INI\r\n\r\n"
    "[DeleteShortCut]\r\nFile1=(Sta)Fuzz\\A.lnk\r\n\r\n"
    "[DeleteRegistry]\r\nKey1=(Cuser)\\Software\\QuillonFuzz\\@RUN@\\x\r\n\r\n"
    "[AddDeleteFile]\r\nFile1=(App)*.log\r\n\r\n[RestoreRelate]\r\n\r\n"
    "[UnSetupOption]\r\nCheckBox=1,0,1,0\r\nCheckBox3=*.bak\r\n\r\n"
    "[UnSetupRegistryKey]\r\nKey=SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillonFuzz @RUN@\r\n\r\n"
    "[ProgramID]\r\nID=\r\n";

} // namespace

Corpus LoadCorpus(const std::string& sourceDir)
{
    Corpus corpus;
    Add(corpus, "examples/demo/SETUP.INI", ReadFileBytes(sourceDir + "examples\\demo\\SETUP.INI"));
    for (const char* folder : {"tests\\scripts\\golden\\", "tests\\install\\golden\\", "tests\\e2e\\golden\\"}) {
        for (const std::string& file : FilesIn(sourceDir + folder, "*.INI"))
            Add(corpus, std::string(folder) + file, ReadFileBytes(sourceDir + folder + file));
    }
    AddTestSources(corpus, sourceDir + "tests\\", "tests/");
    Add(corpus, "built-in script", kBuiltInScript);
    Add(corpus, "built-in record", kBuiltInRecord);
    return corpus;
}
