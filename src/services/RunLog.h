// The wording of the run log's action lines, shared by both runs.
#pragma once
#include <cstdint>
#include <string>

// action + " -> 成功" for code 0, else action + " -> エラー " + code + " " + the system's
// text for it (one line).
std::string ActionLogLine(const std::string& action, std::uint32_t code);
