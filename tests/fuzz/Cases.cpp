#include "Cases.h"

#include "Checks.h"
#include "Oracle.h"
#include "ScriptedHost.h"
#include "TestSupport.h"

#include "app/StartupConfig.h"
#include "foundation/FilePrim.h"
#include "foundation/IniDocument.h"
#include "foundation/uIniFile.h"
#include "foundation/uStrOp.h"
#include "install/InstallRun.h"
#include "qcheck/Checker.h"
#include "qcheck/Script.h"
#include "scripts/InstalledEntry.h"
#include "scripts/ScriptActions.h"
#include "scripts/ScriptGeneral.h"
#include "scripts/ScriptLists.h"
#include "scripts/UninstallRecord.h"
#include "services/Registry.h"
#include "uninstall/UninstallRun.h"

#include <windows.h>

#include <map>
#include <set>

namespace {

const char* const kInstallFolders[] = {"(Boo)inst\\表示 App\\",
                                       "(Boo)inst\\app\\",
                                       "(Boo)inst\\a b,c\\",
                                       "(Boo)inst\\ソフト\\能\\",
                                       "@DEFAULT@",
                                       "@DEFAULT@",
                                       "(Boo)",
                                       "(Win)",
                                       "(Sta)",
                                       "rel\\inst\\",
                                       "(Boo)inst\\app",
                                       "(Boo)inst\\..\\inst\\app2\\",
                                       "@LONG@"};

std::string Unhex(const std::string& text)
{
    std::string out;
    const auto value = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out += static_cast<char>(value(text[i]) * 16 + value(text[i + 1]));
    return out;
}

std::string Joined(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : ",") + item;
    return out;
}

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> items;
    for (std::size_t p = 0; p < text.size();) {
        const std::size_t c = text.find(',', p);
        items.push_back(text.substr(p, c == std::string::npos ? std::string::npos : c - p));
        if (c == std::string::npos) break;
        p = c + 1;
    }
    return items;
}

// A script or record for a case: a seed or a generated one, contained, mutated.
std::string MakeFile(Rng& rng, const std::vector<Seed>& seeds, bool record, bool contain, std::string& origin)
{
    IniModel model;
    if (!seeds.empty() && rng.Chance(70)) {
        const Seed& seed = rng.Pick(seeds);
        origin += seed.name;
        model = ParseIni(seed.text);
    } else {
        origin += record ? "generated record" : "generated script";
        model = record ? GenerateRecord(rng) : GenerateScript(rng);
    }
    const int mutations = rng.Range(0, 8);
    MutateModel(model, rng, record, mutations);
    if (contain) {
        if (record) ContainRecord(model, rng);
        else ContainScript(model, rng);
    }
    std::string bytes = RenderIni(model);
    int byteMutations = 0;
    if (rng.Chance(35)) bytes = MutateBytes(bytes, rng, byteMutations = rng.Range(1, 4));
    origin += " +" + std::to_string(mutations) + " edits +" + std::to_string(byteMutations) + " byte edits";
    return bytes;
}

// The file as the product gets it: placeholders in, sanitised, encoded.
std::string Final(const Sandbox& box, const std::string& raw, Encoding e, bool record, const std::string& installFolder)
{
    return Encode(box.Sanitise(box.Substitute(raw, record, installFolder)), e);
}

std::string InstallFolderOf(const CaseInput& in, const Sandbox& box)
{
    if (in.installFolder == "@LONG@")
        return box.Path("inst\\" + std::string(240, 'L') + "\\" + std::string(120, 'M') + "\\");
    return box.Sanitise(box.Substitute(in.installFolder, true, ""));
}

void RecordCase(const CaseInput& in, const Sandbox& box, CaseReport& report)
{
    const std::string folder = box.Path("rec\\" + std::to_string(Serial()) + "\\");
    CreateFolderTree(folder);
    const std::string file = folder + "UNSETUP.INI";
    WriteFileBytes(file, Final(box, in.record, in.recordEncoding, true, folder));
    RecordLists lists;
    LoadPreviousRecord(lists, folder, box.Path("work\\"));
    CompareLoaded(lists, file, report, "loader differs from the profile API");

    // This run's entries: generated ones, and earlier ones again in another case or
    // with the shared option.
    Rng rng(in.seed);
    for (const PathSection& s : kPathSections) {
        RecordList& list = lists.*s.list;
        // As a reader hands them over: decoded and encoded again, blanks trimmed.
        for (const std::string& value : GenerateRecordValues(rng, AsciiUpper(s.name), rng.Range(0, 5)))
            list.Add(Trimmed(ToCp932(FromCp932(box.Sanitise(box.Substitute(value, true, folder))))));
        for (int i = rng.Range(0, 3); i > 0 && !list.earlier.empty(); --i) {
            std::string again = list.earlier[rng.Below(list.earlier.size())];
            again = rng.Chance(50) ? UpperPath(again) : again;
            if (rng.Chance(50)) again += rng.Chance(50) ? ",/S" : "/S";
            list.Add(Trimmed(ToCp932(FromCp932(again))));
        }
    }
    RecordTexts texts;
    texts.InstallFolder = folder;
    texts.SetupWord = "インストール";
    texts.UnSetupWord = "アンインストール";
    texts.UnSetupTitle = "QuillonFuzz " + box.Config().runId;
    texts.ProgramId = rng.Chance(50) ? "QFZ" : "";
    texts.UnSetupOption = rng.Chance(50) ? "1,0,1,0" : "";
    const std::string composed = ComposeRecord(lists, texts, "QuillonFuzz " + box.Config().runId);
    CompareComposition(lists, composed, report);
    Expected expected;
    for (const PathSection& s : kPathSections) {
        for (const std::string& v : LineValues(LiteralSection(s, lists.*s.list)))
            expected[s.name].push_back(ProfileTrimmed(v));
    }
    const std::string written = box.Path("rec\\" + std::to_string(Serial()) + "\\");
    CreateFolderTree(written);
    WriteFileBytes(written + "UNSETUP.INI", composed);
    CheckWrittenRecord(box, written + "UNSETUP.INI", expected, report);
}

// ---------------------------------------------------------------------------------
// The engines

void PlantNamedFiles(const Sandbox& box, const std::string& recordFile, const std::string& installFolder)
{
    const auto onDrive = [&](const std::string& path) { return Normalise(path).rfind(Normalise(box.Root()), 0) == 0; };
    const auto plant = [&](const std::string& path) {
        if (path.empty() || !onDrive(path)) return;
        CreateFolderTree(PathFolder(path));
        WriteFileBytes(path, "named by the record");
    };
    for (const std::string& folder : ProfileList(recordFile, kDeleteFolder.name, kDeleteFolder.prefix))
        if (onDrive(folder)) CreateFolderTree(folder);
    for (const RecordSectionInfo& info : kRecordSections) {
        if (info.kind != SectionKind::FileList && info.kind != SectionKind::PatternList) continue;
        for (const std::string& entry : ProfileList(recordFile, info.name, info.prefix)) {
            std::string path = GetField(entry, ",", 1);
            // A file for a pattern to find, too.
            path = ReplaceAll(ReplaceAll(path, "*", "m"), "?", "q");
            plant(path);
        }
    }
    if (installFolder.size() > 3) {
        CreateFolderTree(installFolder);
        for (const char* name : {"user.dat", "sub\\user2.dat", "x.INI", "y.GID", "z.bak", "a.log"})
            plant(AddBackslash(installFolder, "B") + name);
    }
}

struct UninstallSetup {
    std::vector<int> answers;
    std::vector<std::string> deletionAnswers;
    int toggles = 0;
    std::string osFamily;
};

void UninstallPhase(const Sandbox& box, const std::string& recordFinal, const UninstallSetup& setup, bool plant,
                    CaseReport& report)
{
    AppState u;
    static_cast<FolderValues&>(u) = box.Folders();
    u.WorkFolder = box.Path("work\\");
    u.ScriptFile = u.WorkFolder + "UNSETUP" + std::to_string(Serial()) + ".INI";
    u.RunMode = "UNSETUP";
    u.OsFamily = setup.osFamily;
    if (const std::string veto = box.VetText(recordFinal); !veto.empty()) {
        report.vetoes.push_back("record: " + veto);
        return;
    }
    WriteFileBytes(u.ScriptFile, recordFinal);
    const GeneralKeys keys = ReadGeneralKeys(u.ScriptFile);
    const StartupConfig config = ConfigureStartup(u, keys);
    const std::string folder = box.Sanitise(config.folder);
    if (const std::string veto = box.VetText(folder) + box.VetRecord(u.ScriptFile, folder); !veto.empty()) {
        report.vetoes.push_back("record: " + veto);
        return;
    }
    if (plant) PlantNamedFiles(box, u.ScriptFile, folder);

    ScriptedHost host;
    host.unattendedWhenOut = true;
    host.answers.assign(setup.answers.begin(), setup.answers.end());
    host.deletionAnswers.assign(setup.deletionAnswers.begin(), setup.deletionAnswers.end());
    host.options.folder = folder;
    const auto boxes = UninstallOptionBoxes(keys, u.UnSetupWord);
    for (int i = 0; i < 4; ++i) {
        host.options.boxes[i] = boxes[static_cast<std::size_t>(i)];
        WizardOptions::Box& b = host.options.boxes[i];
        if (b.enabled && b.visible && (setup.toggles >> i & 1)) b.checked = !b.checked;
    }

    box.PlaceCanaries();
    const RemovalPlan plan(box, u.ScriptFile, host.options);
    const Tree before = box.Snapshot();
    SetCurrentDirectoryA(box.Path("tmp\\").c_str());
    report.trace.push_back("uninstall: folder " + folder);
    try {
        UninstallRun(u, host);
    } catch (const std::exception& e) {
        report.findings.push_back(std::string("exception from the uninstall run: ") + e.what());
    }
    for (const std::string& line : host.logs) report.trace.push_back(line);
    SetCurrentDirectoryA(box.Path("tmp\\").c_str());
    const Tree after = box.Snapshot();
    if (GetFileAttributesA(box.Root().c_str()) == INVALID_FILE_ATTRIBUTES)
        report.findings.push_back("protected folder removed: the drive's root " + box.Root());
    for (const std::string& f : plan.Check(before, after)) report.findings.push_back(f);
    for (const std::string& canary : box.CanaryPaths()) {
        if (!box.CanaryIntact(canary) && !plan.Justifies(Normalise(canary), canary.back() == '\\'))
            report.findings.push_back("canary lost or changed: " + Printable(canary));
    }
    for (const std::string& guard : box.CheckRegistryGuards()) report.findings.push_back(guard);
}

// The source files the script's copy list names, in appFolder.
void WriteSources(const std::string& scriptFile, const std::string& appFolder)
{
    for (const std::string& line : ReadOpenList(scriptFile, "CopyFile", "File")) {
        std::string path = GetField(line, ",", 1);
        if (const std::size_t bar = PosNoCase("|", path)) path = Left(path, static_cast<int>(bar) - 1);
        const std::string name = PathFileName(path);
        if (!name.empty() && name.size() < 200 && name.find_first_of("*?") == std::string::npos)
            WriteFileBytes(appFolder + name, SourceFileBytes(name));
    }
}

// Warnings about the package as shipped rather than the installation (an unused file, a
// page the wizard skips, no SETUP.EXE in the sandbox, the installed-programs entry's
// name and version): they cannot make an installation fail.
const std::set<int> kShippingOnly = {31, 36, 37, 50, 51, 52, 53, 54};

// A script the checker calls clean, made from the case's by dropping the lines it
// flags, round by round (a dropped line can leave others flagged), in the sandbox's
// package folder with the sources its copy list names (dropping lines names fewer).
std::string TidyScript(const FolderValues& machine, const std::string& appFolder, std::string script)
{
    FolderValues reference = machine;
    reference.InstallFolder = "(App)";
    WriteFileBytes(appFolder + "SETUP.INI", script);
    WriteSources(appFolder + "SETUP.INI", appFolder);
    for (int round = 0; round < 12; ++round) {
        WriteFileBytes(appFolder + "SETUP.INI", script);
        const CheckResult check = CheckPackage({appFolder, "", reference, kShippingOnly});
        std::set<std::uint32_t> flagged;
        for (const Finding& f : check.findings) flagged.insert(f.line);
        if (flagged.empty()) break;
        std::string kept;
        for (const LineSpan& line : SplitLines(script))
            if (!flagged.count(line.number)) kept.append(script, line.begin, line.end - line.begin).append("\r\n");
        if (kept == script) break;
        script = std::move(kept);
    }
    return script;
}

// The checker as an oracle: true when it calls the package in appFolder clean for an
// installation into installFolder, the script's default folder on this machine, leaving
// out its warnings about the package as shipped.
bool CheckedClean(const FolderValues& machine, const std::string& appFolder, const std::string& installFolder,
                  CaseReport& report)
{
    FolderValues reference = machine;
    reference.InstallFolder = "(App)";
    reference.InstallDrive.clear();
    const IniDocument script = IniDocument::Load(appFolder + "SETUP.INI");
    const std::string defaultFolder = AddBackslash(
        ExpandFolderMacros(reference, script.Get("DefaultFolder", "Folder", "(Prg)\\")), "B");
    if (MapString(defaultFolder, LCMAP_UPPERCASE) != MapString(installFolder, LCMAP_UPPERCASE)) return false;
    const CheckResult check = CheckPackage({appFolder, "", reference, kShippingOnly});
    for (const Finding& f : check.findings)
        report.trace.push_back(std::string("checker: ").append(FormatFinding(f, Language::English)));
    return check.readable && check.findings.empty();
}

void EngineCase(CaseInput& in, const Sandbox& box, const std::string& current, CaseReport& report)
{
    box.ResetTree();
    AppState state;
    static_cast<FolderValues&>(state) = box.Folders();
    state.WorkFolder = box.Path("work\\");
    state.ScriptFile = state.WorkFolder + "SETUP.INI";
    state.RunMode = "SETUP";
    state.OsFamily = in.osFamily;
    WriteFileBytes(state.WorkFolder + "SETUPQ.EXE", "the running program");
    state.WorkLocks.programIsThisProgram = true;

    std::string script = Final(box, in.script, in.scriptEncoding, false, "");
    if (const std::string veto = box.VetText(script); !veto.empty()) {
        report.vetoes.push_back("script: " + veto);
        return;
    }
    if (in.tidy) script = TidyScript(state, state.AppFolder, script);
    WriteFileBytes(state.ScriptFile, script);
    const GeneralKeys keys = ReadGeneralKeys(state.ScriptFile);
    const StartupConfig config = ConfigureStartup(state, keys);
    const std::string folder = box.Sanitise(in.installFolder == "@DEFAULT@" ? config.folder : InstallFolderOf(in, box));
    FolderValues runFolders = state;
    runFolders.InstallFolder = AddBackslash(folder, "B");
    runFolders.InstallDrive = Left(runFolders.InstallFolder, 2) + "\\";
    if (const std::string veto = box.VetText(folder) + box.VetScript(state.ScriptFile, runFolders, state.UnSetupTitle);
        !veto.empty()) {
        report.vetoes.push_back("script: " + veto);
        return;
    }
    WriteSources(state.ScriptFile, state.AppFolder);

    // An earlier installation's record: this run merges it into its own.
    std::vector<std::string> earlierRegistry, earlierExtra;
    std::string earlier;
    if (!in.earlier.empty()) {
        earlier = Final(box, in.earlier, in.earlierEncoding, true, runFolders.InstallFolder);
        if (const std::string veto = box.VetText(earlier); !veto.empty()) {
            report.vetoes.push_back("earlier record: " + veto);
            return;
        }
        CreateFolderTree(runFolders.InstallFolder);
        WriteFileBytes(runFolders.InstallFolder + "UNSETUP.INI", earlier);
        const std::string copy = box.Path("work\\EARLIER.INI");
        WriteFileBytes(copy, earlier);
        earlierRegistry = ReadOpenList(copy, "DeleteRegistry", "Key");
        earlierExtra = ReadOpenList(copy, "AddDeleteFile", "File");
    }

    WriteFileBytes(state.AppFolder + "SETUP.INI", script);
    const bool clean = in.installFolder == "@DEFAULT@" &&
                       CheckedClean(state, state.AppFolder, runFolders.InstallFolder, report);
    report.checkedClean = clean;

    ScriptedHost host;
    host.unattendedWhenOut = true;
    host.answers.assign(in.answers.begin(), in.answers.end());
    host.completionChoice = in.completionChoice;
    if (in.abortAfterChecks > 0)
        host.abortWhen = [&host, n = in.abortAfterChecks](const std::string&) {
            return static_cast<int>(host.abortChecks.size()) >= n;
        };
    host.options.folder = folder;
    host.options.overwrite = in.overwrite;
    host.options.hiSpeed = in.hiSpeed;
    for (int i = 0; i < 4; ++i) host.options.boxes[i] = {"", (in.installBoxes >> i & 1) != 0, true, true};
    SetCurrentDirectoryA(box.Path("tmp\\").c_str());
    report.trace.push_back("install: folder " + folder);
    RunResult result;
    result.outcome = RunOutcome::Failed;
    try {
        result = InstallRun(state, host);
    } catch (const std::exception& e) {
        report.findings.push_back(std::string("exception from the install run: ") + e.what());
    }
    // Answers and aborts may stop a run; only a failure is the script's doing.
    if (clean && (result.outcome == RunOutcome::Failed || result.failures > 0))
        report.findings.push_back(std::string("the checker calls the script clean, but the installation failed: ")
                                      .append(Printable(state.FailureLog, 2000)));
    for (const std::string& line : host.logs) report.trace.push_back(line);
    SetCurrentDirectoryA(box.Path("tmp\\").c_str());
    for (const std::string& guard : box.CheckRegistryGuards()) report.findings.push_back(guard);

    const std::string installed = AddBackslash(state.InstallFolder, "B");
    const std::string recordPath = installed + "UNSETUP.INI";
    // A run that ended before its record leaves an earlier one as it was.
    if (state.InstallFolder == "(App)" || FileAge(recordPath) == -1) return;
    const bool written = earlier.empty() || ReadFileBytes(recordPath) != earlier;
    // The lists the script hands to the record unchanged, this run's before the earlier
    // record's.
    Expected expected;
    std::vector<std::string> registry = ReadOpenList(state.ScriptFile, "DeleteRegistry", "Key");
    registry.insert(registry.end(), earlierRegistry.begin(), earlierRegistry.end());
    expected["DeleteRegistry"] = RecordedOnce(registry);
    std::vector<std::string> extra;
    for (const std::string& file : ReadOpenList(state.ScriptFile, "AddDeleteFile", "File"))
        extra.push_back(ExpandFolderMacros(state, file));
    extra.insert(extra.end(), earlierExtra.begin(), earlierExtra.end());
    expected["AddDeleteFile"] = RecordedOnce(extra);
    const std::size_t before = report.findings.size();
    if (written) CheckWrittenRecord(box, recordPath, expected, report);
    if (report.findings.size() != before)
        report.trace.push_back("record written: " + Printable(ReadFileBytes(recordPath), 4000));
    // Generated records are uninstalled by the cases of their own kind.
    if (!in.uninstall || !written) return;

    if (in.record.empty()) {
        in.record = ReplaceAll(ReadFileBytes(recordPath), box.Config().runId, "@RUN@");
        in.recordEncoding = Encoding::Ansi;
        if (in.mutateRecord) {
            Rng rng(in.seed ^ 0x5EEDull);
            IniModel model = ParseIni(in.record);
            MutateModel(model, rng, true, rng.Range(1, 6));
            ContainRecord(model, rng);
            in.record = RenderIni(model);
            if (rng.Chance(35)) in.record = MutateBytes(in.record, rng, rng.Range(1, 3));
            in.recordEncoding = PickEncoding(rng);
        }
        SaveCase(in, current);
    }
    UninstallPhase(box, Final(box, in.record, in.recordEncoding, true, installed),
                   {in.answers, in.deletionAnswers, in.uninstallToggles, in.osFamily}, false, report);
}

void UninstallCase(const CaseInput& in, const Sandbox& box, CaseReport& report)
{
    box.ResetTree();
    const std::string installFolder = AddBackslash(InstallFolderOf(in, box), "B");
    UninstallPhase(box, Final(box, in.record, in.recordEncoding, true, installFolder),
                   {in.answers, in.deletionAnswers, in.uninstallToggles, in.osFamily}, true, report);
}

} // namespace

const char* KindName(CaseKind kind)
{
    switch (kind) {
    case CaseKind::Readers: return "readers";
    case CaseKind::Record: return "record";
    case CaseKind::Engines: return "engines";
    case CaseKind::Uninstall: return "uninstall";
    }
    return "readers";
}

CaseInput GenerateCase(const Corpus& corpus, std::uint64_t seed)
{
    Rng rng(seed);
    CaseInput in;
    in.seed = rng.Next();
    const int k = static_cast<int>(rng.Below(100));
    in.kind = k < 25 ? CaseKind::Readers : k < 45 ? CaseKind::Record : k < 80 ? CaseKind::Engines : CaseKind::Uninstall;
    switch (in.kind) {
    case CaseKind::Readers: {
        const bool record = rng.Chance(25);
        in.script = MakeFile(rng, record ? corpus.records : corpus.scripts, record, false, in.origin);
        in.scriptEncoding = PickEncoding(rng);
        break;
    }
    case CaseKind::Record:
    case CaseKind::Uninstall:
        in.record = MakeFile(rng, corpus.records, true, true, in.origin);
        in.recordEncoding = PickEncoding(rng);
        break;
    case CaseKind::Engines:
        in.script = MakeFile(rng, corpus.scripts, false, true, in.origin);
        in.scriptEncoding = PickEncoding(rng);
        if (rng.Chance(30)) {
            in.origin += ", over an earlier record from ";
            in.earlier = MakeFile(rng, corpus.records, true, true, in.origin);
            in.earlierEncoding = PickEncoding(rng);
        }
        break;
    }
    in.installFolder = rng.Pick(kInstallFolders);
    if (in.kind == CaseKind::Uninstall && in.installFolder == "@DEFAULT@") in.installFolder = "(Boo)inst\\app\\";
    in.overwrite = rng.Chance(70);
    in.hiSpeed = rng.Chance(50);
    in.installBoxes = static_cast<int>(rng.Below(16));
    in.osFamily = rng.Chance(80) ? "NT" : "notNT";
    static const int answers[] = {IDYES, IDYES, IDNO, IDOK, IDCANCEL};
    for (int n = rng.Range(0, 4); n > 0; --n) in.answers.push_back(rng.Pick(answers));
    static const char* const deletions[] = {"Yes", "No", "Delete", "Save"};
    for (int n = rng.Range(0, 3); n > 0; --n) in.deletionAnswers.push_back(rng.Pick(deletions));
    in.completionChoice = rng.Chance(70) ? 1 : 2;
    in.abortAfterChecks = rng.Chance(10) ? rng.Range(1, 30) : 0;
    in.uninstall = rng.Chance(80);
    in.uninstallToggles = static_cast<int>(rng.Below(16));
    in.mutateRecord = rng.Chance(45);
    // Two in five installations tidy their script until the checker calls it clean, and
    // go to its default folder: the checker is the oracle there.
    in.tidy = in.kind == CaseKind::Engines && in.seed % 5 < 2;
    if (in.tidy) in.installFolder = "@DEFAULT@";
    return in;
}

bool SaveCase(const CaseInput& in, const std::string& folder)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    std::vector<std::string> answers;
    for (int a : in.answers) answers.push_back(std::to_string(a));
    std::string text;
    text += "kind=" + std::string(KindName(in.kind)) + "\r\n";
    text += "seed=" + std::to_string(in.seed) + "\r\n";
    text += "origin=" + Printable(in.origin, 400) + "\r\n";
    text += "scriptEncoding=" + std::string(EncodingName(in.scriptEncoding)) + "\r\n";
    text += "recordEncoding=" + std::string(EncodingName(in.recordEncoding)) + "\r\n";
    text += "earlierEncoding=" + std::string(EncodingName(in.earlierEncoding)) + "\r\n";
    text += "installFolder=" + Hex(in.installFolder) + "\r\n";
    text += "overwrite=" + std::to_string(in.overwrite) + "\r\nhiSpeed=" + std::to_string(in.hiSpeed) + "\r\n";
    text += "installBoxes=" + std::to_string(in.installBoxes) + "\r\nosFamily=" + in.osFamily + "\r\n";
    text += "answers=" + Joined(answers) + "\r\ndeletionAnswers=" + Joined(in.deletionAnswers) + "\r\n";
    text += "completionChoice=" + std::to_string(in.completionChoice) + "\r\n";
    text += "abortAfterChecks=" + std::to_string(in.abortAfterChecks) + "\r\n";
    text += "uninstall=" + std::to_string(in.uninstall) +
            "\r\nuninstallToggles=" + std::to_string(in.uninstallToggles) + "\r\n";
    text += "mutateRecord=" + std::to_string(in.mutateRecord) + "\r\n";
    text += "tidy=" + std::to_string(in.tidy) + "\r\n";
    // An earlier record is kept only where there is one, so older saved cases stay as they are.
    if (!in.earlier.empty() && !WriteFileBytes(folder + "earlier.bin", in.earlier)) return false;
    return WriteFileBytes(folder + "case.txt", text) && WriteFileBytes(folder + "script.bin", in.script) &&
           WriteFileBytes(folder + "record.bin", in.record);
}

bool LoadCase(const std::string& folder, CaseInput& in)
{
    const std::string text = ReadFileBytes(folder + "case.txt");
    if (text.empty()) return false;
    std::map<std::string, std::string> v;
    for (std::size_t p = 0; p < text.size();) {
        std::size_t e = text.find("\r\n", p);
        if (e == std::string::npos) e = text.size();
        const std::string line = text.substr(p, e - p);
        p = e + 2;
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos) v[line.substr(0, eq)] = line.substr(eq + 1);
    }
    for (CaseKind k : {CaseKind::Readers, CaseKind::Record, CaseKind::Engines, CaseKind::Uninstall})
        if (v["kind"] == KindName(k)) in.kind = k;
    in.seed = std::stoull(v["seed"].empty() ? "0" : v["seed"]);
    in.origin = v["origin"];
    in.scriptEncoding = EncodingFromName(v["scriptEncoding"]);
    in.recordEncoding = EncodingFromName(v["recordEncoding"]);
    in.earlierEncoding = EncodingFromName(v["earlierEncoding"]);
    in.installFolder = Unhex(v["installFolder"]);
    in.overwrite = v["overwrite"] == "1";
    in.hiSpeed = v["hiSpeed"] == "1";
    in.installBoxes = std::atoi(v["installBoxes"].c_str());
    in.osFamily = v["osFamily"];
    in.answers.clear();
    for (const std::string& a : Split(v["answers"])) in.answers.push_back(std::atoi(a.c_str()));
    in.deletionAnswers = Split(v["deletionAnswers"]);
    in.completionChoice = std::atoi(v["completionChoice"].c_str());
    in.abortAfterChecks = std::atoi(v["abortAfterChecks"].c_str());
    in.uninstall = v["uninstall"] == "1";
    in.uninstallToggles = std::atoi(v["uninstallToggles"].c_str());
    in.mutateRecord = v["mutateRecord"] == "1";
    in.tidy = v["tidy"] == "1";
    in.script = ReadFileBytes(folder + "script.bin");
    in.record = ReadFileBytes(folder + "record.bin");
    in.earlier = ReadFileBytes(folder + "earlier.bin");
    return true;
}

CaseReport RunCase(CaseInput in, const Sandbox& box, const std::string& currentFolder)
{
    SaveCase(in, currentFolder);
    CaseReport report;
    switch (in.kind) {
    case CaseKind::Readers: {
        box.ResetTree();
        const std::string file = box.Path("work\\R" + std::to_string(Serial()) + ".INI");
        WriteFileBytes(file, Final(box, in.script, in.scriptEncoding, false, ""));
        CheckReaders(box, file, report);
        break;
    }
    case CaseKind::Record:
        box.ResetTree();
        RecordCase(in, box, report);
        break;
    case CaseKind::Engines: EngineCase(in, box, currentFolder, report); break;
    case CaseKind::Uninstall: UninstallCase(in, box, report); break;
    }
    return report;
}
