#include "scripts/AnswerFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A file that is no answer to anything: one clear line each, and nothing read. (Missing,
// unreadable, UTF-8 text, a flag out of range and an unknown key: tests/e2e/recipes_test.sh.)
TEST(AnswerFile, BadFilesAreRefusedWithTheirReason)
{
    ScratchFolder dir;
    const struct {
        const char* name;
        std::string bytes;
        std::string message;
    } rows[] = {
        {"utf8 bom", "\xEF\xBB\xBF[Setup]\r\nHighSpeed=1\r\n", "応答ファイルがCP932（シフトJIS）ではありません（UTF-8）"},
        {"utf16", std::string("\xFF\xFE[\0S\0]\0", 8), "応答ファイルがCP932（シフトJIS）ではありません（UTF-16）"},
        {"half-width katakana are CP932", "[Setup]\r\nFolder=C:\\\xC3\xBD\xC4\xB1\r\nX=1\r\n",
         "[Setup] X : 不明なキーです"},
        {"flag as a word", "[Uninstall]\r\nDeleteAll=yes\r\n", "[Uninstall] DeleteAll=yes : 値は 0 か 1 です"},
        {"completion out of range", "[Setup]\r\nCompletion=3\r\n", "[Setup] Completion=3 : 値は 1 か 2 です"},
        {"relative folder", "[Setup]\r\nFolder=Apps\\Demo\r\n",
         "[Setup] Folder=Apps\\Demo : フォルダは絶対パスで書きます"},
        {"empty folder", "[Setup]\r\nFolder=\r\n", "[Setup] Folder= : フォルダは絶対パスで書きます"},
        {"extension with its dot", "[Associations]\r\n.txt=1\r\n", "[Associations] .txt=1 : 拡張子はドットなしで書きます"},
        {"key of the other role", "[Setup]\r\nDeleteAll=0\r\n", "[Setup] DeleteAll : 不明なキーです"},
        {"unknown section", "[Setup]\r\n[Options]\r\nA=1\r\n", "[Options] : 不明なセクションです"},
        {"key outside a section", "Folder=C:\\A\r\n", "Folder : セクションの外のキーです"},
    };
    for (const auto& row : rows) {
        const std::string path = dir / "answers.inf";
        ASSERT_TRUE(WriteFileBytes(path, row.bytes));
        AnswerFile answers{.hiSpeed = true};
        EXPECT_EQ(LoadAnswerFile(path, answers), row.message) << row.name;
        EXPECT_EQ(answers.hiSpeed, std::optional<bool>(true)) << row.name << ": nothing taken from a bad file";
    }
}

// Composed, written and read back: every key, bytes as documented (CP932, CR LF), and a
// DBCS folder whose trail byte is 0x5C.
TEST(AnswerFile, ChoicesRoundTripByteForByte)
{
    WizardOptions o;
    o.folder = "C:\\Program Files\\表示\\";
    o.overwrite = false;
    o.hiSpeed = true;
    const bool enabled[4] = {true, true, false, true};
    for (int i = 0; i < 4; ++i) o.boxes[i] = {"", i % 2 == 0, enabled[i], true};
    const AnswerFile choices = ChoicesOf(o, false, {{"qdemo", false}, {"TXT", true}}, 1);
    const std::string expected = "[Setup]\r\nFolder=C:\\Program Files\\表示\\\r\nAutoOverwrite=0\r\nHighSpeed=1\r\n"
                                 "Desktop=1\r\nStartMenu=0\r\nSendTo=0\r\nCompletion=1\r\n\r\n"
                                 "[Associations]\r\nTXT=1\r\nqdemo=0\r\n";
    EXPECT_EQ(ComposeAnswerFile(choices, false), expected);
    ScratchFolder dir;
    ASSERT_EQ(SaveAnswerFile(dir / "a.inf", choices, false), 0u);
    EXPECT_EQ(ReadFileBytes(dir / "a.inf"), expected);
    AnswerFile back;
    ASSERT_EQ(LoadAnswerFile(dir / "a.inf", back), "");
    EXPECT_EQ(ComposeAnswerFile(back, false), expected);
    EXPECT_EQ(back.Association("QDEMO"), std::optional<bool>(false)) << "extensions ignore case";
    EXPECT_EQ(back.Association("doc"), std::nullopt);

    WizardOptions panel;
    for (int i = 0; i < 4; ++i) panel.boxes[i] = {i == 2 ? "" : "*.X", i == 0, false, true};
    EXPECT_EQ(ComposeAnswerFile(ChoicesOf(panel, true, {}, 2), true),
              "[Uninstall]\r\nDeleteIni=1\r\nDeleteGid=0\r\nDeleteCheckBox4=0\r\nCompletion=2\r\n")
        << "a box without a caption is none; the run has disabled the others";
    panel.boxes[1].visible = panel.boxes[2].visible = panel.boxes[3].visible = false;
    EXPECT_EQ(ComposeAnswerFile(ChoicesOf(panel, true, {}, 0), true), "[Uninstall]\r\nDeleteAll=1\r\n");
}

// Answers change what the user could change, and nothing else; a missing key keeps
// the default.
TEST(AnswerFile, PresetsOnlyWhatTheUserCouldChoose)
{
    AnswerFile a;
    a.overwrite = false;
    a.shortcuts[0] = false;
    a.shortcuts[1] = true;
    a.associations["qdemo"] = false;
    WizardOptions o;
    o.overwrite = true;
    o.boxes[0] = o.boxes[2] = {"", true, true, true}; // [2]: no key, default kept
    o.boxes[1] = {"", false, false, true};            // locked by the script
    EXPECT_EQ(PresetOptions(o, a, false, true).size(), 1u);
    EXPECT_EQ(std::vector<bool>({o.overwrite, o.boxes[0].checked, o.boxes[1].checked, o.boxes[2].checked}),
              std::vector<bool>({false, false, false, true}));
    EXPECT_EQ(o.associations.at("QDEMO"), false);
    o.overwrite = true;
    EXPECT_EQ(PresetOptions(o, a, false, false).size(), 2u) << "options locked by the script";
    EXPECT_TRUE(o.overwrite);

    WizardOptions all, four;
    all.boxes[0] = {"全ファイル", true, true, true};
    for (auto& box : four.boxes) box = {"*.X", true, true, true};
    EXPECT_TRUE(PresetOptions(all, AnswerFile{.deleteAll = false}, true, true).empty());
    EXPECT_FALSE(all.boxes[0].checked) << "delete-all layout";
    EXPECT_EQ(PresetOptions(four, AnswerFile{.deleteAll = false}, true, true).size(), 1u) << "no such box here";
    EXPECT_TRUE(four.boxes[0].checked);
}

} // namespace
