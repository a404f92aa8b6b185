// Packed files as the installer takes them: the 1,000 random files of the native round
// trip, packed by qpack here, each expanded by the installer's own ExpandCompressed
// (the system's LZ functions) under the name it gives the file.
#include "RandomPackage.h"

#include "ScriptedHost.h"
#include "TestSupport.h"
#include "foundation/uStrOp.h"
#include "qpack/Packer.h"
#include "scripts/ScriptActions.h"
#include "scripts/ScriptLists.h"
#include "services/FileOps.h"

#include <gtest/gtest.h>

TEST(Expand, ThousandRandomFilesInstallUnderTheirNames)
{
    ScratchFolder dir;
    const std::vector<RandomFile> files = RandomFiles(1000, 1000);
    CreateDirectoryA((dir / "in").c_str(), nullptr);
    CreateDirectoryA((dir / "tmp").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(dir / "in\\SETUP.EXE", "MZ"));
    ASSERT_TRUE(WriteFileBytes(dir / "in\\SETUP.INI", ScriptFor(files)));
    for (const RandomFile& f : files) ASSERT_TRUE(WriteFileBytes(dir / "in\\" + f.name, f.bytes));
    PackRequest request;
    request.input = dir / "in";
    request.output = dir / "out";
    request.compress = CompressMode::Always;
    ASSERT_TRUE(Pack(request).written);

    ScriptedHost host;
    FolderValues folders;
    folders.AppFolder = dir / "out\\";
    folders.InstallFolder = dir / "target\\";
    const std::vector<std::string> entries = ReadOpenList(dir / "out\\SETUP.INI", "CopyFile", "File");
    ASSERT_EQ(entries.size(), files.size());
    int compressed = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const CopyEntry e = ParseCopyEntry(folders, entries[i]);
        std::string source = e.source, target = e.target;
        if (e.compressed) {
            const std::string answer = ExpandCompressed(host, e.source, e.target, dir / "tmp\\");
            source = GetField(answer, ",", 1);
            target = GetField(answer, ",", 2);
            ++compressed;
        }
        EXPECT_EQ(target, folders.InstallFolder + files[i].name) << entries[i];
        EXPECT_TRUE(ReadFileBytes(source) == files[i].bytes) << entries[i] << ", " << files[i].bytes.size() << " bytes";
    }
    EXPECT_EQ(compressed, 1000);
}
