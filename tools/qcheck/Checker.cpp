#include "qcheck/Checker.h"

#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"
#include "kit/KitFiles.h"
#include "qcheck/Rules.h"

#include <algorithm>

namespace {

// Warning numbers in a list such as "Q12, Q30 31" (a "Q" is optional).
std::set<int> ParseNumbers(const std::string& list, std::vector<std::string>* unknown)
{
    std::set<int> numbers;
    std::string word;
    const auto close = [&] {
        std::string digits = word;
        if (!digits.empty() && (digits[0] == 'Q' || digits[0] == 'q')) digits.erase(0, 1);
        const bool number = !digits.empty() && digits.size() < 6 &&
                            digits.find_first_not_of("0123456789") == std::string::npos;
        if (number && FindMessage(std::stoi(digits))) numbers.insert(std::stoi(digits));
        else if (!word.empty() && unknown) unknown->push_back(word);
        word.clear();
    };
    for (const char ch : list) {
        if (ch == ',' || ch == ' ' || ch == ';' || ch == '\t') close();
        else word += ch;
    }
    close();
    return numbers;
}

// The file name of a path given on the command line, as the reports name the file.
std::string DisplayName(const std::string& path)
{
    std::size_t start = 0;
    for (std::size_t p = 1; p <= path.size(); p += CharLength(path, p))
        if (path[p - 1] == '/' || IsPathDelimiter(path, p)) start = p;
#ifdef _WIN32
    return path.substr(start);
#else
    return Utf8ToAnsi(path.substr(start));
#endif
}

} // namespace

FolderValues ReferenceMachine()
{
    FolderValues f;
    // The longest user name Windows allows, 20 characters.
    const std::string user = "C:\\Users\\Quillon-Reference-20\\";
    const std::string roaming = user + "AppData\\Roaming\\Microsoft\\Windows\\";
    const std::string common = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\";
    f.AppFolder = "D:\\";
    f.TempFolder = user + "AppData\\Local\\Temp\\";
    f.WindowsFolder = "C:\\Windows\\";
    f.SystemFolder = "C:\\Windows\\system32\\";
    f.ProgramFilesFolder = "C:\\Program Files (x86)\\";
    f.MyDocumentsFolder = user + "Documents\\";
    f.StartMenuFolder = roaming + "Start Menu\\";
    f.ProgramsFolder = roaming + "Start Menu\\Programs\\";
    f.DesktopFolder = user + "Desktop\\";
    f.StartupFolder = roaming + "Start Menu\\Programs\\Startup\\";
    f.SendToFolder = roaming + "SendTo\\";
    f.CommonStartMenuFolder = common;
    f.CommonProgramsFolder = common + "Programs\\";
    f.CommonDesktopFolder = "C:\\Users\\Public\\Desktop\\";
    f.CommonStartupFolder = common + "Programs\\Startup\\";
    f.CommonDocumentsFolder = "C:\\Users\\Public\\Documents\\";
    f.BootDrive = "C:\\";
    f.ExeDrive = "D:\\";
    return f;
}

CheckResult CheckPackage(const CheckRequest& request)
{
    CheckResult result;
    std::optional<Package> package = OpenPackage(request.package);
    if (!package) {
        result.problem = "no SETUP.INI (nor DISK1\\SETUP.INI) in " + request.package;
        return result;
    }
    Context c{std::move(*package), {}, request.machine, {}, {}, {}};
    const bool scriptRead = c.script.Load(c.package.script, "SETUP.INI", c.findings);
    if (!scriptRead && c.findings.empty()) {
        result.problem = "cannot read " + c.package.script;
        return result;
    }
    std::set<int> disabled = request.disabled;
    if (scriptRead) {
        // (App) is the script's default folder: the one most installations go to.
        c.folders.InstallFolder = AddBackslash(
            ExpandFolderMacros(c.folders, c.script.Get("DefaultFolder", "Folder", "(Prg)\\")), "B");
        c.folders.InstallDrive = AddBackslash(Left(c.folders.InstallFolder, 2), "B");
        CheckStructure(c, c.script, ScriptSchema());
        CheckValues(c);
        CheckFilesAndPaths(c);
        std::vector<std::string> unknown;
        for (const int n : ParseNumbers(c.script.Get("QCheck", "Disable"), &unknown)) disabled.insert(n);
        for (const std::string& word : unknown) c.Report(c.script, c.script.LineOf("QCheck", "Disable"), 90, {word});
    }
    if (!request.record.empty()) {
        ScriptFile record;
        const std::size_t before = c.findings.size();
        if (record.Load(request.record, DisplayName(request.record), c.findings)) {
            CheckRecord(c, record);
        } else if (c.findings.size() == before) {
            result.problem = "cannot read " + request.record;
            return result;
        }
    }
    result.readable = true;
    std::erase_if(c.findings, [&](const Finding& f) { return disabled.count(f.code) != 0; });
    // SETUP.INI first, then the record; by line, then by number.
    std::stable_sort(c.findings.begin(), c.findings.end(), [](const Finding& a, const Finding& b) {
        const bool aScript = a.file == "SETUP.INI", bScript = b.file == "SETUP.INI";
        if (aScript != bScript) return aScript;
        if (a.line != b.line) return a.line < b.line;
        return a.code < b.code;
    });
    result.findings = std::move(c.findings);
    return result;
}

std::set<int> ParseDisableList(const std::string& list)
{
    return ParseNumbers(list, nullptr);
}

Severity SeverityOf(const Finding& finding)
{
    const MessageDef* def = FindMessage(finding.code);
    return def ? def->severity : Severity::Error;
}

std::string FormatFinding(const Finding& finding, Language language)
{
    const MessageDef* def = FindMessage(finding.code);
    return finding.file + "(" + std::to_string(finding.line) +
           "): " + (SeverityOf(finding) == Severity::Error ? "error" : "warning") + " Q" +
           std::to_string(finding.code) + ": " + (def ? FormatText(*def, language, finding.args) : std::string());
}
