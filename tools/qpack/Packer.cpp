#include "qpack/Packer.h"

#include "foundation/MBUtils.h"
#include "foundation/uStrOp.h"
#include "qcheck/Package.h"
#include "qcheck/Paths.h"
#include "qcheck/Script.h"
#include "qpack/Szdd.h"
#include "scripts/ScriptActions.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

namespace {

// One source file of the package as it goes out.
struct Source {
    FolderEntry file;
    std::string name = {};  // its name in the output (the compressed one when compressed)
    std::string bytes = {}; // what is written
    bool compressed = false;
    bool restores = false; // the installer restores the name from the stored character
};

// One [CopyFile] entry and where its value stands in the script.
struct Entry {
    std::uint32_t line = 0;
    std::string raw;          // the value as the reader gives it
    std::string source;       // the key of its Source (upper-case name)
    std::string path, target; // the path part (before "|") and the installed name
    bool renamed = false;     // it has a "|" name already
    bool mark = false;        // asks for the next disk
};

std::string NameOf(const std::string& raw)
{
    const std::string field = GetField(raw, ",", 1);
    const std::size_t bar = PosNoCase("|", field);
    return bar ? Left(field, static_cast<int>(bar) - 1) : field;
}

// The name a compressed copy of name gets: its last character replaced by "_" (a name
// without an extension gets "_" added; the installer needs a "|" name then).
std::string CompressedName(const std::string& name)
{
    if (PosNoCase(".", name) == 0) return name + "_";
    std::size_t last = 1;
    for (std::size_t p = 1; p <= name.size(); p += CharLength(name, p)) last = p;
    return Left(name, static_cast<int>(last) - 1) + "_";
}

// The character the installer can restore the name with: one byte, not "_" or ".".
char StoredCharacter(const std::string& name)
{
    if (name.empty() || !IsCharStart(name, name.size()) || IsLeadByte(static_cast<unsigned char>(name.back())))
        return 0;
    const char last = name.back();
    return last == '_' || last == '.' ? 0 : last;
}

void PackSource(const PackRequest& request, Source& s, const std::set<std::string>& taken, std::vector<std::string>& notes)
{
    std::string data;
    if (!ReadBytes(s.file.path, data)) {
        notes.push_back(s.file.name + ": cannot be read");
        return;
    }
    s.bytes = data;
    s.name = s.file.name;
    if (request.compress == CompressMode::Never || Right(s.file.name, 1) == "_") return;
    const std::string name = CompressedName(s.file.name);
    if (taken.count(Upper(name))) {
        notes.push_back(s.file.name + ": stored as it is (" + name + " is taken)");
        return;
    }
    const char last = StoredCharacter(s.file.name);
    std::string packed = CompressSzdd(data, last, request.effort);
    if (ExpandSzdd(packed) != data) {
        notes.push_back(s.file.name + ": stored as it is (the compressed copy did not expand to it)");
        return;
    }
    if (request.compress == CompressMode::Smaller && packed.size() >= data.size()) return;
    s.bytes = std::move(packed);
    s.name = name;
    s.compressed = true;
    s.restores = last != 0 && ExpandedName(name, last) == Upper(s.file.name);
}

// The entry's value with the source's output name, a "|" name where the installer could
// not restore it, and the disk-change mark.
std::string Rewritten(const Entry& e, const Source& s)
{
    std::string value = e.raw;
    if (s.compressed) {
        const std::string original = PathFileName(e.path);
        const std::string head = Left(e.path, static_cast<int>(e.path.size() - original.size()));
        const bool bar = !e.renamed && !(s.restores && Upper(e.target) == e.target);
        value = head + s.name + (bar ? "|" + e.target : "") + Mid(e.raw, static_cast<int>(e.path.size()) + 1);
    }
    return (e.mark ? "(Dch)" : "") + value;
}

// The script with each entry's value replaced; false when a line does not hold the
// value the reader gives (a NUL byte in it, say).
bool RewriteScript(std::string& bytes, const std::vector<Entry>& entries, const std::map<std::string, Source>& sources)
{
    std::map<std::uint32_t, const Entry*> at;
    for (const Entry& e : entries) at[e.line] = &e;
    std::string out;
    std::size_t done = 0;
    for (const LineSpan& span : SplitLines(bytes)) {
        const auto it = at.find(span.number);
        if (it == at.end()) continue;
        const std::string line = bytes.substr(span.begin, span.end - span.begin);
        // The value after "=", without the blanks and one pair of quotes the reader drops.
        const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A; };
        std::size_t begin = line.find('='), end = line.size();
        if (begin == std::string::npos) return false;
        for (++begin; begin < end && blank(line[begin]); ++begin) {
        }
        while (end > begin && blank(line[end - 1])) --end;
        if (end - begin >= 2 && (line[begin] == '"' || line[begin] == '\'') && line[end - 1] == line[begin]) {
            ++begin;
            --end;
        }
        const Entry& e = *it->second;
        const std::string written = line.substr(begin, end - begin);
        if (written != e.raw && written != "(Dch)" + e.raw) return false;
        out += bytes.substr(done, span.begin + begin - done) + Rewritten(e, sources.at(e.source));
        done = span.begin + end;
    }
    bytes = out + bytes.substr(done);
    return true;
}

// Places the sources on disks in the order the entries use them, marking the entry
// where the next disk begins; a source needed again after its disk is copied again.
bool LayOut(std::vector<Entry>& entries, const std::map<std::string, Source>& sources, std::uint64_t diskSize,
            std::uint64_t firstDiskFixed, std::vector<std::vector<std::string>>& disks, std::string& problem)
{
    disks.assign(1, {});
    std::uint64_t used = firstDiskFixed;
    if (used > diskSize) {
        problem = "disk 1 cannot hold SETUP.EXE, SETUP.INI and the wizard's files (" + std::to_string(used) + " bytes)";
        return false;
    }
    for (Entry& e : entries) {
        std::vector<std::string>& disk = disks.back();
        if (std::find(disk.begin(), disk.end(), e.source) != disk.end()) continue;
        const std::uint64_t size = sources.at(e.source).bytes.size();
        if (size > diskSize) {
            problem = sources.at(e.source).name + " (" + std::to_string(size) + " bytes) is larger than a disk";
            return false;
        }
        if (used + size > diskSize) {
            disks.emplace_back();
            used = 0;
            e.mark = true;
        }
        disks.back().push_back(e.source);
        used += size;
    }
    return true;
}

} // namespace

std::uint64_t ParseSize(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || value <= 0) return 0;
    const std::string unit = FoldName(end);
    const double scale = unit.empty() ? 1 : unit == "K" ? 1024.0 : unit == "M" ? 1048576.0 : 0;
    return static_cast<std::uint64_t>(value * scale);
}

PackResult Pack(const PackRequest& request)
{
    PackResult result;
    const std::optional<Package> package = OpenPackage(request.input);
    if (!package || package->layout) {
        result.problem = package ? "the package is laid out on disks already" : "no SETUP.INI in " + request.input;
        return result;
    }
    CheckResult before = CheckPackage({request.input, "", ReferenceMachine(), {}});
    for (const Finding& f : before.findings)
        if (SeverityOf(f) == Severity::Error) result.refused.push_back(f);
    if (!before.readable || !result.refused.empty()) {
        result.problem = before.readable ? "the package has errors; nothing was written" : before.problem;
        return result;
    }
    if (!ListFolder(request.output).empty()) {
        result.problem = request.output + " is not empty";
        return result;
    }
    ScriptFile script;
    std::vector<Finding> ignored;
    script.Load(package->script, "SETUP.INI", ignored);
    const Disk& disk = package->disks.front();

    // The entries and their sources, each source packed once.
    std::vector<Entry> entries;
    std::map<std::string, Source> sources;
    std::set<std::string> taken;
    for (const FolderEntry& f : disk.files) taken.insert(Upper(f.name));
    const FolderValues machine = ReferenceMachine();
    const std::vector<std::string>& values = script.List("CopyFile", "File");
    for (std::size_t i = 0; i < values.size(); ++i) {
        Entry e;
        e.line = script.LineOf("CopyFile", "File" + std::to_string(i + 1));
        e.raw = request.diskSize && Left(values[i], 5) == "(Dch)" ? Mid(values[i], 6) : values[i];
        e.path = NameOf(e.raw);
        e.renamed = PosNoCase("|", GetField(e.raw, ",", 1)) != 0;
        e.target = PathFileName(e.path);
        const std::string name = PathFileName(ParseCopyEntry(machine, e.raw).source);
        const FolderEntry* file = disk.Find(name);
        if (!file) { // the script's [QCheck] Disable may have hidden it from the check
            result.problem = "source " + name + " is not in the package";
            return result;
        }
        e.source = Upper(file->name);
        auto [it, added] = sources.try_emplace(e.source, Source{*file});
        if (added) {
            // A name that macros make is left as it is: the entry cannot be rewritten.
            const bool plain = PathFileName(e.path) == PathFileName(ParseCopyEntry(machine, e.raw).source);
            PackRequest own = request;
            if (!plain) own.compress = CompressMode::Never;
            PackSource(own, it->second, taken, result.notes);
            taken.insert(Upper(it->second.name));
            result.bytesIn += file->size;
            result.bytesOut += it->second.bytes.size();
        }
        entries.push_back(std::move(e));
    }

    // Disk 1 also holds SETUP.EXE, the script, every file that is no source and, as
    // they are, the files the wizard reads itself (a source may be one of them).
    std::set<std::string> wizard;
    for (const auto& [section, key] : {std::pair{"EULA", "File"}, {"Readme", "File"}, {"Extend", "InstallChecker"}})
        wizard.insert(Upper(RemoveBackslash(script.Get(section, key), "T")));
    std::vector<const FolderEntry*> others;
    std::uint64_t fixed = 0;
    for (const FolderEntry& f : disk.files) {
        const std::string name = Upper(f.name);
        if ((sources.count(name) && !wizard.count(name)) || name == "SETUP.INI") continue;
        others.push_back(&f);
        fixed += f.size;
    }
    std::string scriptBytes;
    ReadBytes(package->script, scriptBytes);
    std::vector<std::vector<std::string>> disks(1);
    for (const auto& [key, source] : sources) disks[0].push_back(key);
    if (request.diskSize) {
        // Room for the script with a mark on every entry, the most it can grow to.
        for (Entry& e : entries) e.mark = true;
        std::string largest = scriptBytes;
        if (!RewriteScript(largest, entries, sources)) {
            result.problem = "a [CopyFile] line of SETUP.INI does not hold the value the installer reads";
            return result;
        }
        for (Entry& e : entries) e.mark = false;
        if (!LayOut(entries, sources, request.diskSize, fixed + largest.size(), disks, result.problem)) return result;
    }
    if (!RewriteScript(scriptBytes, entries, sources)) {
        result.problem = "a [CopyFile] line of SETUP.INI does not hold the value the installer reads";
        return result;
    }

    result.disks = static_cast<int>(disks.size());
    for (std::size_t d = 0; d < disks.size(); ++d) {
        const std::string folder = request.diskSize ? JoinPath(request.output, "DISK" + std::to_string(d + 1))
                                                    : request.output;
        bool ok = MakeFolders(folder);
        // A file stored as it is keeps its age.
        for (const std::string& key : disks[d]) {
            const Source& s = sources.at(key);
            const std::string path = JoinPath(folder, s.name);
            ok = ok && WriteBytes(path, s.bytes) && (s.compressed || CopyFileTime(s.file.path, path));
        }
        if (d == 0) {
            ok = ok && WriteBytes(JoinPath(folder, "SETUP.INI"), scriptBytes);
            std::string bytes;
            for (const FolderEntry* f : others) {
                const std::string path = JoinPath(folder, f->name);
                ok = ok && ReadBytes(f->path, bytes) && WriteBytes(path, bytes) && CopyFileTime(f->path, path);
            }
        }
        if (!ok) {
            result.problem = "cannot write " + folder;
            return result;
        }
    }
    result.written = true;
    result.problem.clear();
    result.check = CheckPackage({request.output, "", ReferenceMachine(), {}});
    return result;
}
