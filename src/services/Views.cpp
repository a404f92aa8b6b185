#include "services/Views.h"

#include "foundation/uStrOp.h"

int OwnBits()
{
    return sizeof(void*) == 8 ? 64 : 32;
}

int RecordBits(const std::string& note)
{
    return note == "32" || note == "64" ? std::stoi(note) : 0;
}

REGSAM ViewFlag(int bits)
{
    if (bits == 0 || bits == OwnBits()) return 0;
    return bits == 32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

namespace {

// True for a 32-bit process on 64-bit Windows. Looked up at run time: older systems
// lack the call and run no WoW64.
bool UnderWow64()
{
    using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto query = reinterpret_cast<IsWow64>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return query && query(GetCurrentProcess(), &wow64) && wow64;
}

} // namespace

int OtherBits(int bits)
{
    if ((bits ? bits : OwnBits()) == 64) return 32;
    return OwnBits() == 64 || UnderWow64() ? 64 : 0;
}

std::string PathInView(const std::string& path, int bits, const std::string& windowsFolder,
                       const std::string& systemFolder)
{
    if (ViewFlag(bits) == 0) return path;
    const std::string system = AddBackslash(systemFolder, "B");
    const std::size_t length = system.size();
    if (path.size() <= length || PosNoCase(system, Left(path, static_cast<int>(length))) != 1) return path;
    const std::string rest = path.substr(length);
    // These stay shared by both views.
    for (const char* exempt : {"catroot\\", "catroot2\\", "drivers\\etc\\", "logfiles\\", "spool\\"}) {
        const std::string e = exempt;
        if (PosNoCase(e, Left(rest, static_cast<int>(e.size()))) == 1) return path;
    }
    return AddBackslash(windowsFolder, "B") + (bits == 32 ? "SysWOW64\\" : "Sysnative\\") + rest;
}
