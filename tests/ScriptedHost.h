// A host for tests: answers questions from a script and records every call, so tests
// can assert exact texts, captions and flag values. Waits take no time.
#pragma once
#include "services/Host.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

class ScriptedHost : public Host {
public:
    struct Question {
        std::string text;
        std::string caption;
        unsigned flags;
        int unattended = IDOK; // the answer the call site names for nobody at the screen
    };

    // Answers handed out in order; when they run out, 1 (OK) is answered, or the
    // question's own unattended answer when unattendedWhenOut is set.
    std::deque<int> answers;
    bool unattendedWhenOut = false;
    std::vector<Question> questions;
    std::vector<std::string> logs;
    int restarts = 0;
    bool restartAccepted = true;
    struct Progress {
        std::string log;
        std::string detail;
    };
    std::vector<Progress> progress;
    int processMessagesCalls = 0;
    int lastAnswer = 0;
    HWND owner = nullptr;
    // Called with each question once it is recorded, before it is answered: a test can
    // change the world the way a user would while a message box is open.
    std::function<void(const Question&)> onQuestion;

    using Host::Ask;
    int Ask(const std::string& text, const std::string& caption, unsigned flags, int unattended) override
    {
        questions.push_back({text, caption, flags, unattended});
        if (onQuestion) onQuestion(questions.back());
        lastAnswer = unattendedWhenOut ? unattended : 1;
        if (!answers.empty()) {
            lastAnswer = answers.front();
            answers.pop_front();
        }
        return lastAnswer;
    }
    void ShowProgress(const std::string& log, const std::string& detail) override { progress.push_back({log, detail}); }
    void Log(const std::string& line) override { logs.push_back(line); }
    void ProcessMessages() override { ++processMessagesCalls; }
    HWND OwnerWindow() const override { return owner; }

    // Run-window calls, recorded in order as short words ("begin", "pause 350",
    // "counter 3/10", ...), so tests can assert the sequence a run produces.
    std::vector<std::string> events;
    WizardOptions options;
    bool abortRequested = false;
    // Every AbortRequested() check records the line then open in the progress text (after
    // its last line break) and requests the abort when abortWhen says so for that line.
    std::function<bool(const std::string& openLine)> abortWhen;
    mutable std::vector<std::string> abortChecks;
    int completionChoice = 1;
    std::deque<std::string> deletionAnswers; // "Yes" when they run out
    std::vector<std::string> deletionQuestions;

    void BeginRun(int pauseMs) override { events.push_back("begin " + std::to_string(pauseMs)); }
    void Pause(int milliseconds) override { events.push_back("pause " + std::to_string(milliseconds)); }
    void ShowCounter(int done, int total, int percent) override
    {
        events.push_back("counter " + std::to_string(done) + "/" + std::to_string(total) + " " +
                         std::to_string(percent) + "%");
    }
    void SetCounterVisible(bool visible) override { events.push_back(visible ? "counter shown" : "counter hidden"); }
    void SetAbortEnabled(bool enabled) override { events.push_back(enabled ? "abort on" : "abort off"); }
    bool AbortRequested() const override
    {
        const std::string log = progress.empty() ? std::string() : progress.back().log;
        const std::size_t lineEnd = log.rfind("\r\n");
        abortChecks.push_back(lineEnd == std::string::npos ? log : log.substr(lineEnd + 2));
        return abortRequested || (abortWhen && abortWhen(abortChecks.back()));
    }
    WizardOptions Options() const override { return options; }
    void ShowFailureDetails(const std::string& frameCaption, const std::string& details) override
    {
        events.push_back("details " + frameCaption);
        failureDetails = details;
    }
    std::string failureDetails;
    void WaitForNext() override { events.push_back("next"); }
    int ShowCompletionPage(const CompletionPage& page) override
    {
        events.push_back("completion");
        completion = page;
        return completionChoice;
    }
    CompletionPage completion;
    std::string AskDeletion(const std::string& text) override
    {
        deletionQuestions.push_back(text);
        std::string answer = "Yes";
        if (!deletionAnswers.empty()) {
            answer = deletionAnswers.front();
            deletionAnswers.pop_front();
        }
        return answer;
    }
    bool RestartWindows() override
    {
        ++restarts;
        events.push_back("restart");
        return restartAccepted;
    }
    bool mayStartProgram = true;
    bool MayStartProgramAfterRun() const override { return mayStartProgram; }
    void EndRun() override { events.push_back("end"); }
};
