#include "services/RunLog.h"

#include "foundation/uStrOp.h"

std::string ActionLogLine(const std::string& action, std::uint32_t code)
{
    if (code == 0) return action + " -> 成功";
    std::string text = ErrorText(code);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return action + " -> エラー " + std::to_string(code) + " " + text;
}
