// Times SETUP.EXE end to end against the practical limit and a peer, in one run under one
// prefix: unattended installation and uninstallation of the payloads against a plain copy
// and delete loop (bench/CopyLoop.cpp) and the same payload as an NSIS package (built by
// bench/run.sh), wall and busy seconds, the peak working set, what SZDD expansion and
// self-registration cost, the time to the first window against a bare window program,
// and the size of the SETUP.EXE of both architectures. Prints figures; checks nothing
// beyond that each run did its work. Started by bench/run.sh (make bench).
//
// usage: setup_bench DATA SETUP.EXE COPYLOOP.EXE BARE.EXE COMPONENT.DLL X86-SETUP.EXE [RUNS [ONLY]]
// DATA is an empty scratch folder; DATA\szdd\ may hold F00000.BI_ ... made by mscompress,
// DATA\nsis\KEY.exe the NSIS package of payload KEY.
//        setup_bench --nsis-package DATA KEY   writes what makensis needs for payload KEY
// ONLY picks parts while profiling: any of size, window, a, b, b10, c, d, e, szdd, reg.
#include "Payload.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillonBench";
const char kNsisUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillonBenchNSIS";

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
    double cpu = 0; // busy seconds of the machine's cores while it ran
    SIZE_T peakWorkingSet = 0;
};

// Busy time of all cores so far, from Linux's counters (DATA\procstat, a link to /proc/stat
// made by bench/run.sh). Wine reports no processor time for other processes, and a run's
// cost includes the wineserver's share, so the bench counts what the machine was busy with
// while a run lasted; on a quiet machine that is the run.
double MachineBusySeconds(const Config& c)
{
    const HANDLE h = CreateFileA((c.data + "procstat").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    char text[512] = {};
    DWORD got = 0;
    ReadFile(h, text, sizeof text - 1, &got, nullptr);
    CloseHandle(h);
    // "cpu  user nice system idle iowait irq softirq steal ..." in clock ticks (1/100 s)
    unsigned long long v[8] = {};
    if (std::sscanf(text, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                    &v[6], &v[7]) < 4)
        return 0;
    return static_cast<double>(v[0] + v[1] + v[2] + v[5] + v[6] + v[7]) / 100.0;
}

// Has bench/run.sh serve a request (DATA\NAME.req holding text): false when no one serves
// them (the bench started by hand). Opening the pipe DATA\.tick wakes the shell; it is
// opened again while the request stands, as the shell may have been busy the first time.
bool AskShell(const Config& c, const char* name, const std::string& text)
{
    const std::string request = c.data + name + ".req";
    if (!Exists(c.data + "syncer.on") || !WriteBytes(request, text)) return false;
    for (int waited = 0; Exists(request) && waited < 600000; waited += 20) {
        const HANDLE tick = CreateFileA((c.data + ".tick").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (tick != INVALID_HANDLE_VALUE) CloseHandle(tick);
        Sleep(20);
    }
    return !Exists(request);
}

// Commits what earlier steps wrote, so that each timed run starts from the same state:
// deleting files whose creation is not yet written out is far cheaper, and a copy pays
// for what the step before left to write. bench/run.sh syncs the file system when asked;
// without it one flushed file makes the file system commit its journal.
void Settle(const Config& c)
{
    if (AskShell(c, "sync", "sync")) return;
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

// Whether the processes left in a job are only Wine's own services (the desktop, rpcss
// and the like, from the system folder), which a program's first call may start and
// which stay after it.
bool OnlyWineServicesLeft(HANDLE job)
{
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST list;
        ULONG_PTR more[255];
    } ids{};
    if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr)) return true;
    char system[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(system, MAX_PATH);
    for (DWORD k = 0; k < ids.list.NumberOfProcessIdsInList; ++k) {
        const HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                     static_cast<DWORD>(ids.list.ProcessIdList[k]));
        if (!h) continue;
        char image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
        const bool service = QueryFullProcessImageNameA(h, 0, image, &size) && _strnicmp(image, system, n) == 0;
        CloseHandle(h);
        if (running && !service) return false;
    }
    return true;
}

// Runs a command line until it and every process it started have ended (an NSIS
// uninstaller hands its work to a copy of itself in the temporary folder), with a private
// temporary folder. The peak working set of the first process is sampled while it runs:
// the counters are gone once it has ended.
Launch RunToEnd(const Config& c, std::string commandLine)
{
    Launch l;
    Settle(c);
    std::string env = EnvironmentBlock(c.data + "tmp\\");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const HANDLE job = CreateJobObjectA(nullptr, nullptr);
    const double cpu0 = MachineBusySeconds(c);
    const double t0 = Now();
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, env.data(), nullptr,
                       &si, &pi)) {
        l.started = true;
        const bool inJob = job && AssignProcessToJobObject(job, pi.hProcess);
        ResumeThread(pi.hThread);
        while (WaitForSingleObject(pi.hProcess, 10) == WAIT_TIMEOUT) {
            PROCESS_MEMORY_COUNTERS m{};
            if (GetProcessMemoryInfo(pi.hProcess, &m, sizeof m))
                l.peakWorkingSet = std::max(l.peakWorkingSet, m.PeakWorkingSetSize);
        }
        while (inJob && !OnlyWineServicesLeft(job)) Sleep(5);
        l.seconds = Now() - t0;
        l.cpu = MachineBusySeconds(c) - cpu0;
        GetExitCodeProcess(pi.hProcess, &l.exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    if (job) CloseHandle(job);
    return l;
}

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

std::string QuietUninstallString(const char* entry)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
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

// Wall and busy seconds of the runs of one step.
struct Series {
    std::vector<double> wall, cpu;
    void Add(const Launch& l)
    {
        wall.push_back(l.seconds);
        cpu.push_back(l.cpu);
    }
};

struct Timings {
    Series loopCopy, loopDelete, install, uninstall, nsisInstall, nsisUninstall;
    std::vector<double> installPeak, uninstallPeak;
    int broken = 0;
};

void Note(Timings& t, const char* what, const Launch& l)
{
    if (!l.started || l.exitCode != 0) {
        ++t.broken;
        std::printf("    ! %s: %s, exit code %lu\n", what, l.started ? "ran" : "not started", l.exitCode);
    }
}

void Expect(Timings& t, bool holds, const char* what, const std::string& path)
{
    if (holds) return;
    ++t.broken;
    std::printf("    ! %s %s\n", what, path.c_str());
}

std::string NsisInstaller(const Config& c, const Payload& p)
{
    return c.data + "nsis\\" + p.key + ".exe";
}

// One payload, runs times: the loop's copy and delete, SETUP.EXE's install and uninstall
// and, where bench/run.sh built it, the NSIS package's; which goes first turns each run.
Timings Measure(const Config& c, const Payload& p, const char* ext, bool compressed, bool withLoop)
{
    Timings t;
    const std::string pkg = c.data + "pkg\\", loopDir = c.data + "loop\\", inst = c.data + "inst\\",
                      nsisDir = c.data + "ninst\\";
    // No "\" before a closing quote: it would escape the quote.
    const auto folderArg = [](const std::string& folder) { return Quoted(folder.substr(0, folder.size() - 1)); };
    const std::string counts = std::to_string(p.files) + " " + std::to_string(p.folders) + " " + ext;
    const std::string lastFile = FolderPart(p, p.files - 1) + SourceName(p.files - 1, ext);
    const bool withNsis = !compressed && Exists(NsisInstaller(c, p));
    const auto clean = [&](const std::string& folder) {
        RemoveTree(folder);
        RemoveTree(c.data + "tmp\\");
        CreateDirectoryA((c.data + "tmp").c_str(), nullptr);
    };
    const auto loop = [&] {
        Launch l = RunToEnd(c, Quoted(c.loop) + (compressed ? " expand " : " copy ") + folderArg(pkg) + " " +
                                   folderArg(loopDir) + " " + counts);
        Note(t, "copy loop", l);
        t.loopCopy.Add(l);
        l = RunToEnd(c, Quoted(c.loop) + " delete " + folderArg(loopDir) + " " + counts);
        Note(t, "delete loop", l);
        t.loopDelete.Add(l);
        clean(loopDir);
    };
    const auto ours = [&] {
        DeleteFileA((c.data + "install.log").c_str());
        Launch l = RunToEnd(c, Quoted(pkg + "SETUP.EXE") + " /SP- /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /LOG=" +
                                   Quoted(c.data + "install.log") + " /DIR=" + folderArg(inst));
        Note(t, "install", l);
        Expect(t, Exists(inst + lastFile) && Exists(inst + "UNSETUP.INI"), "install left no", inst + lastFile);
        t.install.Add(l);
        t.installPeak.push_back(static_cast<double>(l.peakWorkingSet) / (1024.0 * 1024.0));
        const std::string quiet = QuietUninstallString(kUninstallKey);
        Expect(t, !quiet.empty(), "no QuietUninstallString under", kUninstallKey);
        if (!quiet.empty()) {
            l = RunToEnd(c, quiet);
            Note(t, "uninstall", l);
            Expect(t, !Exists(inst), "uninstall left", inst);
            t.uninstall.Add(l);
            t.uninstallPeak.push_back(static_cast<double>(l.peakWorkingSet) / (1024.0 * 1024.0));
        }
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
        clean(inst);
    };
    // The NSIS installer takes its folder as the last argument, unquoted.
    const auto nsis = [&] {
        Launch l = RunToEnd(c, Quoted(NsisInstaller(c, p)) + " /S /D=" + nsisDir.substr(0, nsisDir.size() - 1));
        Note(t, "NSIS install", l);
        Expect(t, Exists(nsisDir + lastFile), "NSIS install left no", nsisDir + lastFile);
        t.nsisInstall.Add(l);
        const std::string quiet = QuietUninstallString(kNsisUninstallKey);
        Expect(t, !quiet.empty(), "no QuietUninstallString under", kNsisUninstallKey);
        if (!quiet.empty()) {
            l = RunToEnd(c, quiet);
            Note(t, "NSIS uninstall", l);
            Expect(t, !Exists(nsisDir), "NSIS uninstall left", nsisDir);
            t.nsisUninstall.Add(l);
        }
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kNsisUninstallKey);
        clean(nsisDir);
    };
    std::vector<std::function<void()>> steps{ours};
    if (withLoop) steps.push_back(loop);
    if (withNsis) steps.push_back(nsis);
    for (int r = 0; r < c.runs; ++r)
        for (std::size_t k = 0; k < steps.size(); ++k) steps[(k + static_cast<std::size_t>(r)) % steps.size()]();
    return t;
}

std::string Figure(const Series& s)
{
    if (s.wall.empty()) return "-";
    char text[96];
    std::snprintf(text, sizeof text, "%.3f s (%s) cpu %.2f", Median(s.wall), Range(s.wall, "%.2f").c_str(),
                  Median(s.cpu));
    return text;
}

// One step of a payload: the loop, SETUP.EXE and NSIS, wall seconds (median and range) and
// busy seconds (median), and SETUP.EXE against the loop and against NSIS.
void PrintStep(const char* what, const Series& loop, const Series& ours, const Series& nsis, double goal)
{
    const double l = Median(loop.wall), o = Median(ours.wall), n = Median(nsis.wall);
    std::printf("  %-9s loop %s | SETUP.EXE %s | NSIS %s\n", what, Figure(loop).c_str(), Figure(ours).c_str(),
                Figure(nsis).c_str());
    std::printf("  %-9s SETUP.EXE/loop %.2f (goal %.1fx: %s)", "", l > 0 ? o / l : 0, goal,
                l > 0 && o / l <= goal ? "met" : "not met");
    if (n > 0) std::printf("   SETUP.EXE/NSIS %.2f (%s)", o / n, o < n ? "faster" : "not faster");
    // The machine's writes are bimodal (a slow run takes two to three times as long), so
    // the medians of few runs depend on how many of each side's runs were slow; the
    // fastest runs compare the programs themselves.
    const auto fastest = [](const Series& x) { return x.wall.empty() ? 0 : *std::min_element(x.wall.begin(), x.wall.end()); };
    const double lf = fastest(loop), of = fastest(ours), nf = fastest(nsis);
    if (lf > 0) std::printf("   fastest: /loop %.2f", of / lf);
    if (nf > 0) std::printf(", /NSIS %.2f", of / nf);
    std::printf("\n");
}

void PrintPeaks(const Timings& t)
{
    std::printf("  peak working set of SETUP.EXE: install %.1f MB (%s), uninstall %.1f MB (%s)\n",
                Median(t.installPeak), Range(t.installPeak, "%.1f").c_str(), Median(t.uninstallPeak),
                Range(t.uninstallPeak, "%.1f").c_str());
}

// The payload's sources, F00000.EXT and on, of random bytes: written by bench/run.sh
// where it serves requests, else here.
bool WriteSources(const Config& c, const std::string& folder, const Payload& p, const char* ext)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string relative = folder.substr(c.data.size(), folder.size() - c.data.size() - 1);
    if (AskShell(c, "sources", relative + " " + std::to_string(p.files) + " " + std::to_string(p.size) + " " + ext))
        return Exists(folder + SourceName(p.files - 1, ext));
    for (int i = 0; i < p.files; ++i)
        if (!WriteSource(folder + SourceName(i, ext), p.size, i)) return false;
    return true;
}

bool PreparePackage(const Config& c, const Payload& p, const char* ext, const std::string& script)
{
    const std::string pkg = c.data + "pkg\\";
    CreateDirectoryA(pkg.c_str(), nullptr);
    return CopyFileA(c.setup.c_str(), (pkg + "SETUP.EXE").c_str(), FALSE) && WriteBytes(pkg + "SETUP.INI", script) &&
           WriteSources(c, pkg, p, ext);
}

// The same payload as an NSIS package, as a distributor writes one: the files by folder,
// an uninstaller that deletes them and its folders, the entry in the list of programs.
// bench/run.sh compiles it with makensis (the 64-bit target, as SETUP.EXE is measured).
std::string NsisScript(const Payload& p)
{
    const std::string key = kNsisUninstallKey;
    // Without SetDatablockOptimize off makensis compares every file with all earlier ones,
    // which takes minutes at these counts; no two files of a payload are alike anyway.
    std::string s = "SetDatablockOptimize off\nUnicode true\nTarget amd64-unicode\nName \"Quillon Bench NSIS\"\nOutFile \"" +
                    std::string(p.key) + ".exe\"\nInstallDir \"$PROGRAMFILES64\\QuillonBenchNSIS\"\n"
                    "RequestExecutionLevel admin\nSection\n";
    // One File line per folder: makensis reads the source folder for every File line.
    std::string folder = "-", files, folders;
    for (int i = 0; i < p.files; ++i) {
        const std::string part = FolderPart(p, i);
        if (part != folder) {
            folder = part;
            s += "SetOutPath \"$INSTDIR\\" + part + "\"\nFile \"" + part + "*.BIN\"\n";
            if (!part.empty()) folders = "RMDir \"$INSTDIR\\" + part + "\"\n" + folders;
        }
        files += "Delete \"$INSTDIR\\" + part + SourceName(i, "BIN") + "\"\n";
    }
    s += "SetOutPath \"$INSTDIR\"\nWriteUninstaller \"$INSTDIR\\uninst.exe\"\n"
         "WriteRegStr HKLM \"" + key + "\" \"DisplayName\" \"Quillon Bench NSIS\"\n"
         "WriteRegStr HKLM \"" + key + "\" \"UninstallString\" '\"$INSTDIR\\uninst.exe\"'\n"
         "WriteRegStr HKLM \"" + key + "\" \"QuietUninstallString\" '\"$INSTDIR\\uninst.exe\" /S'\n"
         "SectionEnd\nSection \"Uninstall\"\n" + files + folders +
         "Delete \"$INSTDIR\\uninst.exe\"\nRMDir \"$INSTDIR\"\nDeleteRegKey HKLM \"" + key + "\"\nSectionEnd\n";
    return s;
}

Timings RunPayload(const Config& c, const Payload& p)
{
    std::printf("%s: %d file%s of %lld KB in %d folder%s (%d runs; wall seconds: median and range; cpu: the "
                "machine's busy seconds, median)\n",
                p.name, p.files, p.files == 1 ? "" : "s", static_cast<long long>(p.size / 1024), p.folders,
                p.folders == 1 ? "" : "s", c.runs);
    std::fflush(stdout);
    Timings t;
    if (!PreparePackage(c, p, "BIN", Script(c, p, "BIN", "", false))) {
        std::printf("  ! could not write the package\n");
    } else {
        t = Measure(c, p, "BIN", false, true);
        PrintStep("install", t.loopCopy, t.install, t.nsisInstall, 1.0);
        PrintStep("uninstall", t.loopDelete, t.uninstall, t.nsisUninstall, 1.2);
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
        PrintStep("install", t.loopCopy, t.install, {}, 1.0);
        const double extra = Median(t.install.wall) - Median(plainTimes.install.wall);
        const double loopExtra = Median(t.loopCopy.wall) - Median(plainTimes.loopCopy.wall);
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
    const Payload p{"self-registration", 200, 0, 0, "reg"};
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
    const double reg = Median(registered.install.wall) - Median(plain.install.wall);
    const double unreg = Median(registered.uninstall.wall) - Median(plain.uninstall.wall);
    std::printf("  install   plain %.3f s, with /R %.3f s: %.2f ms per registration\n", Median(plain.install.wall),
                Median(registered.install.wall), reg * 1000 / p.files);
    std::printf("  uninstall plain %.3f s, components %.3f s: %.2f ms per unregistration before the delete\n",
                Median(plain.uninstall.wall), Median(registered.uninstall.wall), unreg * 1000 / p.files);
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
    std::printf("  bare window %.3f s (%s)   SETUP.EXE first window %.3f s (%s) ratio %.2f (goal 1.2x: %s)\n", b,
                Range(bare, "%.2f").c_str(), s, Range(setupFirst, "%.2f").c_str(), b > 0 ? s / b : 0,
                b > 0 && s / b <= 1.2 ? "met" : "not met");
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
    // setup_bench --nsis-package DATA KEY: the payload's files and its NSIS script into
    // DATA\nsis-src\, for bench/run.sh to compile.
    if (argc == 4 && std::strcmp(argv[1], "--nsis-package") == 0) {
        const std::string folder = std::string(argv[2]) + "\\nsis-src\\";
        for (const Payload& p : kPayloads) {
            if (std::strcmp(p.key, argv[3]) != 0) continue;
            CreateDirectoryA(folder.c_str(), nullptr);
            for (int k = 0; k < p.folders; ++k) CreateDirectoryA((folder + FolderName(k)).c_str(), nullptr);
            for (int i = 0; i < p.files; ++i)
                if (!WriteSource(folder + FolderPart(p, i) + SourceName(i, "BIN"), p.size, i)) return 1;
            return WriteBytes(folder + "bench.nsi", NsisScript(p)) ? 0 : 1;
        }
        return 2;
    }
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
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kNsisUninstallKey);
    // The prefix's desktop comes up with the first window call and stays: up before any
    // timed run, as on Windows, and outside their jobs.
    GetDesktopWindow();

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

    Timings times[std::size(kPayloads)];
    for (std::size_t k = 0; k < std::size(kPayloads); ++k) {
        const Payload& p = kPayloads[k];
        if (!c.Wants(p.key) && !(k == 0 && c.Wants("szdd"))) continue;
        // (d) writes 100,000 files four times a run: three runs.
        Config runs = c;
        if (std::strcmp(p.key, "d") == 0) runs.runs = std::min(c.runs, 3);
        times[k] = RunPayload(runs, p);
        std::printf("\n");
    }
    const Timings &ta = times[0], &tb = times[1], &tbs = times[2], &td = times[4];
    if (!tb.installPeak.empty() && !tbs.installPeak.empty()) {
        std::printf("memory against the number of files: install %.1f MB for %d files, %.1f MB for %d files "
                    "(%+.1f MB); uninstall %.1f MB, %.1f MB (%+.1f MB)\n\n",
                    Median(tbs.installPeak), kPayloads[2].files, Median(tb.installPeak), kPayloads[1].files,
                    Median(tb.installPeak) - Median(tbs.installPeak), Median(tbs.uninstallPeak),
                    Median(tb.uninstallPeak), Median(tb.uninstallPeak) - Median(tbs.uninstallPeak));
    }
    if (!td.install.wall.empty()) {
        const auto perFile = [](const Series& s, const Payload& p) { return Median(s.wall) * 1000 / p.files; };
        std::printf("scale, (d) against (b), milliseconds per file (goal: within 10 %%; peak under 64 MB):\n");
        for (const auto& [what, d, b] : {std::tuple{"install", &td.install, &tb.install},
                                         std::tuple{"uninstall", &td.uninstall, &tb.uninstall},
                                         std::tuple{"loop copy", &td.loopCopy, &tb.loopCopy},
                                         std::tuple{"loop delete", &td.loopDelete, &tb.loopDelete}}) {
            const double x = perFile(*d, kPayloads[4]), y = b->wall.empty() ? 0 : perFile(*b, kPayloads[1]);
            std::printf("  %-11s (d) %.3f ms", what, x);
            if (y > 0) std::printf("   (b) %.3f ms   %+.0f %%", y, (x / y - 1) * 100);
            std::printf("\n");
        }
        std::printf("  peak working set of SETUP.EXE: install %.1f MB, uninstall %.1f MB (%s)\n\n",
                    Median(td.installPeak), Median(td.uninstallPeak),
                    std::max(Median(td.installPeak), Median(td.uninstallPeak)) <= 64 ? "met" : "not met");
    }
    if (c.Wants("szdd")) {
        RunCompressed(c, kPayloads[0], ta);
        std::printf("\n");
    }
    if (c.Wants("reg")) RunRegistration(c);

    RemoveTree(c.data + "tmp\\");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
    int broken = 0;
    for (const Timings& t : times) broken += t.broken;
    if (broken) std::printf("\n%d runs did not do their work: their figures mean nothing.\n", broken);
    return 0;
}
