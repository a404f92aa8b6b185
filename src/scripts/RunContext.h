// What both runs share: the program-wide state, the host, the script (or record) copy
// they read, read once, and the failure log with its count.
#pragma once
#include "foundation/AppState.h"
#include "foundation/IniDocument.h"
#include "services/Host.h"
#include "services/RunResult.h"

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

struct RecordSectionInfo;

class RunContext {
public:
    RunContext(AppState& state, Host& host);

    AppState& state;
    Host& host;
    // The copy in WorkFolder: it does not change while the run works.
    IniDocument script;
    int failureCount = 0;

    // A question through the host; the answer is also the program's LastAnswer.
    int Ask(const std::string& text, const std::string& caption, unsigned flags, int unattended = IDOK);
    // Logs an action's outcome: success, or the code and the system's text.
    void LogResult(const std::string& action, std::uint32_t code);
    // Sets the progress label to MessageLog, with the detail on a line below it.
    void Show(const std::string& detail = {});
    // Appends a failure block: tag, path, the error line (or text), an empty line.
    void AddFailure(const char* tag, const std::string& path, const std::string& errorLine);

    // The completion page's text when a restart completes the run; word is SetupWord or
    // UnSetupWord.
    static std::string RestartText(const std::string& word);
    // Shows the completion page and, when the run needs a restart (RebootRequired) and
    // the choice does not decline it (option 2), restarts Windows; RebootRequired is left
    // true only when Windows accepted. Notes both in result. Returns the choice.
    int CompleteWithPage(const CompletionPage& page, RunResult& result);

    // The folder values in force now ("(App)" once a run has fixed it).
    const FolderValues& Folders() const { return state; }
    // A value of the copy, "" when missing.
    std::string Read(const char* section, const std::string& key) const { return script.Get(section, key, ""); }
    // An open list of the copy: prefix1, prefix2 ... up to the first empty one.
    std::vector<std::string> ReadList(const char* section, const char* prefix) const;
    // Entry n (from 1) of such a list, read as it is needed: a list as long as the
    // package is not held twice. "" from the first empty entry on ends the list.
    std::string ListEntry(const char* section, const char* prefix, int n) const
    {
        return script.Get(section, prefix + std::to_string(n), "");
    }
    // The same for a section of the uninstall record.
    std::vector<std::string> ReadList(const RecordSectionInfo& section) const;
    std::string ListEntry(const RecordSectionInfo& section, int n) const;
};

// A stage's line in the progress text, owned by the stage: made where the stage begins
// (its text is appended, StepResult takes the first result word, and both are shown),
// closed where it ends (Close(), or leaving the scope: the result word the stage came to
// and a line break are appended and shown, and StepResult is "完了" again). A stage that
// ends the run by an exception leaves its line as it stands.
class StageLine {
public:
    StageLine(RunContext& run, const std::string& text, const char* firstWord = "完了");
    ~StageLine();
    StageLine(const StageLine&) = delete;
    StageLine& operator=(const StageLine&) = delete;
    void Close();

private:
    RunContext& run_;
    const int unwinding_ = std::uncaught_exceptions();
    bool open_ = true;
};
