// Starts Windows programs and times them from the outside, for
// scripts/bench.sh. Runs under Wine next to the programs it measures.
//
//   bench_launcher startup RUNS LABEL EXE CLASS [LABEL EXE CLASS]...
//     Start-up time: from CreateProcess until a visible top-level window of
//     the given class belongs to the new process; the process is then
//     terminated. Each program is started once untimed to warm the prefix,
//     then RUNS times, the programs taking turns, so that drift in the
//     machine's load falls on all of them alike. Prints "LABEL <ms>".
//
//   bench_launcher deploy WARMUP RUNS EXE
//     The deployment run of the wizard: drives it to page 2 (discovery, with
//     the host folder the registry names), then times from posting a click
//     on Next until page 3's result text ends with the success line. Prints
//     "warmup <ms>" for the WARMUP untimed runs and "deploy <ms>" for the
//     RUNS timed ones; a new wizard process for each.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "Unit1Layout.h"

namespace {

// The Win32 backend gives the layout's controls the IDs 100, 101, ... in the
// order of layout::Controls.
constexpr int FirstControlId = 100;

constexpr int IdOf(std::string_view name) {
    for (size_t i = 0; i < sizeof layout::Controls / sizeof layout::Controls[0]; ++i)
        if (name == layout::Controls[i].Name) return FirstControlId + static_cast<int>(i);
    return -1;
}

constexpr int NextId = IdOf("BitBtn2");
constexpr int Page2Id = IdOf("TabSheet2");
constexpr int FindingsId = IdOf("StaticText3");
constexpr int ResultId = IdOf("StaticText6");
static_assert(NextId > 0 && Page2Id > 0 && FindingsId > 0 && ResultId > 0);

constexpr DWORD TimeoutMs = 120000;

double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

struct WindowQuery {
    DWORD pid;
    const char* cls;  // nullptr: any class
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND hwnd, LPARAM lp) {
    auto* q = reinterpret_cast<WindowQuery*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != q->pid || !IsWindowVisible(hwnd)) return TRUE;
    char cls[256] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (q->cls && std::strcmp(cls, q->cls) != 0) return TRUE;
    q->found = hwnd;
    return FALSE;
}

HWND VisibleTopLevel(DWORD pid, const char* cls) {
    WindowQuery q{pid, cls, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

struct ChildQuery {
    int id;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND hwnd, LPARAM lp) {
    auto* q = reinterpret_cast<ChildQuery*>(lp);
    if (GetDlgCtrlID(hwnd) != q->id) return TRUE;
    q->found = hwnd;
    return FALSE;
}

HWND Control(HWND form, int id) {
    ChildQuery q{id, nullptr};
    EnumChildWindows(form, MatchChild, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

// A window's text as its own thread answers WM_GETTEXT: the answer comes only
// once that thread is back in its message loop.
bool TextOf(HWND hwnd, std::string& text) {
    char buf[4096] = {};
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, TimeoutMs,
                             &len))
        return false;
    text.assign(buf, len);
    return true;
}

bool EndsWith(const std::string& s, std::string_view tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool Start(const char* exe, PROCESS_INFORMATION& pi) {
    std::string cmd = std::string("\"") + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(exe, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "bench_launcher: cannot start %s (error %lu)\n", exe, GetLastError());
        return false;
    }
    return true;
}

void Stop(PROCESS_INFORMATION& pi) {
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, TimeoutMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

// Polls every millisecond until the window is up; returns the time taken in
// milliseconds, or a negative value when the process died or never showed it.
double TimeToWindow(const char* exe, const char* cls) {
    const double t0 = Now();
    PROCESS_INFORMATION pi{};
    if (!Start(exe, pi)) return -1;
    double elapsed = -1;
    for (;;) {
        if (VisibleTopLevel(pi.dwProcessId, cls)) {
            elapsed = Now() - t0;
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0 || Now() - t0 > TimeoutMs) break;
        Sleep(1);
    }
    Stop(pi);
    if (elapsed < 0) std::fprintf(stderr, "bench_launcher: %s showed no visible %s window\n", exe, cls);
    return elapsed;
}

int Startup(int runs, int nprog, char** progs) {
    for (int warm = 0; warm < 2; ++warm)
        for (int r = 0; r < (warm ? runs : 1); ++r)
            for (int p = 0; p < nprog; ++p) {
                const double ms = TimeToWindow(progs[3 * p + 1], progs[3 * p + 2]);
                if (ms < 0) return 1;
                if (warm) {
                    std::printf("%s %.3f\n", progs[3 * p], ms);
                    std::fflush(stdout);
                }
            }
    return 0;
}

void Diagnose(DWORD pid, HWND form) {
    std::string text;
    if (HWND findings = Control(form, FindingsId); findings && TextOf(findings, text))
        std::fprintf(stderr, "bench_launcher: page 2 reads: %s\n", text.c_str());
    if (HWND other = VisibleTopLevel(pid, "#32770")) {
        char title[256] = {};
        GetWindowTextA(other, title, sizeof title);
        std::fprintf(stderr, "bench_launcher: a dialog is open: %s\n", title);
    }
}

// One wizard process: start, page 1 -> 2, then the timed page 2 -> 3.
double TimeDeployment(const char* exe) {
    PROCESS_INFORMATION pi{};
    if (!Start(exe, pi)) return -1;
    double elapsed = -1;
    const double started = Now();
    HWND form = nullptr;
    while (!(form = VisibleTopLevel(pi.dwProcessId, "TForm"))) {
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0 || Now() - started > TimeoutMs) break;
        Sleep(5);
    }
    HWND next = form ? Control(form, NextId) : nullptr;
    HWND page2 = form ? Control(form, Page2Id) : nullptr;
    HWND result = form ? Control(form, ResultId) : nullptr;
    DWORD_PTR ignored = 0;
    if (!next || !page2 || !result) {
        std::fprintf(stderr, "bench_launcher: the wizard's window or its controls did not appear\n");
    } else if (!SendMessageTimeoutA(next, BM_CLICK, 0, 0, SMTO_NORMAL, TimeoutMs, &ignored) ||
               !IsWindowVisible(page2) || !IsWindowEnabled(next)) {
        std::fprintf(stderr, "bench_launcher: the wizard did not reach page 2 with Next enabled\n");
        Diagnose(pi.dwProcessId, form);
    } else {
        const double t0 = Now();
        PostMessageA(next, BM_CLICK, 0, 0);
        std::string text;
        for (;;) {
            if (!TextOf(result, text)) {
                std::fprintf(stderr, "bench_launcher: page 3 did not answer\n");
                break;
            }
            if (EndsWith(text, "komputerach.")) {
                elapsed = Now() - t0;
                break;
            }
            if (text.find("nie powiod") != std::string::npos) {
                std::fprintf(stderr, "bench_launcher: the deployment run failed: %s\n", text.c_str());
                break;
            }
            if (Now() - t0 > TimeoutMs) {
                std::fprintf(stderr, "bench_launcher: no result on page 3\n");
                break;
            }
            Sleep(0);
        }
    }
    Stop(pi);
    return elapsed;
}

int Deploy(int warmup, int runs, const char* exe) {
    for (int r = 0; r < warmup + runs; ++r) {
        const double ms = TimeDeployment(exe);
        if (ms < 0) return 1;
        std::printf("%s %.3f\n", r < warmup ? "warmup" : "deploy", ms);
        std::fflush(stdout);
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: bench_launcher startup RUNS LABEL EXE CLASS [LABEL EXE CLASS]...\n"
                 "       bench_launcher deploy WARMUP RUNS EXE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 6 && std::strcmp(argv[1], "startup") == 0 && (argc - 3) % 3 == 0)
        return Startup(std::atoi(argv[2]), (argc - 3) / 3, argv + 3);
    if (argc == 5 && std::strcmp(argv[1], "deploy") == 0)
        return Deploy(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
    return Usage();
}
