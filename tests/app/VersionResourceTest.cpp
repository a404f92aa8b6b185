#include "foundation/VersionInfo.h"
#include "foundation/Handles.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(VersionResource, SetupExeCarriesItsFileVersionInTheJapaneseTable)
{
    EXPECT_EQ(ReadFileVersion(QS_SETUP_EXE), "1.0.0");
    EXPECT_EQ(ReadFileVersion("C:\\no\\such\\file.exe"), "");
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    EXPECT_EQ(ReadFileVersion(self), "") << "a program without a version resource";
}

TEST(VersionResource, SetupExeManifestRequiresAdministratorAndNamesSupportedSystems)
{
    UniqueModule exe(LoadLibraryExA(QS_SETUP_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(exe);
    HRSRC res = FindResourceA(exe.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(res, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(exe.get(), res)));
    const std::string manifest(data, SizeofResource(exe.get(), res));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    for (const char* id : {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(id), std::string::npos) << id;
}
