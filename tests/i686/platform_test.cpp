// The 32-bit platform test: one process that drives the Win32 platform code
// of the shipped build the way the wizard uses it, under 32-bit Windows (or
// 32-bit Wine): the companion library probe against every stand-in library,
// including those that fault; stdcall stack discipline; the registry reader;
// embedded resources; attribute setting and file replacement.
//
// Usage: platform_test.exe TEMPLATES WORK FIXTURE...
//   TEMPLATES  folder holding the 22 template files the exe embeds
//   WORK       scratch folder (emptied of what the test made before)
//   FIXTURE    a fixture folder holding TAVRIMOD.dll; its name says which
//              behaviour it has (network, av, stackoverflow, ...)
//
// Prints one line per check and "N passed, M failed"; exits 1 on failure.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Unit1.h"

namespace {

int g_passed = 0, g_failed = 0;

bool Check(bool ok, const char* fmt, ...) {
    char what[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(what, sizeof what, fmt, ap);
    va_end(ap);
    std::printf("%s  %s\n", ok ? "ok  " : "FAIL", what);
    std::fflush(stdout);
    (ok ? g_passed : g_failed)++;
    return ok;
}

// Printable form of code page 1250 bytes for the report.
std::string Show(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string BaseName(const std::string& path) {
    std::string p = path;
    while (!p.empty() && p.back() == '\\') p.pop_back();
    const size_t slash = p.find_last_of("\\/");
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

bool ReadFileBytes(const std::string& path, std::string& out) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    out.clear();
    char buf[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(h, buf, sizeof buf, &got, nullptr)) && got) out.append(buf, got);
    CloseHandle(h);
    return ok;
}

bool WriteFileBytes(const std::string& path, const std::string& data) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = data.empty() || (WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                                     written == data.size());
    CloseHandle(h);
    return ok;
}

std::set<std::string> ListFolder(const std::string& dir) {
    std::set<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (std::strcmp(fd.cFileName, ".") && std::strcmp(fd.cFileName, "..")) names.insert(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

std::string Join(const std::set<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
    return "{" + out + "}";
}

// Empties a folder tree the test made on an earlier run, then the folder.
void RemoveTree(const std::string& dir) {
    for (const auto& name : ListFolder(dir)) {
        const std::string p = dir + "\\" + name;
        const DWORD a = GetFileAttributesA(p.c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
            RemoveTree(p);
        } else {
            SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(p.c_str());
        }
    }
    RemoveDirectoryA(dir.c_str());
}

// Runs `body` and returns the message of the Exception it raised; `raised`
// tells whether it raised at all.
std::string Raised(const std::function<void()>& body, bool& raised) {
    raised = false;
    try {
        body();
    } catch (const Exception& e) {
        raised = true;
        return e.Message();
    } catch (const std::exception& e) {
        raised = true;
        return std::string("(not an Exception) ") + e.what();
    }
    return std::string();
}

// --- (a) the companion library probe --------------------------------------

// What the probe must make of one stand-in library. A field marked as kept
// must still hold the value it had before the probe.
struct ProbeCase {
    const char* name;
    bool accepted;
    int network;          // 0 or 1, or -1: kept
    const char* owner;    // nullptr: kept; kAlphabet: 255 letters A..Z, A..
    int runs;             // probes in a row of the same folder
};

const char kAlphabet[] = "(255 letters)";

const ProbeCase kProbeCases[] = {
    {"network", true, 1, "Pracownia \x8Crodowiskowa \xA3\xEA\x63zyca", 1},
    {"single", true, 0, "Laboratorium Bada\xF1 Powietrza", 1},
    {"highbits", true, 0, "Wysokie bity", 1},
    {"owner255", true, 1, kAlphabet, 1},
    {"ownerempty", true, 1, "", 1},
    {"noexports", true, -1, nullptr, 1},
    {"counting", true, 1, "Licznik", 1},
    {"ownerfault", false, 1, nullptr, 1},
    {"av", false, -1, nullptr, 1},
    {"divzero", false, -1, nullptr, 1},
    {"illegal", false, -1, nullptr, 1},
    {"foreign", false, -1, nullptr, 1},
    {"msvcxx", false, -1, nullptr, 1},
    {"stackoverflow", false, -1, nullptr, 2},
    {"initfail", false, -1, nullptr, 1},
    {"notalib", false, -1, nullptr, 1},
};

const ProbeCase* FindCase(const std::string& name) {
    for (const auto& c : kProbeCases)
        if (name == c.name) return &c;
    return nullptr;
}

std::string Owner255() {
    std::string s;
    for (int i = 1; i < 256; ++i) s += static_cast<char>('A' + (i - 1) % 26);
    return s;
}

// A value that no library gives, in code page 1250, so a field that should
// be kept shows if it was touched.
const std::string kBeforeOwner = "Poprzedni w\xB3\x61\x9C\x63iciel";

void ProbeOnce(TForm1* form, const std::string& folder, const ProbeCase& c, const char* label) {
    // The state before: the opposite of what the library answers, so every
    // write and every kept field shows.
    const bool beforeNetwork = c.network == 1 ? false : true;
    form->FNetworkEdition = beforeNetwork;
    std::memset(form->FOwnerName.Bytes, 0, sizeof form->FOwnerName.Bytes);
    form->FOwnerName.Bytes[0] = static_cast<uint8_t>(kBeforeOwner.size());
    std::memcpy(form->FOwnerName.Bytes + 1, kBeforeOwner.data(), kBeforeOwner.size());
    form->FHostFound = !c.accepted;
    form->FHostDir = folder;

    const std::string library = folder + "\\TAVRIMOD.dll";
    const std::string log = folder + "\\TAVRIMOD.log";
    const bool counting = std::strcmp(c.name, "counting") == 0;
    if (counting) DeleteFileA(log.c_str());

    form->ProbeHost();

    Check(form->FHostFound == c.accepted, "probe %s: %s", label, c.accepted ? "accepted" : "rejected");
    const bool wantNetwork = c.network < 0 ? beforeNetwork : c.network == 1;
    Check(form->FNetworkEdition == wantNetwork, "probe %s: FNetworkEdition %s%s", label,
          wantNetwork ? "true" : "false", c.network < 0 ? " (kept)" : "");
    const std::string wantOwner = c.owner == nullptr ? kBeforeOwner : c.owner == kAlphabet ? Owner255() : c.owner;
    const std::string gotOwner = form->FOwnerName.Str();
    const bool ownerOk = gotOwner == wantOwner;
    Check(ownerOk, "probe %s: FOwnerName %s, %u bytes%s", label, c.owner == nullptr ? "kept" : "as the library gave it",
          unsigned(wantOwner.size()),
          ownerOk ? "" : (": want \"" + Show(wantOwner) + "\", got \"" + Show(gotOwner) + "\"").c_str());
    Check(form->FLibHandle == nullptr, "probe %s: FLibHandle null afterwards", label);
    Check(GetModuleHandleA(library.c_str()) == nullptr, "probe %s: library no longer loaded", label);
    if (counting) {
        std::string text;
        ReadFileBytes(log, text);
        Check(text == "attach\ndetach\n", "probe %s: loaded and released once (log \"%s\")", label,
              Show(text).c_str());
    }
}

// The probe's state when the library cannot be had at all: nothing but
// FHostFound changes.
void ProbeUnloadable(TForm1* form, const std::string& folder, const char* label) {
    form->FNetworkEdition = true;
    form->FOwnerName.Bytes[0] = static_cast<uint8_t>(kBeforeOwner.size());
    std::memcpy(form->FOwnerName.Bytes + 1, kBeforeOwner.data(), kBeforeOwner.size());
    form->FHostFound = true;
    form->FHostDir = folder;
    form->ProbeHost();
    Check(!form->FHostFound && form->FNetworkEdition && form->FOwnerName.Str() == kBeforeOwner &&
              form->FLibHandle == nullptr,
          "probe %s: rejected, fields kept, FLibHandle null", label);
}

using TTestSiec = uint32_t(WL_STDCALL*)();
using TWlasciciel = void(WL_STDCALL*)(uint8_t* buffer);

// The address of a local of a fresh frame: equal before and after a run of
// calls exactly when the caller's stack pointer did not move.
__attribute__((noinline, noipa)) uintptr_t StackMark() {
    volatile char here = 0;
    return reinterpret_cast<uintptr_t>(&here);
}

// Calls the exports through the pointer types the probe uses. When the
// declared convention and the library's disagree, each call of Wlasciciel
// moves the stack pointer by 4 bytes: with the frame pointer the function
// can still return and report the drift, and where its locals are lost
// instead, the guard it runs under reports the fault.
struct DriftRun {
    TTestSiec testSiec;
    TWlasciciel wlasciciel;
    int calls;
    intptr_t drift;
    uint8_t length;
};

__attribute__((noinline, noipa, optimize("no-omit-frame-pointer"))) void StackDrift(void* ctx) {
    auto* run = static_cast<DriftRun*>(ctx);
    uint8_t buffer[256];
    const uintptr_t before = StackMark();
    for (int i = 0; i < run->calls; ++i) {
        buffer[0] = 0xEE;
        run->testSiec();
        run->wlasciciel(buffer);
    }
    const uintptr_t after = StackMark();
    run->length = buffer[0];
    run->drift = static_cast<intptr_t>(after - before);
}

void CheckStdcallDiscipline(const std::string& folder) {
    const std::string path = folder + "\\TAVRIMOD.dll";
    HMODULE lib = ::LoadLibraryA(path.c_str());
    if (!Check(lib != nullptr, "stdcall: network library loads directly")) return;
    // What makes the probe's "no longer loaded" checks mean something.
    Check(GetModuleHandleA(path.c_str()) == lib, "GetModuleHandleA finds a loaded library by its path");
    DriftRun run{};
    run.testSiec = reinterpret_cast<TTestSiec>(::GetProcAddress(lib, "TestSiec"));
    run.wlasciciel = reinterpret_cast<TWlasciciel>(::GetProcAddress(lib, "Wlasciciel"));
    run.calls = 1000;
    if (Check(run.testSiec && run.wlasciciel, "stdcall: both exports found by their plain names")) {
        // Guarded like the probe, so a stack gone wrong is reported, not fatal.
        const bool finished = CallGuarded(&StackDrift, &run);
        Check(finished && run.drift == 0,
              "stdcall: 1000 calls of each export leave the stack pointer where it was (%s, moved %ld)",
              finished ? "finished" : "faulted", static_cast<long>(run.drift));
        Check(finished && run.length == 30, "stdcall: Wlasciciel wrote the caller's buffer (length byte %u)",
              unsigned(run.length));
    }
    ::FreeLibrary(lib);
}

// A C++ exception thrown and caught on this thread after the faults.
bool ThrowWorks() {
    try {
        throw Exception("still fine");
    } catch (const Exception& e) {
        return e.Message() == "still fine";
    }
    return false;
}

DWORD WINAPI SetFlag(void* p) {
    *static_cast<volatile LONG*>(p) = 1;
    return 0;
}

LONG WINAPI TestFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

void TestProbe(const std::vector<std::string>& folders, const std::string& work) {
    TApplication app;
    Application->Initialize();
    Application->Title = "Instalator";
    Application->CreateForm(Form1);
    TForm1* form = Form1;
    Check(form != nullptr && form->FLibHandle == nullptr && !form->FHostFound,
          "probe: Form1 created with FLibHandle null and FHostFound false");

    // The guard installs its own filter while a library runs; the process's
    // filter must be back in place after every probe.
    SetUnhandledExceptionFilter(TestFilter);

    std::map<std::string, std::string> given;
    for (const auto& f : folders) {
        const std::string name = BaseName(f);
        if (!Check(FindCase(name) != nullptr, "probe: fixture folder %s has a known behaviour", f.c_str())) continue;
        given[name] = f;
    }
    for (const auto& c : kProbeCases)
        Check(given.count(c.name) == 1, "probe: fixture %s given on the command line", c.name);

    // Folders in the order given, so faults and good libraries alternate as
    // the caller lines them up.
    for (const auto& f : folders) {
        const ProbeCase* c = FindCase(BaseName(f));
        if (!c) continue;
        for (int run = 1; run <= c->runs; ++run) {
            const std::string label = c->runs > 1 ? std::string(c->name) + " #" + std::to_string(run) : c->name;
            ProbeOnce(form, f, *c, label.c_str());
        }
    }

    ProbeUnloadable(form, work + "\\missing", "missing folder");
    // Both an empty host folder ("\TAVRIMOD.dll" in the current drive's root)
    // and a trailing backslash reach the loader unchanged.
    ProbeUnloadable(form, "", "empty host folder");
    if (given.count("network")) {
        const ProbeCase* c = FindCase("network");
        ProbeOnce(form, given["network"] + "\\", *c, "network with trailing backslash");
    }

    // After all the faults: every library that was accepted is accepted
    // again, the process's own filter is in place, and exceptions, threads
    // and the heap still work on the main thread.
    for (const auto& f : folders) {
        const ProbeCase* c = FindCase(BaseName(f));
        if (c && c->accepted) ProbeOnce(form, f, *c, (std::string(c->name) + " after the faults").c_str());
    }
    Check(SetUnhandledExceptionFilter(TestFilter) == TestFilter,
          "probe: the process's unhandled-exception filter is unchanged after all probes");
    Check(ThrowWorks(), "probe: a C++ exception is still thrown and caught on the main thread");
    volatile LONG flag = 0;
    HANDLE t = CreateThread(nullptr, 0, SetFlag, const_cast<LONG*>(&flag), 0, nullptr);
    const bool ran = t && WaitForSingleObject(t, 10000) == WAIT_OBJECT_0 && flag == 1;
    if (t) CloseHandle(t);
    Check(ran, "probe: a new thread still runs");
    std::vector<char> big(8 << 20, 'x');
    Check(big.back() == 'x', "probe: the heap still gives 8 MB");

    if (given.count("network")) CheckStdcallDiscipline(given["network"]);
}

// --- (b) the registry reader -----------------------------------------------

const char kTestKey[] = "AktualizacjaSiecTest";

bool SetValue(HKEY key, const char* name, DWORD type, const std::string& data) {
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

void TestRegistry() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    HKEY key = nullptr;
    if (!Check(RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                               nullptr) == ERROR_SUCCESS,
               "registry: throwaway key HKCU\\%s created", kTestKey))
        return;

    const std::string path = "C:\\Programy\\Laboratorium Bada\xF1\\Orvanto";
    const std::string longText = [] {
        std::string s = "C:\\";
        while (s.size() < 5000) s += "Bardzo d\xB3uga \x9C" "cie\xBFka\\";
        return s.substr(0, 5000);
    }();
    const DWORD one = 1;

    struct ReadCase {
        const char* name;
        DWORD type;
        std::string data;     // as stored, terminator included where given
        std::string want;     // text read back
        const char* error;    // nullptr: reading succeeds
    };
    const std::vector<ReadCase> cases = {
        {"Lokalizacja", REG_SZ, path + '\0', path, nullptr},
        {"Ukosnik", REG_SZ, std::string("C:\\Orvanto\\") + '\0', "C:\\Orvanto\\", nullptr},
        {"Rozwijana", REG_EXPAND_SZ, std::string("%SystemRoot%\\Orvanto") + '\0', "%SystemRoot%\\Orvanto", nullptr},
        {"ZNulem", REG_SZ, std::string("C:\\Orv\0anto\0", 12), "C:\\Orv", nullptr},
        {"BezTerminatora", REG_SZ, "C:\\Orvanto", "C:\\Orvanto", nullptr},
        {"Pusty", REG_SZ, std::string(1, '\0'), "", nullptr},
        {"BezDanych", REG_SZ, "", "", nullptr},
        {"BinarnyBezDanych", REG_BINARY, "", "", nullptr},
        {"Dlugi", REG_SZ, longText + '\0', longText, nullptr},
        {"Liczba", REG_DWORD, std::string(reinterpret_cast<const char*>(&one), 4), "",
         "Invalid data type for 'Liczba'"},
        {"Binarny", REG_BINARY, "C:\\", "", "Invalid data type for 'Binarny'"},
        {"Wiele", REG_MULTI_SZ, std::string("C:\\\0D:\\\0\0", 8), "", "Invalid data type for 'Wiele'"},
    };
    bool stored = true;
    for (const auto& c : cases) stored = SetValue(key, c.name, c.type, c.data) && stored;
    RegCloseKey(key);
    Check(stored, "registry: %u test values stored", unsigned(cases.size()));

    {
        TRegistry reg;
        Check(reg.OpenKey(kTestKey, false), "registry: OpenKey of the existing key");
        for (const auto& c : cases) {
            Check(reg.ValueExists(c.name), "registry: value %s exists", c.name);
            bool raised = false;
            std::string got;
            const std::string message = Raised([&] { got = reg.ReadString(c.name); }, raised);
            if (c.error) {
                Check(raised && message == c.error, "registry: %s raises \"%s\" (raised %d: \"%s\")", c.name,
                      c.error, raised, Show(message).c_str());
            } else {
                std::string problem;
                if (raised)
                    problem = ": raised \"" + message + "\"";
                else if (got != c.want)
                    problem = ": got " + std::to_string(got.size()) + " bytes \"" + Show(got).substr(0, 60) + "\"";
                Check(problem.empty(), "registry: %s reads as %u bytes \"%.60s\"%s", c.name, unsigned(c.want.size()),
                      Show(c.want).c_str(), problem.c_str());
            }
        }
        Check(!reg.ValueExists("Brak"), "registry: a missing value does not exist");
    }
    {
        TRegistry reg;
        const bool opened = reg.OpenKey(std::string(kTestKey) + "\\Brak", false);
        Check(!opened && !reg.ValueExists("Lokalizacja"), "registry: a missing key opens not and holds no value");
        HKEY probe = nullptr;
        const bool created = RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kTestKey) + "\\Brak").c_str(), 0,
                                           KEY_READ, &probe) == ERROR_SUCCESS;
        if (probe) RegCloseKey(probe);
        Check(!created, "registry: opening a missing key does not create it");
    }

    Check(RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey) == ERROR_SUCCESS, "registry: throwaway key deleted");
    HKEY gone = nullptr;
    Check(RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &gone) != ERROR_SUCCESS,
          "registry: throwaway key is gone");
    if (gone) RegCloseKey(gone);
}

// --- (c) embedded resources ------------------------------------------------

void TestResources(const std::string& templates) {
    for (const auto& entry : TemplateTable) {
        const std::string file = templates + "\\" + BaseName(entry.Path);
        std::string want;
        const bool haveFile = ReadFileBytes(file, want);
        bool raised = false;
        std::string got;
        const std::string message = Raised(
            [&] {
                TResourceStream s(entry.Resource);
                got.assign(static_cast<const char*>(s.Memory()), s.Size());
            },
            raised);
        Check(haveFile && !raised && got == want, "resources: %s equals %s (%u bytes)%s", entry.Resource,
              BaseName(entry.Path).c_str(), unsigned(want.size()), raised ? (" raised " + message).c_str() : "");
    }
    // The directory holds the names in capitals; lookup ignores case.
    struct Spelling {
        const char* name;
        const char* file;
    };
    for (const Spelling& s : {Spelling{"plik22t", "FalmorBlank.rtf"}, Spelling{"PLIK1T", "KestrinHead.rtf"},
                              Spelling{"pLiK13t", "FalmorWideHead.rtf"}}) {
        std::string want, got;
        ReadFileBytes(templates + "\\" + s.file, want);
        bool raised = false;
        Raised(
            [&] {
                TResourceStream r(s.name);
                got.assign(static_cast<const char*>(r.Memory()), r.Size());
            },
            raised);
        Check(!raised && !want.empty() && got == want, "resources: \"%s\" finds %s", s.name, s.file);
    }
    for (const char* missing : {"Plik23T", "Plik0T", "Plik1"}) {
        bool raised = false;
        Raised([&] { TResourceStream r(missing); }, raised);
        Check(raised, "resources: \"%s\" raises", missing);
    }
}

// --- (d) attributes and file replacement -----------------------------------

void TestFiles(const std::string& work) {
    const std::string dir = work + "\\pliki";
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string existing = dir + "\\istniejacy.rtf";
    WriteFileBytes(existing, "stara tresc");
    SetFileAttributesA(existing.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    struct AttrCase {
        std::string path;
        int code;
        const char* what;
    };
    for (const AttrCase& c : {AttrCase{existing, 0, "read-only hidden system file"},
                              AttrCase{dir + "\\brak.rtf", ERROR_FILE_NOT_FOUND, "missing file"},
                              AttrCase{dir + "\\BRAK\\brak.rtf", ERROR_PATH_NOT_FOUND, "file in a missing folder"}}) {
        const int code = FileSetAttr(c.path, faArchive);
        Check(code == c.code, "files: FileSetAttr on a %s returns %d (got %d)", c.what, c.code, code);
    }
    const DWORD attrs = GetFileAttributesA(existing.c_str());
    Check(attrs == FILE_ATTRIBUTE_ARCHIVE, "files: FileSetAttr leaves archive only (0x%lx)",
          static_cast<unsigned long>(attrs));

    const std::set<std::string> onlyExisting = {"istniejacy.rtf"};
    const std::string fragment = "{\\rtf fragment}\r\n";

    // Writes that succeed: the file holds exactly the new bytes and the
    // folder holds nothing else (no temporary file left behind).
    struct WriteCase {
        const char* what;
        std::string before;  // empty: no file yet
        DWORD attributes;    // set before the attribute reset
        std::string data;
    };
    const std::vector<WriteCase> writes = {
        {"new file", "", 0, fragment},
        {"longer file cut to the new length", std::string(5000, 'x'), FILE_ATTRIBUTE_NORMAL, fragment},
        {"read-only file after the attribute reset", "stara tresc", FILE_ATTRIBUTE_READONLY, fragment},
        {"hidden system file after the attribute reset", "stara tresc",
         FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, fragment},
        {"file replaced by an empty view", "stara tresc", FILE_ATTRIBUTE_NORMAL, ""},
    };
    for (const auto& w : writes) {
        const std::string target = dir + "\\cel.rtf";
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(target.c_str());
        if (!w.before.empty()) {
            WriteFileBytes(target, w.before);
            SetFileAttributesA(target.c_str(), w.attributes);
            FileSetAttr(target, faArchive);
        }
        bool raised = false;
        const std::string message =
            Raised([&] { WriteFileReplacing(target, w.data.data(), w.data.size()); }, raised);
        std::string got;
        const bool read = ReadFileBytes(target, got);
        const DWORD a = GetFileAttributesA(target.c_str());
        const auto names = ListFolder(dir);
        Check(!raised && read && got == w.data, "files: WriteFileReplacing on a %s writes exactly the data%s",
              w.what, raised ? (": raised " + message).c_str() : "");
        Check(a != INVALID_FILE_ATTRIBUTES &&
                  !(a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)),
              "files: %s is then neither read-only, hidden nor system (0x%lx)", w.what, static_cast<unsigned long>(a));
        Check(names == std::set<std::string>{"cel.rtf", "istniejacy.rtf"}, "files: after the %s the folder holds %s",
              w.what, Join(names).c_str());
    }

    // A missing folder: the write fails and creates nothing.
    {
        const std::string folder = dir + "\\SZABLONY";
        bool raised = false;
        Raised([&] { WriteFileReplacing(folder + "\\KestrinHead.rtf", fragment.data(), fragment.size()); }, raised);
        Check(raised, "files: WriteFileReplacing into a missing folder raises");
        Check(GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES, "files: the missing folder is not created");
        const auto names = ListFolder(dir);
        Check(names == std::set<std::string>{"cel.rtf", "istniejacy.rtf"}, "files: nothing else appears (%s)",
              Join(names).c_str());
    }

    // A destination another handle holds open without sharing: the write
    // fails and the destination keeps its bytes.
    {
        const std::string target = dir + "\\zablokowany.rtf";
        WriteFileBytes(target, "zablokowana tresc");
        HANDLE h = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        Check(h != INVALID_HANDLE_VALUE, "files: destination opened with no sharing");
        bool raised = false;
        Raised([&] { WriteFileReplacing(target, fragment.data(), fragment.size()); }, raised);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        std::string got;
        ReadFileBytes(target, got);
        Check(raised, "files: WriteFileReplacing onto a destination held open with share 0 raises");
        Check(got == "zablokowana tresc", "files: the held destination keeps its content (\"%s\")", Show(got).c_str());
        const auto names = ListFolder(dir);
        Check(names == std::set<std::string>{"cel.rtf", "istniejacy.rtf", "zablokowany.rtf"},
              "files: no temporary file is left (%s)", Join(names).c_str());
    }
    RemoveTree(dir);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: platform_test TEMPLATES WORK FIXTURE...\n");
        return 2;
    }
    const std::string templates = argv[1];
    const std::string work = argv[2];
    std::vector<std::string> folders(argv + 3, argv + argc);
    CreateDirectoryA(work.c_str(), nullptr);
    // Fault reports of the system would wait for a click.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);

    std::printf("ANSI code page %u\n", GetACP());
    Check(GetACP() == 1250, "the ANSI code page is 1250");
    TestProbe(folders, work);
    TestRegistry();
    TestResources(templates);
    TestFiles(work);

    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    std::fflush(stdout);
    return g_failed ? 1 : 0;
}
