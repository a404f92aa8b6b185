// Restarting Windows at the end of a run that needs it.
#pragma once
#include <cstdint>
#include <string>

class TWinReboot {
public:
    // Enables (or disables) the named privilege in this process's token. False when the
    // name is unknown, the token cannot be adjusted, or the token does not hold it.
    bool SetPrivilege(const std::string& name, bool enable);

    // Asks Windows to end the session with the ExitWindowsEx flags (callers pass
    // EWX_REBOOT, 2), holding the shutdown privilege for the call. True when Windows
    // accepted the request; the privilege steps' results do not count.
    bool Reboot(std::uint32_t flags);
};
