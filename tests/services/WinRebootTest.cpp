// Reboot itself is exercised in a throwaway Wine prefix by tests/reboot_test.sh: under
// Wine, ExitWindowsEx ends the session of every process of the prefix.
#include "services/WinReboot.h"

#include "foundation/Handles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

namespace {

// The attributes of the named privilege in this process's token; -1 when not held.
long PrivilegeAttributes(const char* name)
{
    LUID luid{};
    if (!LookupPrivilegeValueA(nullptr, name, &luid)) return -1;
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return -1;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) return -1;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID& held = privileges->Privileges[i].Luid;
        if (held.LowPart == luid.LowPart && held.HighPart == luid.HighPart)
            return static_cast<long>(privileges->Privileges[i].Attributes);
    }
    return -1;
}

} // namespace

TEST(WinReboot, SetPrivilegeEnablesAndDisablesTheShutdownPrivilegeInTheToken)
{
    TWinReboot reboot;
    ASSERT_NE(PrivilegeAttributes("SeShutdownPrivilege"), -1) << "the prefix's user holds it";
    EXPECT_TRUE(reboot.SetPrivilege("SeShutdownPrivilege", true));
    EXPECT_TRUE(PrivilegeAttributes("SeShutdownPrivilege") & SE_PRIVILEGE_ENABLED);
    EXPECT_TRUE(reboot.SetPrivilege("SeShutdownPrivilege", false));
    EXPECT_FALSE(PrivilegeAttributes("SeShutdownPrivilege") & SE_PRIVILEGE_ENABLED);
}

TEST(WinReboot, SetPrivilegeRefusesAnUnknownName)
{
    TWinReboot reboot;
    EXPECT_FALSE(reboot.SetPrivilege("SeNoSuchPrivilege", true));
    EXPECT_FALSE(reboot.SetPrivilege("", true));
}

TEST(WinReboot, SetPrivilegeIsFalseForAPrivilegeTheTokenDoesNotHold)
{
    // AdjustTokenPrivileges succeeds even then; only ERROR_NOT_ALL_ASSIGNED tells.
    const char* candidates[] = {"SeCreateTokenPrivilege", "SeTcbPrivilege", "SeTrustedCredManAccessPrivilege",
                                "SeRelabelPrivilege", "SeEnableDelegationPrivilege"};
    for (const char* name : candidates) {
        LUID luid{};
        if (!LookupPrivilegeValueA(nullptr, name, &luid) || PrivilegeAttributes(name) != -1) continue;
        EXPECT_FALSE(TWinReboot().SetPrivilege(name, true)) << name;
        return;
    }
    GTEST_SKIP() << "the token holds every candidate privilege";
}
