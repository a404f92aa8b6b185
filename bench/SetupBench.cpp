// Times SETUP.EXE end to end against the practical limit, in one run under one prefix:
// unattended installation and uninstallation of three payloads against a plain copy and
// delete loop (bench/CopyLoop.cpp), the peak working set, what SZDD expansion and
// self-registration cost, the time to the first window against a bare window program,
// and the size of the SETUP.EXE of both architectures. Prints figures; checks nothing
// beyond that each run did its work. Started by bench/run.sh (make bench).
//
// usage: setup_bench DATA SETUP.EXE COPYLOOP.EXE BARE.EXE COMPONENT.DLL X86-SETUP.EXE [RUNS [ONLY]]
// DATA is an empty scratch folder; DATA\szdd\ may hold F00000.BI_ ... made by mscompress.
// ONLY picks parts while profiling: any of size, window, a, b, b10, c, szdd, reg.
#include "Payload.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillonBench";

struct Config {
    std::string data, setup, loop, bare, component, x86Setup;
    int runs = 5;
    std::string only; // "" for every part

    bool Wants(const char* part) const
    {
        if (only.empty()) return true;
        const std::string padded = "," + only + ",";
        return padded.find("," + std::string(part) + ",") != std::string::npos;
    }
};

double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Range(const std::vector<double>& v, const char* format)
{
    if (v.empty()) return "-";
    char a[32], b[32];
    std::snprintf(a, sizeof a, format, *std::min_element(v.begin(), v.end()));
    std::snprintf(b, sizeof b, format, *std::max_element(v.begin(), v.end()));
    return std::string(a) + "-" + b;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA d;
    const HANDLE find = FindFirstFileA((folder + "*").c_str(), &d);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = d.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path + "\\");
            else DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &d));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

// A file of size bytes whose content differs per file.
bool WriteSource(const std::string& path, std::int64_t size, int seed)
{
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::string block(static_cast<std::size_t>(std::min<std::int64_t>(size, 1 << 20)), '\0');
    unsigned x = 2463534242u + static_cast<unsigned>(seed);
    for (char& c : block) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    bool ok = true;
    for (std::int64_t left = size; ok && left > 0;) {
        const DWORD n = static_cast<DWORD>(std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size())));
        DWORD written = 0;
        ok = WriteFile(h, block.data(), n, &written, nullptr) && written == n;
        left -= n;
    }
    CloseHandle(h);
    return ok;
}

std::string EnvironmentBlock(const std::string& temp)
{
    std::string block;
    if (char* env = GetEnvironmentStringsA()) {
        for (const char* p = env; *p; p += std::strlen(p) + 1) {
            if (_strnicmp(p, "TMP=", 4) == 0 || _strnicmp(p, "TEMP=", 5) == 0) continue;
            block.append(p).push_back('\0');
        }
        FreeEnvironmentStringsA(env);
    }
    block.append("TMP=" + temp).push_back('\0');
    block.append("TEMP=" + temp).push_back('\0');
    block.push_back('\0');
    return block;
}

struct Launch {
    bool started = false;
    DWORD exitCode = 9999;
    double seconds = 0;
    SIZE_T peakWorkingSet = 0;
};

// Commits what earlier steps wrote: one flushed file makes the file system write out its
// pending changes, so each timed run starts from the same state. Deleting files whose
// creation is not yet committed is far cheaper, which would favour whichever program
// runs right after its own copy without a flush (the loop; SETUP.EXE flushes its record).
void Settle(const Config& c)
{
    const std::string path = c.data + "settle.tmp";
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(h, "x", 1, &written, nullptr);
        FlushFileBuffers(h);
        CloseHandle(h);
    }
    DeleteFileA(path.c_str());
}

// Runs a command line to its end with a private temporary folder. The peak working set
// is sampled while the process runs: the counters are gone once it has ended.
Launch RunToEnd(const Config& c, std::string commandLine)
{
    Launch l;
    Settle(c);
    std::string env = EnvironmentBlock(c.data + "tmp\\");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double t0 = Now();
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, env.data(), nullptr, &si, &pi))
        return l;
    l.started = true;
    for (;;) {
        const DWORD w = WaitForSingleObject(pi.hProcess, 10);
        if (w != WAIT_TIMEOUT) break;
        PROCESS_MEMORY_COUNTERS m{};
        if (GetProcessMemoryInfo(pi.hProcess, &m, sizeof m)) l.peakWorkingSet = std::max(l.peakWorkingSet, m.PeakWorkingSetSize);
    }
    l.seconds = Now() - t0;
    GetExitCodeProcess(pi.hProcess, &l.exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return l;
}

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

std::string QuietUninstallString()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
    char value[2048] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key, "QuietUninstallString", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string(value) : std::string();
}

// The package's script: the folders, then one copy line per file.
std::string Script(const Config& c, const Payload& p, const char* ext, const char* flags, bool compressed)
{
    std::string s = "[Title]\r\nSetup=Quillon Bench\r\nUnSetupKey=QuillonBench\r\n[DefaultFolder]\r\nFolder=" + c.data +
                    "inst\\\r\n[MakeFolder]\r\n";
    for (int k = 0; k < p.folders; ++k) s += "Folder" + std::to_string(k + 1) + "=(App)\\" + FolderName(k) + "\r\n";
    s += "[CopyFile]\r\n";
    for (int i = 0; i < p.files; ++i) {
        std::string source = SourceName(i, ext);
        std::string line = "(App)\\" + FolderPart(p, i);
        if (compressed) {
            std::string packed = source;
            packed.back() = '_';
            line += packed + "|" + source;
        } else {
            line += source;
        }
        s += "File" + std::to_string(i + 1) + "=" + line + flags + "\r\n";
    }
    return s;
}

struct Timings {
    std::vector<double> loopCopy, loopDelete, install, uninstall, installPeak, uninstallPeak;
    int broken = 0;
};

void Note(Timings& t, const char* what, const Launch& l)
{
    if (!l.started || l.exitCode != 0) {
        ++t.broken;
        std::printf("    ! %s: %s, exit code %lu\n", what, l.started ? "ran" : "not started", l.exitCode);
    }
}

// One payload, runs times: the loop's copy and delete, SETUP.EXE's install and
// uninstall, alternating which goes first.
Timings Measure(const Config& c, const Payload& p, const char* ext, bool compressed, bool withLoop)
{
    Timings t;
    const std::string pkg = c.data + "pkg\\", loopDir = c.data + "loop\\", inst = c.data + "inst\\";
    // No "\" before a closing quote: it would escape the quote.
    const auto folderArg = [](const std::string& folder) { return Quoted(folder.substr(0, folder.size() - 1)); };
    const std::string counts = std::to_string(p.files) + " " + std::to_string(p.folders) + " " + ext;
    const std::string last = inst + FolderPart(p, p.files - 1) + SourceName(p.files - 1, ext);
    for (int r = 0; r < c.runs; ++r) {
        for (int half = 0; half < 2; ++half) {
            if ((half == 0) == (r % 2 == 0)) {
                if (!withLoop) continue;
                Launch l = RunToEnd(c, Quoted(c.loop) + (compressed ? " expand " : " copy ") + folderArg(pkg) + " " +
                                           folderArg(loopDir) + " " + counts);
                Note(t, "copy loop", l);
                t.loopCopy.push_back(l.seconds);
                l = RunToEnd(c, Quoted(c.loop) + " delete " + folderArg(loopDir) + " " + counts);
                Note(t, "delete loop", l);
                t.loopDelete.push_back(l.seconds);
                RemoveTree(loopDir);
                continue;
            }
            DeleteFileA((c.data + "install.log").c_str());
            Launch l = RunToEnd(c, Quoted(pkg + "SETUP.EXE") + " /SP- /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /LOG=" +
                                       Quoted(c.data + "install.log") + " /DIR=" + folderArg(inst));
            Note(t, "install", l);
            if (!Exists(last) || !Exists(inst + "UNSETUP.INI")) {
                ++t.broken;
                std::printf("    ! install left no %s\n", Exists(last) ? "record" : last.c_str());
            }
            t.install.push_back(l.seconds);
            t.installPeak.push_back(static_cast<double>(l.peakWorkingSet) / (1024.0 * 1024.0));
            const std::string quiet = QuietUninstallString();
            if (quiet.empty()) {
                ++t.broken;
                std::printf("    ! no QuietUninstallString\n");
            } else {
                l = RunToEnd(c, quiet);
                Note(t, "uninstall", l);
                if (Exists(inst)) {
                    ++t.broken;
                    std::printf("    ! uninstall left %s\n", inst.c_str());
                }
                t.uninstall.push_back(l.seconds);
                t.uninstallPeak.push_back(static_cast<double>(l.peakWorkingSet) / (1024.0 * 1024.0));
            }
            RemoveTree(inst);
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
            RemoveTree(c.data + "tmp\\");
            CreateDirectoryA((c.data + "tmp").c_str(), nullptr);
        }
    }
    return t;
}

void PrintPair(const char* what, const std::vector<double>& loop, const std::vector<double>& ours, double goal)
{
    const double l = Median(loop), o = Median(ours);
    std::printf("  %-10s loop %7.3f s (%s)   SETUP.EXE %7.3f s (%s)   ratio %5.2f  (goal %.1fx: %s)\n", what, l,
                Range(loop, "%.2f").c_str(), o, Range(ours, "%.2f").c_str(), l > 0 ? o / l : 0, goal,
                l > 0 && o / l <= goal ? "met" : "not met");
}

void PrintPeaks(const Timings& t)
{
    std::printf("  peak working set of SETUP.EXE: install %.1f MB (%s), uninstall %.1f MB (%s)\n",
                Median(t.installPeak), Range(t.installPeak, "%.1f").c_str(), Median(t.uninstallPeak),
                Range(t.uninstallPeak, "%.1f").c_str());
}

bool PreparePackage(const Config& c, const Payload& p, const char* ext, const std::string& script)
{
    const std::string pkg = c.data + "pkg\\";
    CreateDirectoryA(pkg.c_str(), nullptr);
    if (!CopyFileA(c.setup.c_str(), (pkg + "SETUP.EXE").c_str(), FALSE)) return false;
    if (!WriteBytes(pkg + "SETUP.INI", script)) return false;
    for (int i = 0; i < p.files; ++i)
        if (!WriteSource(pkg + SourceName(i, ext), p.size, i)) return false;
    return true;
}

Timings RunPayload(const Config& c, const Payload& p)
{
    std::printf("%s: %d file%s of %lld KB in %d folder%s (%d runs, median and range)\n", p.name, p.files,
                p.files == 1 ? "" : "s", static_cast<long long>(p.size / 1024), p.folders, p.folders == 1 ? "" : "s",
                c.runs);
    std::fflush(stdout);
    Timings t;
    if (!PreparePackage(c, p, "BIN", Script(c, p, "BIN", "", false))) {
        std::printf("  ! could not write the package\n");
    } else {
        t = Measure(c, p, "BIN", false, true);
        PrintPair("install", t.loopCopy, t.install, 1.1);
        PrintPair("uninstall", t.loopDelete, t.uninstall, 1.5);
        PrintPeaks(t);
    }
    RemoveTree(c.data + "pkg\\");
    std::fflush(stdout);
    return t;
}

// The SZDD sources made by mscompress (bench/run.sh), installed under their plain
// names, against a loop that expands them straight to the target.
void RunCompressed(const Config& c, const Payload& plain, const Timings& plainTimes)
{
    const std::string szdd = c.data + "szdd\\";
    if (!Exists(szdd + "F00000.BI_")) {
        std::printf("compressed payload: no SZDD sources in %s (made by bench/run.sh with mscompress)\n",
                    szdd.c_str());
        return;
    }
    Payload p = plain;
    p.name = "(a) compressed (SZDD)";
    std::printf("%s: the files of (a) as SZDD sources (%d runs)\n", p.name, c.runs);
    std::fflush(stdout);
    const std::string pkg = c.data + "pkg\\";
    CreateDirectoryA(pkg.c_str(), nullptr);
    bool ok = CopyFileA(c.setup.c_str(), (pkg + "SETUP.EXE").c_str(), FALSE) &&
              WriteBytes(pkg + "SETUP.INI", Script(c, p, "BIN", "", true));
    for (int i = 0; ok && i < p.files; ++i) {
        std::string name = SourceName(i, "BIN");
        name.back() = '_';
        ok = CopyFileA((szdd + name).c_str(), (pkg + name).c_str(), FALSE) != FALSE;
    }
    if (!ok) {
        std::printf("  ! could not write the package\n");
    } else {
        const Timings t = Measure(c, p, "BIN", true, true);
        PrintPair("install", t.loopCopy, t.install, 1.1);
        const double extra = Median(t.install) - Median(plainTimes.install);
        const double loopExtra = Median(t.loopCopy) - Median(plainTimes.loopCopy);
        std::printf("  the expansion costs SETUP.EXE %.3f s over the plain payload (%.2f ms per file); the loop "
                    "expanding straight to the target %.3f s (%.2f ms per file)\n",
                    extra, extra * 1000 / p.files, loopExtra, loopExtra * 1000 / p.files);
    }
    RemoveTree(pkg);
    std::fflush(stdout);
}

// Self-registration: the same component installed with "/R" and, as plain data, without.
void RunRegistration(const Config& c)
{
    const Payload p{"self-registration", 200, 0, 0};
    std::printf("self-registration: %d copies of a component that registers doing nothing, \"/R\" against the same "
                "bytes as plain files (%d runs)\n",
                p.files, c.runs);
    std::fflush(stdout);
    Timings plain, registered;
    for (const bool asComponent : {false, true}) {
        const char* ext = asComponent ? "DLL" : "BIN";
        const std::string pkg = c.data + "pkg\\";
        CreateDirectoryA(pkg.c_str(), nullptr);
        bool ok = CopyFileA(c.setup.c_str(), (pkg + "SETUP.EXE").c_str(), FALSE) &&
                  WriteBytes(pkg + "SETUP.INI", Script(c, p, ext, asComponent ? ",/R" : "", false));
        for (int i = 0; ok && i < p.files; ++i)
            ok = CopyFileA(c.component.c_str(), (pkg + SourceName(i, ext)).c_str(), FALSE) != FALSE;
        if (ok) (asComponent ? registered : plain) = Measure(c, p, ext, false, false);
        else std::printf("  ! could not write the package\n");
        RemoveTree(pkg);
    }
    const double reg = Median(registered.install) - Median(plain.install);
    const double unreg = Median(registered.uninstall) - Median(plain.uninstall);
    std::printf("  install   plain %.3f s, with /R %.3f s: %.2f ms per registration\n", Median(plain.install),
                Median(registered.install), reg * 1000 / p.files);
    std::printf("  uninstall plain %.3f s, components %.3f s: %.2f ms per unregistration before the delete\n",
                Median(plain.uninstall), Median(registered.uninstall), unreg * 1000 / p.files);
    std::fflush(stdout);
}

struct WindowSearch {
    DWORD pid;
    bool any = false;
    bool wizard = false;
};

BOOL CALLBACK NoteWindow(HWND hwnd, LPARAM param)
{
    auto* s = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
    s->any = true;
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (std::strcmp(name, "TfrmMain") == 0 || std::strcmp(name, "BareWindow") == 0) s->wizard = true;
    return TRUE;
}

// Seconds from the start of the process to its first visible window and to the wizard
// (for the bare program: its one window); the process is then ended.
bool FirstWindow(const Config& c, const std::string& exe, double& first, double& wizard)
{
    std::string env = EnvironmentBlock(c.data + "tmp\\");
    std::string commandLine = Quoted(exe);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double t0 = Now();
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, env.data(), nullptr, &si, &pi))
        return false;
    first = wizard = 0;
    while (Now() - t0 < 30) {
        WindowSearch s{pi.dwProcessId};
        EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&s));
        const double t = Now() - t0;
        if (s.any && first == 0) first = t;
        if (s.wizard) {
            wizard = t;
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 1) != WAIT_TIMEOUT) break;
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    RemoveTree(c.data + "tmp\\");
    CreateDirectoryA((c.data + "tmp").c_str(), nullptr);
    return wizard > 0;
}

void RunFirstWindow(const Config& c)
{
    std::printf("first window: process start to the first visible window (%d runs, median and range)\n", c.runs);
    std::fflush(stdout);
    const std::string pkg = c.data + "fw\\";
    CreateDirectoryA(pkg.c_str(), nullptr);
    CopyFileA(c.setup.c_str(), (pkg + "SETUP.EXE").c_str(), FALSE);
    WriteBytes(pkg + "SETUP.INI", "[Title]\r\nSetup=Quillon Bench\r\n[CopyFile]\r\nFile1=(App)\\A.TXT\r\n");
    WriteBytes(pkg + "A.TXT", "a");
    std::vector<double> bare, setupFirst, setupWizard;
    // The desktop process starts with the first window of the prefix and stays while a
    // program is about: up before timing, as Windows has it, and one untimed start each.
    GetDesktopWindow();
    double first, wizard;
    FirstWindow(c, c.bare, first, wizard);
    FirstWindow(c, pkg + "SETUP.EXE", first, wizard);
    for (int r = 0; r < c.runs; ++r) {
        if (FirstWindow(c, c.bare, first, wizard)) bare.push_back(wizard);
        if (FirstWindow(c, pkg + "SETUP.EXE", first, wizard)) {
            setupFirst.push_back(first);
            setupWizard.push_back(wizard);
        }
    }
    RemoveTree(pkg);
    const double b = Median(bare), s = Median(setupFirst), w = Median(setupWizard);
    std::printf("  bare window %.3f s (%s)   SETUP.EXE first window %.3f s (%s) ratio %.2f (goal 1.5x: %s)\n", b,
                Range(bare, "%.2f").c_str(), s, Range(setupFirst, "%.2f").c_str(), b > 0 ? s / b : 0,
                b > 0 && s / b <= 1.5 ? "met" : "not met");
    std::printf("  SETUP.EXE wizard window %.3f s (%s) ratio %.2f\n", w, Range(setupWizard, "%.2f").c_str(),
                b > 0 ? w / b : 0);
    std::fflush(stdout);
}

void PrintSize(const char* architecture, const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA d{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) {
        std::printf("  %s: %s not built\n", architecture, path.c_str());
        return;
    }
    const double kb = static_cast<double>(d.nFileSizeLow) / 1024.0;
    std::printf("  %s: %lu bytes (%.0f KB, goal under 512 KB: %s)  %s\n", architecture, d.nFileSizeLow, kb,
                kb < 512 ? "met" : "not met", path.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 7) {
        std::printf("usage: setup_bench DATA SETUP.EXE COPYLOOP.EXE BARE.EXE COMPONENT.DLL X86-SETUP.EXE [RUNS]\n");
        return 2;
    }
    Config c;
    c.data = argv[1];
    if (c.data.back() != '\\') c.data += '\\';
    c.setup = argv[2];
    c.loop = argv[3];
    c.bare = argv[4];
    c.component = argv[5];
    c.x86Setup = argv[6];
    if (argc > 7) c.runs = std::max(1, std::atoi(argv[7]));
    if (argc > 8) c.only = argv[8];
    CreateDirectoryA((c.data + "tmp").c_str(), nullptr);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);

    std::printf("SETUP.EXE benchmark: unattended runs against a plain copy/delete loop, each a process of its own.\n"
                "Figures are wall-clock times on shared cores: compare ratios, not absolute values.\n\n");
    if (c.Wants("size")) {
        std::printf("size of the SETUP.EXE to ship:\n");
        PrintSize("x64", c.setup);
        PrintSize("x86", c.x86Setup);
        std::printf("\n");
    }
    if (c.Wants("window")) {
        RunFirstWindow(c);
        std::printf("\n");
    }

    const Payload a{"(a)", 2000, 10, 50 * 1024};
    const Payload b{"(b)", 20000, 20, 1024};
    const Payload bSmall{"(b) at a tenth", 2000, 20, 1024};
    const Payload big{"(c)", 1, 0, 1024LL * 1024 * 1024};
    Timings ta, tb, tbs;
    if (c.Wants("a") || c.Wants("szdd")) {
        ta = RunPayload(c, a);
        std::printf("\n");
    }
    if (c.Wants("b")) {
        tb = RunPayload(c, b);
        std::printf("\n");
    }
    if (c.Wants("b10")) {
        tbs = RunPayload(c, bSmall);
        if (!tb.installPeak.empty()) {
            std::printf("  memory against the number of files: install %.1f MB for %d files, %.1f MB for %d files "
                        "(%+.1f MB); uninstall %.1f MB, %.1f MB (%+.1f MB)\n",
                        Median(tbs.installPeak), bSmall.files, Median(tb.installPeak), b.files,
                        Median(tb.installPeak) - Median(tbs.installPeak), Median(tbs.uninstallPeak),
                        Median(tb.uninstallPeak), Median(tb.uninstallPeak) - Median(tbs.uninstallPeak));
        }
        std::printf("\n");
    }
    if (c.Wants("c")) {
        Config bigRuns = c;
        bigRuns.runs = std::min(c.runs, 3); // 1 GB each time
        RunPayload(bigRuns, big);
        std::printf("\n");
    }
    if (c.Wants("szdd")) {
        RunCompressed(c, a, ta);
        std::printf("\n");
    }
    if (c.Wants("reg")) RunRegistration(c);

    RemoveTree(c.data + "tmp\\");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
    const int broken = ta.broken + tb.broken + tbs.broken;
    if (broken) std::printf("\n%d runs did not do their work: their figures mean nothing.\n", broken);
    return 0;
}
