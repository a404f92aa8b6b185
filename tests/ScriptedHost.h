// A host for tests: answers questions from a script and records every call, so tests
// can assert exact texts, captions and flag values. Waits take no time.
#pragma once
#include "services/Host.h"

#include <deque>
#include <string>
#include <vector>

class ScriptedHost : public Host {
public:
    struct Question {
        std::string text;
        std::string caption;
        unsigned flags;
    };

    // Answers handed out in order; when they run out, 1 (OK) is answered.
    std::deque<int> answers;
    std::vector<Question> questions;
    struct Progress {
        std::string log;
        std::string detail;
    };
    std::vector<Progress> progress;
    int processMessagesCalls = 0;
    int lastAnswer = 0;
    HWND owner = nullptr;

    int Ask(const std::string& text, const std::string& caption, unsigned flags) override
    {
        questions.push_back({text, caption, flags});
        lastAnswer = 1;
        if (!answers.empty()) {
            lastAnswer = answers.front();
            answers.pop_front();
        }
        return lastAnswer;
    }
    void ShowProgress(const std::string& log, const std::string& detail) override
    {
        progress.push_back({log, detail});
    }
    void ProcessMessages() override { ++processMessagesCalls; }
    HWND OwnerWindow() const override { return owner; }
};
