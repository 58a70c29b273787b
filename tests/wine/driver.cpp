// The Wine test driver. Runs under wine64 beside the x86_64 build of the
// wizard and drives it as a user would, one scenario after another:
//
//   wine_driver.exe --exe <wizard.exe> --fixtures <dir> --templates <dir>
//                   --work <C:\dir> --artifacts <dir> [--small-host <dir>]
//                   [--list] [name | prefix/ ...]
//
// Prints "[ PASS ] name" or "[ FAIL ] name" per scenario and a closing
// "SUMMARY <passed> <failed>"; exits non-zero when any scenario failed.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <exception>

#include "harness.h"

namespace {

// Our own coordinates must be the screen's pixels whatever density the
// program under test runs at, so the driver takes per-monitor awareness:
// Wine then maps no window rectangle between densities for us.
void BecomeDensityAware() {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    auto set = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    if (!set || !set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)) SetProcessDPIAware();
}

// Without a window manager on the virtual display, hiding a window that Wine
// hands to the window manager waits two seconds for an answer that never
// comes; windows that Wine manages itself close at once. Read by each Wine
// process when it starts, so it holds for every program we start.
void UnmanagedWindows() {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"), 2 * sizeof(wchar_t));
    RegCloseKey(key);
}

bool Selected(const std::string& name, const std::vector<std::string>& filters) {
    if (filters.empty()) return true;
    for (const auto& f : filters)
        if (name == f || (!f.empty() && f.back() == '/' && name.compare(0, f.size(), f) == 0)) return true;
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    BecomeDensityAware();
    UnmanagedWindows();
    DefaultDensity();  // in case an earlier run ended inside the dense scenario

    std::vector<std::string> filters;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        auto value = [&](std::wstring& into) {
            if (i + 1 < argc) into = argv[++i];
        };
        if (a == L"--exe") value(g_options.exe);
        else if (a == L"--fixtures") value(g_options.fixtures);
        else if (a == L"--templates") value(g_options.templates);
        else if (a == L"--work") value(g_options.work);
        else if (a == L"--artifacts") value(g_options.artifacts);
        else if (a == L"--small-host") value(g_options.smallHost);
        else if (a == L"--list") list = true;
        else filters.push_back(Utf8(a));
    }

    std::vector<Scenario> all;
    RegisterShell(all);
    RegisterDiscovery(all);
    RegisterDeployment(all);
    std::vector<const Scenario*> chosen;
    for (const auto& s : all)
        if (Selected(s.name, filters)) chosen.push_back(&s);
    if (chosen.empty()) {
        std::fprintf(stderr, "wine_driver: no scenario matches\n");
        return 2;
    }
    if (list) {
        for (const auto* s : chosen) std::printf("%s\n", s->name.c_str());
        return 0;
    }
    if (g_options.exe.empty() || g_options.fixtures.empty() || g_options.templates.empty() || g_options.work.empty() ||
        g_options.artifacts.empty()) {
        std::fprintf(stderr, "wine_driver: --exe, --fixtures, --templates, --work and --artifacts are required\n");
        return 2;
    }

    CreateDirectoryW(g_options.work.c_str(), nullptr);
    CreateDirectoryW(g_options.artifacts.c_str(), nullptr);
    std::printf("PLAN %u\n", static_cast<unsigned>(chosen.size()));
    std::printf("ACP %u\n", GetACP());  // the wizard, started by us, inherits our locale
    std::fflush(stdout);
    int passed = 0, failed = 0;
    for (const auto* s : chosen) {
        std::printf("[ RUN  ] %s\n", s->name.c_str());
        std::fflush(stdout);
        const int before = FailureCount();
        const ULONGLONG start = GetTickCount64();
        try {
            s->run();
        } catch (const ScenarioAbort&) {
        } catch (const std::exception& e) {
            Fail(std::string("exception: ") + e.what());
        } catch (...) {
            Fail("unknown exception");
        }
        const double secs = static_cast<double>(GetTickCount64() - start) / 1000.0;
        const bool ok = FailureCount() == before;
        (ok ? passed : failed)++;
        std::printf("[ %s ] %s (%.1f s)\n", ok ? "PASS" : "FAIL", s->name.c_str(), secs);
        std::fflush(stdout);
    }
    try {
        RegistryAbsent();
    } catch (const ScenarioAbort&) {
    }
    std::printf("SUMMARY %d %d\n", passed, failed);
    std::fflush(stdout);
    return failed ? 1 : 0;
}
