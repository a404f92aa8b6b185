// The shared ground of the engine tests: an installation run against a scratch machine
// (TestSupport.h) with a package, a work and an installation folder, and the test
// prefix's real registry, with every key and value a test makes removed again.
#pragma once
#include "foundation/AppState.h"
#include "foundation/uStrOp.h"
#include "install/InstallRun.h"
#include "scripts/UninstallRecord.h"
#include "services/Registry.h"
#include "services/Shortcut.h"
#include "ScriptedHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace install_test {

inline const std::string& Pid()
{
    static const std::string pid = std::to_string(GetCurrentProcessId());
    return pid;
}

// A registry value as the system holds it.
struct RegValue {
    DWORD type = 0;
    std::string data;
    bool operator==(const RegValue&) const = default;
};

inline std::optional<RegValue> ReadValue(HKEY root, const std::string& key, const std::string& name)
{
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, size = 0;
    std::optional<RegValue> value;
    if (RegQueryValueExA(k, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string data(size, '\0');
        if (RegQueryValueExA(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS)
            value = RegValue{type, data.substr(0, size)};
    }
    RegCloseKey(k);
    return value;
}

inline bool KeyExists(HKEY root, const std::string& key)
{
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

// A string value as stored: its bytes and the terminating zero.
inline RegValue Sz(const std::string& text, DWORD type = REG_SZ)
{
    return {type, text + std::string(1, '\0')};
}

inline void SetDefaultValue(HKEY root, const std::string& key, const std::string& value)
{
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
    RegSetValueExA(k, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
    RegCloseKey(k);
}

constexpr const char* kSharedDlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Sets a file's last-write time (UTC) to the given day and time.
inline void SetWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD second = 0)
{
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wSecond = second;
    FILETIME ft{};
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);
}

// Runs of counter events collapse to their last: the copy of one file may report its
// progress any number of times, depending on how fast the disk is.
inline std::vector<std::string> SteadyEvents(const std::vector<std::string>& events)
{
    std::vector<std::string> out;
    for (const std::string& e : events) {
        const bool counter = e.rfind("counter ", 0) == 0 && e != "counter shown" && e != "counter hidden";
        if (counter && !out.empty() && out.back().rfind("counter ", 0) == 0 && out.back() != "counter shown" &&
            out.back() != "counter hidden")
            out.back() = e;
        else out.push_back(e);
    }
    return out;
}

// The details shown beside the log, in order, without the empty ones.
inline std::vector<std::string> Details(const ScriptedHost& host)
{
    std::vector<std::string> out;
    for (const auto& p : host.progress)
        if (!p.detail.empty()) out.push_back(p.detail);
    return out;
}

class InstallTest : public ::testing::Test, protected ScratchMachine {
protected:
    InstallTest()
    {
        for (const std::string* folder : {&pkg, &work}) CreateDirectoryA(folder->c_str(), nullptr);
        SetFolders(state);
        state.AppFolder = pkg;
        state.WorkFolder = work;
        state.ScriptFile = work + "SETUP.INI";
        state.RunMode = "SETUP";
        state.OsFamily = "NT";
        state.UnSetupTitle = title;
        EXPECT_TRUE(WriteFileBytes(work + "SETUPQ.EXE", "the running program"));
        state.WorkLocks.programIsThisProgram = true; // as start-up found it

        host.options.folder = RemoveBackslash(inst, "B");
        for (auto& box : host.options.boxes) box.checked = box.enabled = box.visible = true;
    }

    void TearDown() override
    {
        DeleteRegistryKey("(Local)", UninstallKeyPath(title));
        for (const std::string& key : uninstallKeys) DeleteRegistryKey("(Local)", UninstallKeyPath(key));
        for (const std::string& ext : extensions) {
            DeleteRegistryKey("(Class)", "." + ext);
            DeleteRegistryKey("(Class)", ext + "_auto_file");
        }
        RemoveScratchRegistryKey("Software\\QuillonTest\\" + Pid() + "\\x");
        RemoveSharedCounts();
    }

    // The setup script, written as CP932 with CR LF line ends. "@PID@" stands for the
    // process id, "@KEY@" for the test's own installed-programs key.
    void WriteScript(const std::string& text)
    {
        ASSERT_TRUE(WriteFileBytes(state.ScriptFile, Fill(ReplaceToken(text, "\n", "\r\n"))));
    }
    std::string Fill(const std::string& text) const
    {
        return ReplaceToken(ReplaceToken(text, "@PID@", Pid()), "@KEY@", title);
    }
    void AddSource(const std::string& name, const std::string& bytes)
    {
        ASSERT_TRUE(WriteFileBytes(pkg + name, bytes)) << name;
    }
    void MakeInstallFolder()
    {
        CreateDirectoryA((scratch / "inst").c_str(), nullptr);
        CreateDirectoryA(inst.c_str(), nullptr);
        ASSERT_TRUE(Exists(inst));
    }

    // A file extension of the test's own, removed with its class at the end.
    std::string Extension(const std::string& suffix)
    {
        extensions.push_back("qs" + Pid() + suffix);
        return extensions.back();
    }

    // A HKEY_CURRENT_USER key path of the test's own (removed at the end).
    static std::string UserKey(const std::string& name) { return "Software\\QuillonTest\\" + Pid() + "\\x\\" + name; }

    RunResult Run() { return InstallRun(state, host); }

    std::string Record() const { return ReadFileBytes(inst + "UNSETUP.INI"); }
    // A numbered list of the record, read through the system's profile reader.
    std::vector<std::string> RecordLines(const char* section, const char* prefix) const
    {
        std::vector<std::string> lines;
        for (int n = 1;; ++n) {
            char value[4096] = {};
            GetPrivateProfileStringA(section, (prefix + std::to_string(n)).c_str(), "", value, sizeof value,
                                     (inst + "UNSETUP.INI").c_str());
            if (!*value) return lines;
            lines.push_back(value);
        }
    }

    // An expected record written by hand, with the folders of this test put in.
    std::string Golden(const std::string& name) const
    {
        std::string text = ReadFileBytes(std::string(QS_INSTALL_GOLDEN_DIR) + name);
        EXPECT_FALSE(text.empty()) << name;
        text = ReplaceToken(text, "@DIR@", inst);
        text = ReplaceToken(text, "@PROGRAMS@", state.ProgramsFolder);
        text = ReplaceToken(text, "@TITLE@", title);
        return Fill(text);
    }

    // Removes the SharedDLLs counts of every path inside the scratch folder.
    void RemoveSharedCounts() const
    {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &k) != ERROR_SUCCESS)
            return;
        std::vector<std::string> ours;
        char name[4096];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof name;
            if (RegEnumValueA(k, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            const std::string value(name, length);
            if (PosNoCase(scratch.path(), value) == 1) ours.push_back(value);
        }
        for (const std::string& value : ours) RegDeleteValueA(k, value.c_str());
        RegCloseKey(k);
    }

    ComInit com;
    std::string pkg = scratch / "pkg\\";
    std::string work = scratch / "work\\";
    // A blank and the 0x5C trail byte of 表 in the installation folder.
    std::string inst = scratch / "inst\\表示 App\\";
    std::string title = "QuillonTest " + Pid();
    std::vector<std::string> uninstallKeys;
    std::vector<std::string> extensions;
    AppState state;
    ScriptedHost host;
};

} // namespace install_test
