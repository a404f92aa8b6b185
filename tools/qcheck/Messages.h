// The checker's warnings: stable numbers (docs/distributor-kit.md lists them), severity,
// and the text in English and Japanese.
#pragma once
#include <string>
#include <vector>

enum class Severity { Warning, Error };
enum class Language { English, Japanese };

struct MessageDef {
    int code;
    Severity severity;
    const char* en;
    const char* ja;
    // Appended when the last argument is not empty (a suggestion such as the nearest
    // known name); that argument is then %N of the hint.
    const char* enHint = nullptr;
    const char* jaHint = nullptr;
};

// The definition of Q<code>, or nullptr for a number that is none.
const MessageDef* FindMessage(int code);
// Every definition, in number order.
const std::vector<MessageDef>& AllMessages();

// The text with %1, %2 ... replaced by the arguments (CP932 like the texts).
std::string FormatText(const MessageDef& def, Language language, const std::vector<std::string>& args);
