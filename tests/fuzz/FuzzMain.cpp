// The fuzzer: feeds generated and mutated setup scripts and uninstall records to the
// script readers, the record loader and both engines, in a sandbox under Wine.
//
// The parent process makes the sandbox and hands the cases to a child process, which
// runs them one after another and reports each on its standard output. A case that
// ends the child (a crash) or outlives the time limit (a hang; the child is ended) is
// a finding: its inputs, which the child saved before running it, are kept, and a new
// child goes on with the next case. Every case follows from the seed and its index, so
// "--seed S --case N" runs it again. Saved cases (--replay) are run first.
#include "Cases.h"
#include "Corpus.h"
#include "Sandbox.h"
#include "TestSupport.h"

#include "services/Shortcut.h"

#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct Options {
    long long cases = 200;
    long long first = 0;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    bool verbose = false;
    int timeLimitSeconds = 30;
    std::vector<std::string> replay;
    std::string findings;
    // Child side.
    bool child = false;
    std::string jobs;
    long long from = 0;
    SandboxConfig sandbox;
};

std::string ExeFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path);
    return p.substr(0, p.find_last_of("\\/") + 1);
}

void Usage()
{
    std::printf("usage: fuzz.exe [--cases N] [--seed S] [--case N] [--time-limit SECONDS]\n"
                "                [--replay FOLDER]... [--findings FOLDER]\n"
                "  --cases N        generated cases to run (default 200)\n"
                "  --seed S         the run's seed (default: from the clock, printed)\n"
                "  --case N         run only case N of the seed\n"
                "  --time-limit S   seconds a case may take before it counts as a hang (30)\n"
                "  --replay FOLDER  run every saved case in FOLDER (a folder of case folders) first\n"
                "  --findings DIR   where the cases of findings are kept (default: fuzz-findings\n"
                "                   beside the program)\n"
                "  --verbose        show what the runs logged and why parts were not run\n");
}

bool Parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--cases") o.cases = std::atoll(next().c_str());
        else if (a == "--seed") o.seed = std::strtoull(next().c_str(), nullptr, 10), o.seedGiven = true;
        else if (a == "--case") o.first = std::atoll(next().c_str()), o.cases = 1;
        else if (a == "--time-limit") o.timeLimitSeconds = std::atoi(next().c_str());
        else if (a == "--replay") o.replay.push_back(next());
        else if (a == "--findings") o.findings = next();

        else if (a == "--verbose") o.verbose = true;
        else if (a == "--child") o.child = true;
        else if (a == "--jobs") o.jobs = next();
        else if (a == "--from") o.from = std::atoll(next().c_str());
        else if (a == "--drive") o.sandbox.drive = next()[0];
        else if (a == "--run") o.sandbox.runId = next();
        else if (a == "--base") o.sandbox.base = next() + "\\";
        else return false;
    }
    return true;
}

// A job is a saved case ("R <folder>") or a generated one ("G <index>").
struct Job {
    bool replay = false;
    std::string folder;
    long long index = 0;
    std::string Label(std::uint64_t seed) const
    {
        if (replay) {
            std::string name = folder;
            while (!name.empty() && (name.back() == '\\' || name.back() == '/')) name.pop_back();
            return "replay-" + name.substr(name.find_last_of("\\/") + 1);
        }
        return "seed" + std::to_string(seed) + "-case" + std::to_string(index);
    }
};

std::vector<Job> ReadJobs(const std::string& file)
{
    std::vector<Job> jobs;
    const std::string text = ReadFileBytes(file);
    for (std::size_t p = 0; p < text.size();) {
        std::size_t e = text.find('\n', p);
        if (e == std::string::npos) e = text.size();
        const std::string line = text.substr(p, e - p);
        p = e + 1;
        if (line.size() < 3) continue;
        Job job;
        job.replay = line[0] == 'R';
        if (job.replay) job.folder = line.substr(2);
        else job.index = std::atoll(line.c_str() + 2);
        jobs.push_back(job);
    }
    return jobs;
}

void CopyFolderFiles(const std::string& from, const std::string& to)
{
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((from + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyFileA((from + data.cFileName).c_str(), (to + data.cFileName).c_str(), FALSE);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void Say(std::string line)
{
    for (char& c : line) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// ---------------------------------------------------------------------------------
// Child

long long g_job = -1;

std::string ModuleAndOffset(DWORD64 address)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(address), &module))
        return "?";
    char name[MAX_PATH] = {};
    GetModuleFileNameA(module, name, MAX_PATH);
    std::string n(name);
    char offset[32];
    std::snprintf(offset, sizeof offset, "+0x%llx",
                  static_cast<unsigned long long>(address - reinterpret_cast<DWORD64>(module)));
    return n.substr(n.find_last_of("\\/") + 1) + offset;
}

// A crash ends the child; before it does, the place it happened goes to the report
// (module and offset of each frame, for addr2line on the program).
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    char head[96];
    std::snprintf(head, sizeof head, "T %lld crash 0x%08lX at ", g_job,
                  static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
    std::string line = head + ModuleAndOffset(reinterpret_cast<DWORD64>(info->ExceptionRecord->ExceptionAddress));
    CONTEXT context = *info->ContextRecord;
    for (int frame = 0; frame < 24 && context.Rip; ++frame) {
        DWORD64 base = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &base, nullptr);
        if (!function) {
            context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
            context.Rsp += 8;
        } else {
            void* handlerData = nullptr;
            DWORD64 establisher = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, context.Rip, function, &context, &handlerData, &establisher,
                             nullptr);
        }
        if (context.Rip) line += " < " + ModuleAndOffset(context.Rip);
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return EXCEPTION_EXECUTE_HANDLER;
}

int RunChild(const Options& o)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(ReportCrash);
    ComInit com;
    const Sandbox box(o.sandbox);
    const Corpus corpus = LoadCorpus(QS_SOURCE_DIR);
    const std::vector<Job> jobs = ReadJobs(o.jobs);
    const std::string current = o.sandbox.base + "current\\";
    for (long long j = o.from; j < static_cast<long long>(jobs.size()); ++j) {
        const Job& job = jobs[static_cast<std::size_t>(j)];
        Say("B " + std::to_string(j));
        g_job = j;
        const DWORD start = GetTickCount();
        CaseInput input;
        if (job.replay) {
            if (!LoadCase(job.folder, input)) {
                Say("F " + std::to_string(j) + " saved case cannot be read: " + job.folder);
                Say("E " + std::to_string(j) + " readers 0 0");
                continue;
            }
        } else {
            input = GenerateCase(corpus, CaseSeed(o.seed, static_cast<std::uint64_t>(job.index)));
        }
        const CaseReport report = RunCase(input, box, current);
        box.CleanRegistry();
        for (const std::string& finding : report.findings) Say("F " + std::to_string(j) + " " + finding);
        if (o.verbose) {
            Say("T " + std::to_string(j) + " " + KindName(input.kind) + " case from " + input.origin);
            for (const std::string& line : report.vetoes) Say("T " + std::to_string(j) + " veto: " + line);
            for (const std::string& line : report.trace) Say("T " + std::to_string(j) + " " + Printable(line, 6000));
        }
        if (!report.findings.empty()) {
            const std::string keep = o.findings + job.Label(o.seed) + "\\";
            CopyFolderFiles(current, keep);
            std::string text;
            for (const std::string& f : report.findings) text += f + "\r\n";
            WriteFileBytes(keep + "findings.txt", text);
        }
        Say("E " + std::to_string(j) + " " + KindName(input.kind) + " " + std::to_string(GetTickCount() - start) + " " +
            std::to_string(report.vetoes.size()) + " " + (report.checkedClean ? "1" : "0"));
    }
    return 0;
}

// ---------------------------------------------------------------------------------
// Parent

// The child's output is read by a thread of its own: a read that waits for the child
// must never keep the parent from noticing that a case has run too long.
struct Child {
    HANDLE process = nullptr;
    HANDLE output = nullptr;
    HANDLE reader = nullptr;
    CRITICAL_SECTION lock;
    std::string received; // guarded by lock
    std::string pending;
};

DWORD WINAPI ReadOutput(void* parameter)
{
    Child& child = *static_cast<Child*>(parameter);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(child.output, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        EnterCriticalSection(&child.lock);
        child.received.append(buffer, got);
        LeaveCriticalSection(&child.lock);
    }
    return 0;
}

bool StartChild(const Options& o, const std::string& jobsFile, long long from, Child& child)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &sa, 0)) return false;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    // Folders go without their final backslash, which would escape the closing quote.
    const auto folder = [](const std::string& f) { return std::string("\"").append(f, 0, f.size() - 1).append("\""); };
    std::string command = "\"" + std::string(exe) + "\" --child --jobs \"" + jobsFile + "\" --from " +
                          std::to_string(from) + " --seed " + std::to_string(o.seed) + " --drive " +
                          std::string(1, o.sandbox.drive) + " --run " + o.sandbox.runId + " --base " +
                          folder(o.sandbox.base) + " --findings " + folder(o.findings) + (o.verbose ? " --verbose" : "");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    const BOOL ok = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(write);
    if (!ok) {
        CloseHandle(read);
        return false;
    }
    CloseHandle(pi.hThread);
    child.process = pi.hProcess;
    child.output = read;
    InitializeCriticalSection(&child.lock);
    child.reader = CreateThread(nullptr, 0, ReadOutput, &child, 0, nullptr);
    return true;
}

// The complete lines the child has written so far.
std::vector<std::string> ReadLines(Child& child)
{
    EnterCriticalSection(&child.lock);
    child.pending += child.received;
    child.received.clear();
    LeaveCriticalSection(&child.lock);
    std::vector<std::string> lines;
    for (std::size_t nl = child.pending.find('\n'); nl != std::string::npos; nl = child.pending.find('\n')) {
        std::string line = child.pending.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        child.pending.erase(0, nl + 1);
    }
    return lines;
}

// Waits for the reader to take in all that the ended child wrote. A program the child
// started may hold the pipe open; the reader is then stopped.
void FinishReading(Child& child)
{
    if (WaitForSingleObject(child.reader, 5000) != WAIT_OBJECT_0) TerminateThread(child.reader, 0);
}

void CloseChild(Child& child)
{
    CloseHandle(child.reader);
    CloseHandle(child.process);
    CloseHandle(child.output);
    DeleteCriticalSection(&child.lock);
}

struct Totals {
    std::map<std::string, long long> byKind;
    long long vetoes = 0;
    long long clean = 0; // installations of scripts the checker called clean
    long long done = 0;
    std::vector<std::string> findings;
};

int RunParent(Options o)
{
    if (!o.seedGiven) o.seed = (GetTickCount64() * 2654435761ull) ^ GetCurrentProcessId();
    if (o.findings.empty()) o.findings = ExeFolder() + "fuzz-findings\\";
    CreateDirectoryA(o.findings.c_str(), nullptr);

    std::string error;
    if (!Sandbox::Create(o.sandbox, error)) {
        std::printf("fuzz: no sandbox: %s\n", error.c_str());
        return 2;
    }
    std::vector<Job> jobs;
    for (const std::string& folder : o.replay) {
        const std::string base = folder.back() == '\\' || folder.back() == '/' ? folder : folder + "\\";
        WIN32_FIND_DATAA data{};
        HANDLE find = FindFirstFileA((base + "*").c_str(), &data);
        std::vector<std::string> names;
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = data.cFileName;
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
                    names.push_back(name);
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) jobs.push_back({true, base + name + "\\", 0});
    }
    for (long long i = 0; i < o.cases; ++i) jobs.push_back({false, "", o.first + i});
    std::string list;
    for (const Job& job : jobs) list += job.replay ? "R " + job.folder + "\n" : "G " + std::to_string(job.index) + "\n";
    const std::string jobsFile = o.sandbox.base + "jobs.txt";
    WriteFileBytes(jobsFile, list);

    std::printf("fuzz: seed %llu, %zu saved cases, %lld generated cases, drive %c:, time limit %d s per case\n",
                static_cast<unsigned long long>(o.seed), jobs.size() - static_cast<std::size_t>(o.cases), o.cases,
                o.sandbox.drive, o.timeLimitSeconds);
    std::fflush(stdout);

    Totals totals;
    const DWORD start = GetTickCount();
    long long next = 0;
    while (next < static_cast<long long>(jobs.size())) {
        Child child;
        if (!StartChild(o, jobsFile, next, child)) {
            std::printf("fuzz: cannot start the child process\n");
            break;
        }
        long long running = -1;
        DWORD runningSince = GetTickCount();
        const auto handle = [&](const std::string& line) {
            const long long job = std::atoll(line.c_str() + 2);
            const std::string rest = line.size() > 2 ? line.substr(line.find(' ', 2) + 1) : "";
            if (line[0] == 'B') {
                running = job;
                runningSince = GetTickCount();
            } else if (line[0] == 'T') {
                std::printf("  %s\n", Cp932ToUtf8(rest).c_str());
                std::fflush(stdout);
            } else if (line[0] == 'F') {
                const Job& j = jobs[static_cast<std::size_t>(job)];
                totals.findings.push_back(j.Label(o.seed) + ": " + rest);
                std::printf("FINDING %s: %s\n", j.Label(o.seed).c_str(), Cp932ToUtf8(rest).c_str());
                std::fflush(stdout);
            } else if (line[0] == 'E') {
                char kind[32] = {};
                long long ms = 0, vetoes = 0, clean = 0;
                std::sscanf(rest.c_str(), "%31s %lld %lld %lld", kind, &ms, &vetoes, &clean);
                ++totals.byKind[kind];
                totals.vetoes += vetoes;
                totals.clean += clean;
                ++totals.done;
                running = -1;
                next = job + 1;
                if (totals.done % 500 == 0) {
                    std::printf("fuzz: %lld cases, %lu s\n", totals.done, (GetTickCount() - start) / 1000);
                    std::fflush(stdout);
                }
            }
        };
        bool ended = false;
        while (!ended) {
            ended = WaitForSingleObject(child.process, 20) == WAIT_OBJECT_0;
            for (const std::string& line : ReadLines(child)) handle(line);
            if (!ended && running >= 0 && GetTickCount() - runningSince > static_cast<DWORD>(o.timeLimitSeconds) * 1000) {
                TerminateProcess(child.process, 0xDEAD);
                WaitForSingleObject(child.process, 5000);
                const Job& j = jobs[static_cast<std::size_t>(running)];
                const std::string what = "hang: the case ran longer than " + std::to_string(o.timeLimitSeconds) + " s";
                totals.findings.push_back(j.Label(o.seed) + ": " + what);
                std::printf("FINDING %s: %s\n", j.Label(o.seed).c_str(), what.c_str());
                CopyFolderFiles(o.sandbox.base + "current\\", o.findings + j.Label(o.seed) + "\\");
                WriteFileBytes(o.findings + j.Label(o.seed) + "\\findings.txt", what + "\r\n");
                ++totals.done;
                next = running + 1;
                ended = true;
                running = -1;
            }
        }
        DWORD code = 0;
        GetExitCodeProcess(child.process, &code);
        FinishReading(child);
        for (const std::string& line : ReadLines(child)) handle(line);
        CloseChild(child);
        if (running >= 0) {
            char what[128];
            std::snprintf(what, sizeof what, "crash: the child ended with code 0x%08lX during the case",
                          static_cast<unsigned long>(code));
            const Job& j = jobs[static_cast<std::size_t>(running)];
            totals.findings.push_back(j.Label(o.seed) + ": " + what);
            std::printf("FINDING %s: %s\n", j.Label(o.seed).c_str(), what);
            CopyFolderFiles(o.sandbox.base + "current\\", o.findings + j.Label(o.seed) + "\\");
            WriteFileBytes(o.findings + j.Label(o.seed) + "\\findings.txt", std::string(what) + "\r\n");
            ++totals.done;
            next = running + 1;
        } else if (code != 0 && next < static_cast<long long>(jobs.size())) {
            std::printf("fuzz: the child ended with code %lu between cases\n", static_cast<unsigned long>(code));
            break;
        }
    }
    Sandbox::Destroy(o.sandbox);

    std::printf("fuzz: seed %llu: %lld cases in %.1f s (", static_cast<unsigned long long>(o.seed), totals.done,
                (GetTickCount() - start) / 1000.0);
    bool firstKind = true;
    for (const auto& [kind, count] : totals.byKind) {
        std::printf("%s%s %lld", firstKind ? "" : ", ", kind.c_str(), count);
        firstKind = false;
    }
    std::set<std::string> casesWithFindings;
    for (const std::string& f : totals.findings) casesWithFindings.insert(f.substr(0, f.find(':')));
    std::printf("), %lld parts vetoed by the sandbox, %lld scripts the checker called clean installed, %zu findings in "
                "%zu cases\n",
                totals.vetoes, totals.clean, totals.findings.size(), casesWithFindings.size());
    if (!totals.findings.empty())
        std::printf("fuzz: the cases are kept in %s; run one again with --seed %llu --case N\n", o.findings.c_str(),
                    static_cast<unsigned long long>(o.seed));
    return totals.findings.empty() && totals.done == static_cast<long long>(jobs.size()) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!Parse(argc, argv, o)) {
        Usage();
        return 2;
    }
    if (!o.findings.empty() && o.findings.back() != '\\' && o.findings.back() != '/') o.findings += "\\";
    return o.child ? RunChild(o) : RunParent(o);
}
