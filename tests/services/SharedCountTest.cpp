#include "services/SharedComponents.h"

#include "foundation/Handles.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

const char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Value names are scratch paths, unique to this run; every test removes its values.
// The register itself is read and written with the plain Win32 API.
class SharedCountTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::string* name : {&fresh_, &present_}) {
            UniqueRegKey key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
                RegDeleteValueA(key.get(), name->c_str());
        }
    }

    static void SetRaw(const std::string& name, DWORD type, const void* data, DWORD size)
    {
        UniqueRegKey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    static void SetCount(const std::string& name, DWORD count) { SetRaw(name, REG_DWORD, &count, sizeof count); }

    // The stored count; -100 when there is no value, -200 when it is no REG_DWORD.
    static long Stored(const std::string& name)
    {
        UniqueRegKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
            return -100;
        DWORD type = 0, value = 0, size = sizeof value;
        if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS)
            return -100;
        return type == REG_DWORD && size == 4 ? static_cast<long>(value) : -200;
    }

    ScratchFolder dir_;
    const std::string fresh_ = dir_ / "表示\\fresh.dll"; // a trail byte 0x5C inside the name
    const std::string present_ = dir_ / "present.ocx";
};

constexpr long kNoValue = -100;

} // namespace

TEST_F(SharedCountTest, InstallingCountsUpFromTheFilesPresence)
{
    EXPECT_EQ(GetSharedCount(fresh_), 0);
    EXPECT_EQ(ChangeSharedCount(fresh_, true), 1) << "a file not there yet has no earlier user";
    EXPECT_EQ(Stored(fresh_), 1);

    ASSERT_TRUE(WriteFileBytes(present_, "MZ"));
    EXPECT_EQ(ChangeSharedCount(present_, true), 2) << "an uncounted file stands for one earlier user";
    EXPECT_EQ(Stored(present_), 2);
    EXPECT_EQ(ChangeSharedCount(present_, true), 3);
    EXPECT_EQ(Stored(present_), 3);
    EXPECT_EQ(GetSharedCount(present_), 3);
}

TEST_F(SharedCountTest, UninstallingCountsDownAndDropsTheValueAtZero)
{
    SetCount(present_, 2);
    EXPECT_EQ(ChangeSharedCount(present_, false), 1) << "other users remain";
    EXPECT_EQ(Stored(present_), 1);
    EXPECT_EQ(ChangeSharedCount(present_, false), 0) << "the last user: the file may go";
    EXPECT_EQ(Stored(present_), kNoValue);
    EXPECT_EQ(ChangeSharedCount(present_, false), -1) << "never counted";
    EXPECT_EQ(Stored(present_), kNoValue);
}

TEST_F(SharedCountTest, AValueOfAnotherTypeCountsZero)
{
    SetRaw(present_, REG_SZ, "5", 2);
    EXPECT_EQ(GetSharedCount(present_), 0);
    const unsigned char eight[8] = {5};
    SetRaw(present_, REG_BINARY, eight, sizeof eight);
    EXPECT_EQ(GetSharedCount(present_), 0);

    // Counting up replaces it with a proper count; the file is missing, so from 0.
    EXPECT_EQ(ChangeSharedCount(present_, true), 1);
    EXPECT_EQ(Stored(present_), 1);

    SetRaw(present_, REG_SZ, "5", 2);
    EXPECT_EQ(ChangeSharedCount(present_, false), -1);
    EXPECT_EQ(Stored(present_), kNoValue) << "counting down a non-count removes it";
}
