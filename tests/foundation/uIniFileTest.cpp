#include "foundation/uIniFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::string IniWithValue(const ScratchFolder& dir, const std::string& value)
{
    const std::string file = dir / "long.ini";
    EXPECT_TRUE(WriteFileBytes(file, "[Sec]\r\nKey=" + value + "\r\nNext=1\r\n"));
    return file;
}

std::string Repeat(const std::string& piece, std::size_t times)
{
    std::string s;
    for (std::size_t i = 0; i < times; ++i) s += piece;
    return s;
}

} // namespace

TEST(ReadIniString, ReturnsValuesOfAnyLengthWhole)
{
    ScratchFolder dir;
    for (std::size_t len : {0u, 1u, 253u, 254u, 255u, 256u, 511u, 1000u, 100000u}) {
        std::string value;
        for (std::size_t i = 0; i < len; ++i) value += static_cast<char>('a' + i % 26);
        const std::string file = IniWithValue(dir, value);
        EXPECT_EQ(ReadIniString("Sec", "Key", "dflt", file), value) << "length " << len;
    }
}

TEST(ReadIniString, DoubleByteCharactersAcrossEveryBufferBoundaryStayWhole)
{
    ScratchFolder dir;
    // Offsets 0 and 1 put a character across the 255-, 511- and 767-byte cuts either way.
    for (const std::string lead : {"", "a"}) {
        const std::string value = lead + Repeat("表示", 200);
        const std::string file = IniWithValue(dir, value);
        EXPECT_EQ(ReadIniString("Sec", "Key", "", file), value) << "lead '" << lead << "'";
    }
}

TEST(ReadIniString, DefaultsApplyOnlyToMissingKeys)
{
    ScratchFolder dir;
    const std::string file = dir / "a.ini";
    ASSERT_TRUE(WriteFileBytes(file, "[Sec]\r\nEmpty=\r\nQuoted=\"  x  \"\r\nPadded=   y   \r\n"));
    EXPECT_EQ(ReadIniString("Sec", "Empty", "dflt", file), "");
    EXPECT_EQ(ReadIniString("Sec", "Missing", "dflt", file), "dflt");
    EXPECT_EQ(ReadIniString("Other", "Empty", "dflt", file), "dflt");
    EXPECT_EQ(ReadIniString("sec", "EMPTY", "dflt", file), "") << "names ignore case";
    EXPECT_EQ(ReadIniString("Sec", "Quoted", "", file), "  x  ");
    EXPECT_EQ(ReadIniString("Sec", "Padded", "", file), "y");
    EXPECT_EQ(ReadIniString("Sec", "Key", "dflt", dir / "missing.ini"), "dflt");
    EXPECT_EQ(ReadIniString("", "", "dflt", file), "dflt") << "empty names never enumerate";
    const std::string longDefault = Repeat("表", 700);
    EXPECT_EQ(ReadIniString("Sec", "Missing", longDefault, file), longDefault);
}

TEST(WriteIniString, WritesThroughToTheFileAtOnce)
{
    ScratchFolder dir;
    const std::string file = dir / "w.ini";
    EXPECT_TRUE(WriteIniString("Sec", "Key", "表示\\値", file));
    EXPECT_TRUE(WriteIniString("Sec", "Two", "", file));
    EXPECT_EQ(ReadFileBytes(file), "[Sec]\r\nKey=表示\\値\r\nTwo=\r\n");
    EXPECT_EQ(ReadIniString("Sec", "Key", "", file), "表示\\値");
    EXPECT_TRUE(WriteIniString("Sec", "Key", "", file)) << "an empty value keeps the key";
    EXPECT_EQ(ReadIniString("Sec", "Key", "dflt", file), "");
}

TEST(WriteIniString, ReportsAFileThatCannotBeWritten)
{
    ScratchFolder dir;
    EXPECT_FALSE(WriteIniString("Sec", "Key", "v", dir / "no\\such\\folder\\w.ini"));
}

TEST(WriteIniString, RefusesWhatTheProfileFunctionsCannotTakeAndWritesNothing)
{
    // Found by the fuzzer: a script's 100,000-byte program ID, written as a section of
    // QUSET98.INI, ended the installer under Wine.
    ScratchFolder dir;
    const std::string file = dir / "w.ini";
    EXPECT_FALSE(WriteIniString(Repeat("能", 32767), "Folder", "v", file)); // 65,534 bytes
    EXPECT_FALSE(WriteIniString("Sec", Repeat("能", 32767), "v", file));
    EXPECT_FALSE(WriteIniString("Sec", "Key", std::string(100000, 'v'), file));
    EXPECT_FALSE(WriteIniString("Sec", "Key", "v", dir / (std::string(300, 'f') + ".ini")));
    EXPECT_EQ(ReadFileBytes(file), "");
    // The longest that fits is written whole.
    const std::string name(32766, 'k'), value(32766, 'v');
    EXPECT_TRUE(WriteIniString("Sec", name, value, file));
    EXPECT_EQ(ReadIniString("Sec", name, "", file), value);
}

TEST(ComposeRecordLine, NumbersFromOneWithoutTheSection)
{
    EXPECT_EQ(ComposeRecordLine("C:\\a.txt", "File", "File", false, ""), "File1=C:\\a.txt\r\n");
    EXPECT_EQ(ComposeRecordLine("C:\\a.txt", "File", "File", false, "[Folder]\r\nFolder1=C:\\x\r\n"),
              "File1=C:\\a.txt\r\n");
}

TEST(ComposeRecordLine, AppendsBehindTheLastConsecutiveKey)
{
    const std::string record = "[Folder]\r\nFolder1=C:\\x\r\n[File]\r\nFile1=C:\\a.txt\r\nFile2=C:\\b.dll,/S\r\n[Ini]\r\n";
    EXPECT_EQ(ComposeRecordLine("C:\\c.txt", "File", "File", false, record), "File3=C:\\c.txt\r\n");
    EXPECT_EQ(ComposeRecordLine("C:\\c.txt", "file", "File", false, record), "File3=C:\\c.txt\r\n")
        << "the header is found in any case";
    EXPECT_EQ(ComposeRecordLine("C:\\y", "Folder", "Folder", false, record), "Folder2=C:\\y\r\n");
    // At the end of the text the section ends too.
    EXPECT_EQ(ComposeRecordLine("C:\\c", "File", "File", false, "[File]\r\nFile1=C:\\a\r\n"), "File2=C:\\c\r\n");
}

TEST(ComposeRecordLine, RecognisesRecordedEntriesByTheirFirstField)
{
    const std::string record = "[File]\r\nFile1=C:\\a.txt\r\nFile2=C:\\表\\b.dll,/S\r\n";
    EXPECT_EQ(ComposeRecordLine("c:\\表\\B.DLL", "File", "File", false, record), "");
    EXPECT_EQ(ComposeRecordLine("c:\\表\\B.DLL,/S", "File", "File", true, record), "[!!]File2=C:\\表\\b.dll,/S");
    EXPECT_EQ(ComposeRecordLine("C:\\a.txt,/S", "File", "File", true, record), "[!!]File1=C:\\a.txt");
    EXPECT_EQ(ComposeRecordLine("C:\\a.txt,/X", "File", "File", false, record), "")
        << "entries that differ only after the first comma are the same entry";
}

TEST(ComposeRecordLine, NeedsTheKeysInOrderFromTheFirstLine)
{
    EXPECT_EQ(ComposeRecordLine("C:\\a", "File", "File", false, "[File]\r\n\r\nFile1=C:\\a\r\n"), "File1=C:\\a\r\n");
    EXPECT_EQ(ComposeRecordLine("C:\\c", "File", "File", false, "[File]\r\nFile2=C:\\b\r\n"), "File1=C:\\c\r\n");
    EXPECT_EQ(ComposeRecordLine("C:\\c", "File", "File", false, "[File]\r\nFile1=\r\nFile2=C:\\c\r\n"),
              "File1=C:\\c\r\n");
    // A header without a line end leaves nothing to scan.
    EXPECT_EQ(ComposeRecordLine("C:\\c", "File", "File", false, "[File]"), "File1=C:\\c\r\n");
}
