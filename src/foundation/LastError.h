// The error code of a Win32 call that has just failed.
#pragma once
#include <windows.h>

#include <cstdint>

// GetLastError() of the call on the line before, or fallback when the call failed
// without leaving a code: a failure must never read as success (0).
inline std::uint32_t LastErrorOr(std::uint32_t fallback = ERROR_GEN_FAILURE)
{
    const DWORD code = GetLastError();
    return code != 0 ? code : fallback;
}
