#include "foundation/IniDocument.h"

#include "foundation/uIniFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

void ExpectSameAnswers(const std::string& file, const std::set<std::string>& names, const std::string& context)
{
    const IniDocument doc = IniDocument::Load(file);
    for (const std::string& section : names) {
        for (const std::string& key : names) {
            ASSERT_EQ(doc.Get(section, key, "<none>"), ReadIniString(section, key, "<none>", file))
                << context << " [" << section << "] " << key << "\n--- file ---\n"
                << ReadFileBytes(file);
        }
    }
}

} // namespace

TEST(IniDocument, AnswersLikeTheProfileApiOnGeneratedFiles)
{
    ScratchFolder dir;
    std::mt19937 rng(932);
    for (int round = 0; round < 25; ++round) {
        std::set<std::string> names = {"Missing", " Sec ", "Sec1"};
        const std::string text = RandomIni(rng, names);
        const std::string file = dir / ("gen" + std::to_string(round) + ".ini");
        ASSERT_TRUE(WriteFileBytes(file, text));
        ExpectSameAnswers(file, names, "round " + std::to_string(round));
    }
}

TEST(IniDocument, AnswersLikeTheProfileApiOnDamagedFiles)
{
    ScratchFolder dir;
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::set<std::string> names = {"Sec", "File1", "File2", "Key"};
    for (int round = 0; round < 20; ++round) {
        std::string text = "[Sec]\r\nFile1=a\r\n";
        for (int i = 0; i < 400; ++i) text += static_cast<char>(byte(rng));
        text += round % 2 ? "\r\n[Sec]\r\nFile2=b\x81" : "\r\nKey=\x95"; // ends in a lone lead byte
        const std::string file = dir / ("bad" + std::to_string(round) + ".ini");
        ASSERT_TRUE(WriteFileBytes(file, text));
        ExpectSameAnswers(file, names, "damaged " + std::to_string(round));
    }
}

TEST(IniDocument, ANulByteEndsNamesAndValuesAsInTheProfileApi)
{
    // Found by the fuzzer: scripts with NUL bytes were read with the bytes after the NUL,
    // and the record written from them carried NULs that its readers cut off.
    ScratchFolder dir;
    const std::string file = dir / "zero.ini"; // "nul.ini" would be the device
    const std::string entries("[Sec\0tion]\r\nKey\0x=v1\r\nK2=a\0b\r\nK3=\"q\0\"\r\nK4=  \0lead\r\n"
                              "[Other]\r\nK\0=first\r\nK=second\r\nL=x \0 \r\n",
                              88);
    // Enough plain text before them that neither reader takes the file for UTF-16.
    const std::string text = "; " + std::string(300, 'x') + "\r\n" + entries;
    ASSERT_TRUE(WriteFileBytes(file, text));
    ExpectSameAnswers(file, {"Sec", "Section", "Key", "Keyx", "K2", "K3", "K4", "Other", "K", "L"}, "NUL bytes");
    const IniDocument doc = IniDocument::Load(file);
    EXPECT_EQ(doc.Get("Sec", "Key", "d"), "v1");
    EXPECT_EQ(doc.Get("Sec", "K2", "d"), "a");
    EXPECT_EQ(doc.Get("Sec", "K3", "d"), "\"q");
    EXPECT_EQ(doc.Get("Sec", "K4", "d"), "");
    EXPECT_EQ(doc.Get("Other", "K", "d"), "first");
    EXPECT_EQ(doc.Get("Other", "L", "d"), "x ");
}

TEST(IniDocument, SeesWhatTheProfileApiWrote)
{
    ScratchFolder dir;
    const std::string file = dir / "w.ini";
    ASSERT_TRUE(WriteFileBytes(file, "[A]\r\nK1=old\r\n"));
    ASSERT_TRUE(WriteIniString("A", "K1", "new", file));
    ASSERT_TRUE(WriteIniString("A", "K2", "表示", file));
    ASSERT_TRUE(WriteIniString("B", "K1", "  spaced  ", file));
    const IniDocument doc = IniDocument::Load(file);
    EXPECT_EQ(doc.Get("A", "K1", ""), "new");
    EXPECT_EQ(doc.Get("a", "k2", ""), "表示");
    EXPECT_EQ(doc.Get("B", "K1", "d"), ReadIniString("B", "K1", "d", file));
    EXPECT_EQ(IniDocument::Load(dir / "missing.ini").Get("A", "K1", "d"), "d");
}

TEST(IniDocument, UnicodeFilesAreReadTheSystemsWay)
{
    ScratchFolder dir;
    const std::string file = dir / "u.ini";
    ASSERT_TRUE(WriteFileBytes(file, std::string("\xFF\xFE[\0A\0]\0\r\0\n\0K\0=\0v\0", 18)));
    EXPECT_EQ(IniDocument::Load(file).Get("A", "K", "d"), ReadIniString("A", "K", "d", file));
}

TEST(IniDocument, TrimsTheBlanksTheProfileApiTrims)
{
    ScratchFolder dir;
    std::string text = "[S]\r\n";
    std::set<std::string> keys = {"S"};
    for (int b = 1; b < 0x80; ++b) {
        if (b == '\n' || b == '[' || b == '=') continue;
        const std::string c(1, static_cast<char>(b));
        const std::string key = std::string("K").append(std::to_string(b));
        text += c + key + c + "=" + c + "v" + c + "\r\n";
        keys.insert(key);
    }
    text += "　KW　=　v　\r\n";
    keys.insert("KW");
    ASSERT_TRUE(WriteFileBytes(dir / "blanks.ini", text));
    ExpectSameAnswers(dir / "blanks.ini", keys, "blanks");
}

TEST(IniDocument, DefaultsComeBackAsTheProfileApiGivesThem)
{
    ScratchFolder dir;
    const std::string file = dir / "d.ini";
    ASSERT_TRUE(WriteFileBytes(file, "[S]\r\nNoValue\r\nK=v\r\n"));
    const IniDocument doc = IniDocument::Load(file);
    for (const char* def : {"", "plain", "trailing  ", "  leading", "\"quoted\"", "'q'", "\"open", "表 "}) {
        for (const char* key : {"Missing", "NoValue"}) {
            EXPECT_EQ(doc.Get("S", key, def), ReadIniString("S", key, def, file)) << key << " / " << def;
            EXPECT_EQ(doc.Get("Other", key, def), ReadIniString("Other", key, def, file)) << key << " / " << def;
        }
    }
}
