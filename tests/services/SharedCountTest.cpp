#include "services/SharedComponents.h"
#include "services/Views.h"

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
        ASSERT_EQ(
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    static void SetCount(const std::string& name, DWORD count) { SetRaw(name, REG_DWORD, &count, sizeof count); }

    // The stored count; -100 when there is no value, -200 when it is no REG_DWORD.
    static long Stored(const std::string& name)
    {
        UniqueRegKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return -100;
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

namespace {

// A count as stored for the differential test: nothing, or data of a type and size.
struct StoredValue {
    const char* name;
    bool present;
    DWORD type;
    std::string bytes;
};

std::string Dword(DWORD value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

} // namespace

// The register opened once must answer and change exactly as the single lookups do, for
// every kind of value and a file present or not, step by step.
TEST_F(SharedCountTest, TheRegisterOpenedOnceAnswersAsTheSingleLookups)
{
    const StoredValue values[] = {
        {"none", false, 0, ""},
        {"zero", true, REG_DWORD, Dword(0)},
        {"one", true, REG_DWORD, Dword(1)},
        {"five", true, REG_DWORD, Dword(5)},
        {"largest", true, REG_DWORD, Dword(0x7FFFFFFF)},
        {"all bits", true, REG_DWORD, Dword(0xFFFFFFFF)},
        {"string", true, REG_SZ, std::string("5", 2)},
        {"four binary bytes", true, REG_BINARY, Dword(3)},
        {"eight bytes", true, REG_QWORD, Dword(3) + Dword(0)},
        {"short dword", true, REG_DWORD, std::string("\x03\x00", 2)},
        {"big endian", true, REG_DWORD_BIG_ENDIAN, Dword(3)},
    };
    const std::string literal = dir_ / "literal表.dll", cached = dir_ / "cached表.dll";
    SharedCountRegister shared;
    for (const bool filePresent : {false, true}) {
        for (const StoredValue& v : values) {
            for (const std::string* name : {&literal, &cached}) {
                UniqueRegKey key;
                ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                          key.put(), nullptr),
                          ERROR_SUCCESS);
                RegDeleteValueA(key.get(), name->c_str());
                if (v.present) SetRaw(*name, v.type, v.bytes.data(), static_cast<DWORD>(v.bytes.size()));
                if (filePresent) ASSERT_TRUE(WriteFileBytes(*name, "MZ"));
                else DeleteFileA(name->c_str());
            }
            SCOPED_TRACE(std::string(v.name) + (filePresent ? ", file present" : ", no file"));
            EXPECT_EQ(shared.Count(cached), GetSharedCount(literal));
            int step = 0;
            for (const bool increment : {false, true, true, false, false, false, true}) {
                SCOPED_TRACE("step " + std::to_string(++step));
                const int others = step % 3 == 1 ? 2 : 0; // the other build's users, now and then
                EXPECT_EQ(shared.Change(cached, increment, others), ChangeSharedCount(literal, increment, others));
                EXPECT_EQ(Stored(cached), Stored(literal));
                EXPECT_EQ(shared.Count(cached), GetSharedCount(literal));
            }
        }
    }
    for (const std::string* name : {&literal, &cached}) {
        UniqueRegKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
            RegDeleteValueA(key.get(), name->c_str());
        DeleteFileA(name->c_str());
    }
}

// A register key deleted while the register holds it open: the next question opens it
// afresh and so makes it again, as a single lookup would have. The machine's own key is
// left alone: HKEY_LOCAL_MACHINE is redirected to a scratch key for this test.
TEST_F(SharedCountTest, TheRegisterReopensAKeyDeletedMeanwhile)
{
    UniqueRegKey scratch;
    const std::string scratchPath = CreateScratchRegistryKey("machine", scratch);
    ASSERT_FALSE(scratchPath.empty());
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch.get()), ERROR_SUCCESS);
    struct Restore {
        ~Restore() { RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr); }
    } restore;
    const auto keyExists = [&] {
        UniqueRegKey key;
        return RegOpenKeyExA(scratch.get(), kSharedDlls, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
    };
    const auto deleteKey = [&] { ASSERT_EQ(RegDeleteTreeA(scratch.get(), kSharedDlls), ERROR_SUCCESS); };

    SharedCountRegister shared;
    EXPECT_EQ(shared.Count(fresh_), 0);
    EXPECT_TRUE(keyExists()) << "made at the first question";
    EXPECT_EQ(shared.Change(fresh_, true), 1);

    deleteKey();
    EXPECT_EQ(shared.Count(fresh_), 0);
    EXPECT_TRUE(keyExists()) << "a read makes the key again";

    deleteKey();
    EXPECT_EQ(shared.Change(fresh_, true), 1) << "a write after the deletion lands in the new key";
    EXPECT_EQ(shared.Change(fresh_, true), 2);
    EXPECT_EQ(shared.Count(fresh_), 2);

    deleteKey();
    EXPECT_EQ(shared.Change(fresh_, false), -1);
    EXPECT_TRUE(keyExists());
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    EXPECT_EQ(Stored(fresh_), kNoValue) << "the machine's own key was never touched";
    RemoveScratchRegistryKey(scratchPath);
}

// The other build's counts through a key held open: every answer as the single lookup's,
// a count changed meanwhile included; the system folder's files never count there.
TEST_F(SharedCountTest, TheOtherBuildsCountsHeldOpenAnswerAsTheSingleLookups)
{
    const int other = OtherBits(0);
    if (other == 0) GTEST_SKIP() << "a system of one view";
    const auto set = [&](const std::string& name, DWORD count) {
        UniqueRegKey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_SET_VALUE | ViewFlag(other),
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        if (count) RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&count), 4);
        else RegDeleteValueA(key.get(), name.c_str());
    };
    const std::string system = dir_ / "system\\";
    OtherBuildCounts counts;
    for (const DWORD count : {0u, 3u, 1u, 0u, 7u, 0u}) {
        set(fresh_, count);
        EXPECT_EQ(counts.Count(fresh_, system), static_cast<int>(count));
        EXPECT_EQ(OtherBuildCount(fresh_, system), static_cast<int>(count));
    }
    set(system + "own.dll", 5);
    EXPECT_EQ(counts.Count(system + "own.dll", system), 0);
    set(system + "own.dll", 0);
}
