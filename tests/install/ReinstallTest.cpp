// A second installation into the same folder: its record keeps the first one's entries
// behind its own, and the classes the extensions had before the first.
#include "InstallFixture.h"

using namespace install_test;

namespace {

const char* const kFirst = R"([MakeFolder]
Folder1=(App)\Old
[CopyFile]
File1=(App)\old.txt
File2=(App)\common.dll,/S
[DeleteRegistry]
Key1=(Cuser)\Software\QuillonTest\@PID@\x\Old
[AddDeleteFile]
File1=(App)\*.old
[Relate]
Name1=@HTML@
File1=open,(App)\old.txt,,,0
)";

const char* const kSecond = R"([MakeFolder]
Folder1=(App)\New
Folder2=(App)\Old
[CopyFile]
File1=(App)\new.txt
File2=(App)\COMMON.DLL
[DeleteRegistry]
Key1=(Cuser)\Software\QuillonTest\@PID@\x\New
[AddDeleteFile]
File1=(App)\*.new
[Relate]
Name1=@HTML@
File1=open,(App)\new.txt,,,0
Name2=@HTM@
File2=open,(App)\new.txt,,,0
)";

using Reinstall = InstallTest;

} // namespace

TEST_F(Reinstall, TheEarlierRecordFollowsThisRunsEntries)
{
    const std::string html = Extension("html"), htm = Extension("htm");
    const auto script = [&](const char* text) { return ReplaceToken(ReplaceToken(text, "@HTML@", html), "@HTM@", htm); };
    SetDefaultValue(HKEY_CLASSES_ROOT, "." + html, "OldHtml");
    SetDefaultValue(HKEY_CLASSES_ROOT, "." + htm, "OldHtm");
    for (const char* name : {"old.txt", "common.dll", "new.txt"}) AddSource(name, name);
    MakeInstallFolder();

    WriteScript(script(kFirst));
    host.answers = {IDYES};
    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    const std::string first = Record();
    ASSERT_FALSE(first.empty());

    WriteScript(script(kSecond));
    host = ScriptedHost{};
    host.options.folder = RemoveBackslash(inst, "B");
    host.answers = {IDNO, IDYES, IDYES}; // keep common.dll, associate both
    ASSERT_EQ(Run().outcome, RunOutcome::Completed);
    ASSERT_EQ(host.questions.size(), 3u);
    EXPECT_EQ(host.questions[0].caption, "上書き確認");

    EXPECT_EQ(ReadFileBytes(work + "UNSETUPQ.INI"), first) << "the earlier record is read from a copy";
    // html keeps the class it had before the first installation; htm, although its name
    // is part of html's, gets a slot of its own.
    EXPECT_EQ(Record(), ReplaceToken(ReplaceToken(Golden("reinstall.ini"), "@HTML@", html), "@HTM@", htm));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "." + html, ""), Sz(html + "_auto_file"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "." + htm, ""), Sz(htm + "_auto_file"));
    EXPECT_EQ(SharedCount(inst + "common.dll"), 1);
}
