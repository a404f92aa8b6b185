// qcheck: checks a package before it ships. See docs/distributor-kit.md.
#include "kit/KitFiles.h"
#include "qcheck/Checker.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kUsage[] = "usage: qcheck [options] <package folder>\n"
                      "  --record FILE      check an uninstall record (UNSETUP.INI) as well\n"
                      "  --lang en|ja       language of the texts (default: the system's)\n"
                      "  --encoding utf-8|cp932  of the output (default: utf-8 on Linux, cp932 on Windows)\n"
                      "  --json             one JSON document (UTF-8) instead of lines\n"
                      "  --werror           warnings count as errors\n"
                      "  --disable LIST     numbers not to report, e.g. Q12,Q30 (also [QCheck] Disable= in the script)\n"
                      "exit codes: 0 clean, 1 warnings, 2 errors, 3 nothing checked\n";

Language SystemLanguage()
{
#ifdef _WIN32
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese : Language::English;
#else
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::strncmp(value, "ja", 2) == 0 ? Language::Japanese : Language::English;
    }
    return Language::English;
#endif
}

std::string JsonString(const std::string& utf8)
{
    std::string out = "\"";
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') out += std::string("\\") + ch;
        else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else out += ch;
    }
    return out + "\"";
}

int Usage(const std::string& problem)
{
    std::fprintf(stderr, "qcheck: %s\n%s", problem.c_str(), kUsage);
    return 3;
}

} // namespace

int main(int argc, char** argv)
{
    CheckRequest request;
    request.machine = ReferenceMachine();
    Language language = SystemLanguage();
#ifdef _WIN32
    bool utf8 = false;
#else
    bool utf8 = true;
#endif
    bool json = false, werror = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--werror") {
            werror = true;
        } else if (arg == "--record" && hasValue) {
            request.record = argv[++i];
        } else if (arg == "--lang" && hasValue) {
            const std::string value = argv[++i];
            if (value != "en" && value != "ja") return Usage("--lang takes en or ja");
            language = value == "ja" ? Language::Japanese : Language::English;
        } else if (arg == "--encoding" && hasValue) {
            const std::string value = argv[++i];
            if (value != "utf-8" && value != "cp932") return Usage("--encoding takes utf-8 or cp932");
            utf8 = value == "utf-8";
        } else if (arg == "--disable" && hasValue) {
            for (const int n : ParseDisableList(argv[++i])) request.disabled.insert(n);
        } else if (arg.rfind("--", 0) == 0 || !request.package.empty()) {
            return Usage("unexpected " + arg);
        } else {
            request.package = arg;
        }
    }
    if (request.package.empty()) return Usage("no package folder");

    const CheckResult result = CheckPackage(request);
    if (!result.readable) {
        std::fprintf(stderr, "qcheck: %s\n", result.problem.c_str());
        return 3;
    }
    int errors = 0, warnings = 0;
    std::string out;
    for (const Finding& f : result.findings) {
        (SeverityOf(f) == Severity::Error ? errors : warnings) += 1;
        const std::string line = FormatFinding(f, language);
        if (!json) {
            out += (utf8 ? AnsiToUtf8(line) : line) + "\n";
            continue;
        }
        const MessageDef* def = FindMessage(f.code);
        out += std::string(out.empty() ? "{\"findings\":[\n" : ",\n") + "{\"file\":" + JsonString(AnsiToUtf8(f.file)) +
               ",\"line\":" + std::to_string(f.line) + ",\"severity\":\"" +
               (SeverityOf(f) == Severity::Error ? "error" : "warning") + "\",\"code\":\"Q" + std::to_string(f.code) +
               "\",\"text\":" + JsonString(AnsiToUtf8(FormatText(*def, language, f.args))) + "}";
    }
    if (json)
        out = (out.empty() ? "{\"findings\":[" : out + "\n") + "],\"errors\":" + std::to_string(errors) +
              ",\"warnings\":" + std::to_string(warnings) + "}\n";
    WriteStdout(out);
    if (errors > 0 || (werror && warnings > 0)) return 2;
    return warnings > 0 ? 1 : 0;
}
