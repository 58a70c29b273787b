// The harness of the Wine driver. Everything here talks to the program
// under test from outside, as a user or an accessibility tool would: window
// classes, control IDs, window texts and states, posted clicks, synthesized
// keys, and the files and registry values the program reads and writes.
#include "harness.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

#include "Unit1Layout.h"

Options g_options;

// --- Checks ------------------------------------------------------------------

namespace {
int g_failures = 0;
}

void Note(const std::string& line) {
    std::printf("    %s\n", line.c_str());
    std::fflush(stdout);
}

void Fail(const std::string& what) {
    ++g_failures;
    std::printf("    FAILED: %s\n", what.c_str());
    std::fflush(stdout);
}

void Check(bool ok, const std::string& what) {
    if (!ok) Fail(what);
}

void Require(bool ok, const std::string& what) {
    if (ok) return;
    Fail(what);
    throw ScenarioAbort{};
}

void CheckText(const std::wstring& actual, const std::wstring& expected, const std::string& what) {
    if (actual == expected) return;
    Fail(what + "\n      expected: \"" + Shown(expected) + "\"\n      actual:   \"" + Shown(actual) + "\"");
}

int FailureCount() { return g_failures; }

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Shown(const std::wstring& text) {
    std::wstring t;
    for (wchar_t c : text) {
        if (c == L'\r') t += L"\\r";
        else if (c == L'\n') t += L"\\n";
        else t += c;
    }
    return Utf8(t);
}

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

bool WaitUntil(const std::function<bool()>& ready, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        if (ready()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(20);
    }
}

// --- Expected facts ----------------------------------------------------------

const TemplateFile kTemplates[22] = {
    {L"PLIK1T", L"\\SZABLONY\\KestrinHead.rtf"},
    {L"PLIK2T", L"\\SZABLONY\\KestrinTask.rtf"},
    {L"PLIK3T", L"\\SZABLONY\\KestrinTaskSolo.rtf"},
    {L"PLIK4T", L"\\SZABLONY\\KestrinLimit.rtf"},
    {L"PLIK5T", L"\\SZABLONY\\KestrinCont.rtf"},
    {L"PLIK6T", L"\\SZABLONY\\KestrinBlank.rtf"},
    {L"PLIK7T", L"\\SZABLONY\\KestrinWideHead.rtf"},
    {L"PLIK8T", L"\\SZABLONY\\KestrinWideStation.rtf"},
    {L"PLIK9T", L"\\SZABLONY\\KestrinWideTask.rtf"},
    {L"PLIK10T", L"\\SZABLONY\\KestrinWideCont.rtf"},
    {L"PLIK11T", L"\\SZABLONY\\KestrinWideContEnd.rtf"},
    {L"PLIK12T", L"\\SZABLONY\\KestrinWideBlank.rtf"},
    {L"PLIK13T", L"\\SZABLONY\\FalmorWideHead.rtf"},
    {L"PLIK14T", L"\\SZABLONY\\FalmorWideStation.rtf"},
    {L"PLIK15T", L"\\SZABLONY\\FalmorWideTask.rtf"},
    {L"PLIK16T", L"\\SZABLONY\\FalmorWideCont.rtf"},
    {L"PLIK17T", L"\\SZABLONY\\FalmorWideContEnd.rtf"},
    {L"PLIK18T", L"\\SZABLONY\\FalmorHead.rtf"},
    {L"PLIK19T", L"\\SZABLONY\\FalmorTask.rtf"},
    {L"PLIK20T", L"\\SZABLONY\\FalmorLimit.rtf"},
    {L"PLIK21T", L"\\SZABLONY\\FalmorCont.rtf"},
    {L"PLIK22T", L"\\SZABLONY\\FalmorBlank.rtf"},
};

std::vector<uint8_t> TemplateSource(int index) {
    const std::wstring path = kTemplates[index].path;
    const std::wstring leaf = path.substr(path.find_last_of(L'\\') + 1);
    std::vector<uint8_t> bytes;
    Require(ReadBytes(g_options.templates + L"\\" + leaf, bytes), "template source " + Utf8(leaf) + " readable");
    return bytes;
}

// --- Files and registry --------------------------------------------------------

bool ReadBytes(const std::wstring& path, std::vector<uint8_t>& out) {
    out.clear();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(h, &size);
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    const BOOL ok = out.empty() || (ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr) && got == out.size());
    CloseHandle(h);
    return ok;
}

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& data) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    Require(h != INVALID_HANDLE_VALUE, "create " + Utf8(path));
    DWORD put = 0;
    const BOOL ok = data.empty() || (WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr) && put == data.size());
    CloseHandle(h);
    Require(ok, "write " + Utf8(path));
}

void MakeDirs(const std::wstring& path) {
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    const DWORD a = GetFileAttributesW(path.c_str());
    Require(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY), "folder " + Utf8(path) + " exists");
}

std::vector<std::wstring> ListNames(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring n = fd.cFileName;
        if (n != L"." && n != L"..") names.push_back(n);
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    return names;
}

void RemoveTree(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL | (a & FILE_ATTRIBUTE_DIRECTORY));
    if (a & FILE_ATTRIBUTE_DIRECTORY) {
        for (const auto& n : ListNames(path)) RemoveTree(path + L"\\" + n);
        RemoveDirectoryW(path.c_str());
    } else {
        DeleteFileW(path.c_str());
    }
    Require(GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES, "remove " + Utf8(path));
}

std::wstring MakeHost(const std::wstring& name, const std::wstring& fixture, bool templatesFolder) {
    const std::wstring dir = g_options.work + L"\\" + name;
    RemoveTree(dir);
    MakeDirs(dir);
    if (!fixture.empty()) {
        const std::wstring from = g_options.fixtures + L"\\" + fixture + L"\\TAVRIMOD.dll";
        Require(CopyFileW(from.c_str(), (dir + L"\\TAVRIMOD.dll").c_str(), FALSE) != 0,
                "copy the " + Utf8(fixture) + " library from " + Utf8(from));
    }
    if (templatesFolder) MakeDirs(dir + L"\\SZABLONY");
    return dir;
}

void ListChain(const std::wstring& path) {
    for (size_t i = 2; i <= path.size(); ++i)
        if (i == path.size() || path[i] == L'\\') ListNames(path.substr(0, i));  // "C:" lists the root
}

void RegistryAbsent() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"VeOrvanto", 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, L"Lokalizacja");
        RegCloseKey(key);
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, L"VeOrvanto");
    Require(RegOpenKeyExW(HKEY_CURRENT_USER, L"VeOrvanto", 0, KEY_READ, &key) != ERROR_SUCCESS, "no VeOrvanto key");
}

namespace {
void RegistrySet(DWORD type, const void* data, DWORD size) {
    HKEY key;
    Require(RegCreateKeyExW(HKEY_CURRENT_USER, L"VeOrvanto", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
                ERROR_SUCCESS,
            "create HKCU\\VeOrvanto");
    const LONG r = RegSetValueExW(key, L"Lokalizacja", 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    Require(r == ERROR_SUCCESS, "set Lokalizacja");
}
}  // namespace

void RegistryText(const std::wstring& value) {
    RegistrySet(REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void RegistryNumber(DWORD value) { RegistrySet(REG_DWORD, &value, sizeof value); }

void DefaultDensity() { RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels"); }

// --- Windows of the program ----------------------------------------------------

namespace {

std::wstring ClassOf(HWND hwnd) {
    wchar_t buf[64] = {};
    GetClassNameW(hwnd, buf, 64);
    return buf;
}

struct FindData {
    DWORD pid;
    const wchar_t* cls;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM p) {
    auto* d = reinterpret_cast<FindData*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == d->pid && ClassOf(hwnd) == d->cls) d->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopWindows(DWORD pid, const wchar_t* cls) {
    FindData d{pid, cls, {}};
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&d));
    return d.found;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

bool IsStatic(HWND h) { return _wcsicmp(ClassOf(h).c_str(), L"Static") == 0; }

HWND DescendantOfClass(HWND parent, const wchar_t* cls) {
    for (HWND h : Descendants(parent))
        if (ClassOf(h) == cls) return h;
    return nullptr;
}

int LayoutIndex(const char* name) {
    const size_t n = sizeof layout::Controls / sizeof layout::Controls[0];
    for (size_t i = 0; i < n; ++i)
        if (std::string(layout::Controls[i].Name) == name) return static_cast<int>(i);
    return -1;
}

// Memory in the program's own address space, for the messages whose
// pointers the receiving control dereferences (tree items, browser paths).
struct Remote {
    HANDLE process;
    void* at = nullptr;
    Remote(HANDLE p, size_t size) : process(p) {
        at = VirtualAllocEx(p, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~Remote() {
        if (at) VirtualFreeEx(process, at, 0, MEM_RELEASE);
    }
};

}  // namespace

Wizard::Wizard(const std::wstring& exe, const std::wstring& workdir) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + exe + L"\"";
    const std::wstring dir = workdir.empty() ? g_options.work : workdir;
    Require(CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi_) != 0,
            "start " + Utf8(exe) + " (error " + std::to_string(GetLastError()) + ")");
    const bool shown = WaitUntil(
        [&] {
            for (HWND h : TopWindows(pi_.dwProcessId, L"TForm"))
                if (IsWindowVisible(h)) {
                    form_ = h;
                    return true;
                }
            return WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0;
        },
        30000);
    Require(shown && form_, "the main window (class TForm) is shown");
    Settle();
}

Wizard::~Wizard() {
    if (!ended_ && Running()) {
        Fail("the program was still running at the end of the scenario; ended it");
        TerminateProcess(pi_.hProcess, 1);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

HWND Wizard::Item(const char* name) {
    const int index = LayoutIndex(name);
    Require(index >= 0, std::string("layout control ") + name);
    const int id = 100 + index;
    for (HWND h : Descendants(form_))
        if (GetDlgCtrlID(h) == id) return h;
    Require(false, std::string("window of ") + name + " (ID " + std::to_string(id) + ")");
    return nullptr;
}

std::wstring Wizard::TextOf(HWND hwnd) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &len)) return L"<no answer>";
    std::wstring buf(len + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(buf.data()), SMTO_NORMAL, 5000, &got);
    buf.resize(got);
    return buf;
}

std::wstring Wizard::Text(const char* name) { return TextOf(Item(name)); }

RECT Wizard::PlaceOf(const char* name) {
    HWND h = Item(name);
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int Wizard::Page() {
    int page = 0, count = 0;
    const char* names[] = {"TabSheet1", "TabSheet2", "TabSheet3"};
    for (int i = 0; i < 3; ++i)
        if (Visible(names[i])) {
            page = i + 1;
            ++count;
        }
    return count == 1 ? page : 0;
}

HWND Wizard::Focus() {
    GUITHREADINFO gti{};
    gti.cbSize = sizeof gti;
    if (!GetGUIThreadInfo(pi_.dwThreadId, &gti)) return nullptr;
    return gti.hwndFocus;
}

void Wizard::Click(const char* name) {
    PostMessageW(Item(name), BM_CLICK, 0, 0);
    Settle();
}

// A barrier: a message posted after ours reaches the edit field only once the
// program has handled everything posted before it and pumps messages again,
// in its own loop or in a modal dialog's. The edit's text limit carries the
// mark; the field is disabled and never typed into, so nothing shows.
void Wizard::Settle() {
    HWND edit = Item("Edit1");
    const WPARAM mark = 20000 + (++barrier_ % 1000);
    PostMessageW(edit, EM_LIMITTEXT, mark, 0);
    const bool ok = WaitUntil(
        [&] {
            DWORD_PTR r = 0;
            if (!SendMessageTimeoutW(edit, EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, 500, &r)) return !Running();
            return r == mark;
        },
        20000);
    Require(ok && Running(), "the program takes input again");
}

void Wizard::Keys(Key key) {
    SetForegroundWindow(form_);
    WaitUntil([&] { return GetForegroundWindow() == form_; }, 2000);
    std::vector<INPUT> in;
    auto put = [&](WORD vk, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    auto tap = [&](WORD vk) {
        put(vk, false);
        put(vk, true);
    };
    switch (key) {
    case Key::Enter: tap(VK_RETURN); break;
    case Key::Escape: tap(VK_ESCAPE); break;
    case Key::Tab: tap(VK_TAB); break;
    case Key::CtrlTab:
        put(VK_CONTROL, false);
        tap(VK_TAB);
        put(VK_CONTROL, true);
        break;
    case Key::AltF4:
        put(VK_MENU, false);
        tap(VK_F4);
        put(VK_MENU, true);
        break;
    }
    Require(SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size(), "SendInput");
}

std::vector<HWND> Wizard::Dialogs() {
    std::vector<HWND> out;
    for (HWND h : TopWindows(pi_.dwProcessId, L"#32770"))
        if (IsWindowVisible(h)) out.push_back(h);
    return out;
}

Box Wizard::WaitBox(DWORD ms) {
    Box box;
    const bool found = WaitUntil(
        [&] {
            for (HWND h : Dialogs())
                if (!DescendantOfClass(h, WC_TREEVIEWW)) {
                    box.hwnd = h;
                    return true;
                }
            return false;
        },
        ms);
    Require(found, "a message box appears");
    Settle();  // the box's own loop runs: it is complete and placed
    wchar_t caption[256] = {};
    GetWindowTextW(box.hwnd, caption, 256);
    box.caption = caption;
    // The text stands in the static with ID 0xFFFF, as in the system's own
    // message box template; the icon in a visible static showing an icon.
    HWND text = GetDlgItem(box.hwnd, 0xFFFF);
    box.text = text ? TextOf(text) : L"<no text control 0xFFFF>";
    for (HWND h : Descendants(box.hwnd)) {
        if (IsStatic(h) && (GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(h)) {
            DWORD_PTR icon = 0;
            SendMessageTimeoutW(h, STM_GETICON, 0, 0, SMTO_NORMAL, 2000, &icon);
            if (icon) box.icon = true;
        }
    }
    RECT r{};
    GetWindowRect(box.hwnd, &r);
    const int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
    const int w = r.right - r.left, h = r.bottom - r.top;
    box.centred = std::abs(r.left - (sx - w) / 2) <= 1 && std::abs(r.top - (sy - h) / 2) <= 1;
    return box;
}

void Wizard::AnswerBox(const Box& box) {
    HWND ok = GetDlgItem(box.hwnd, IDOK);
    if (ok) PostMessageW(ok, BM_CLICK, 0, 0);
    else PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
    Require(WaitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }), "the message box closes on OK");
}

HWND Wizard::WaitBrowser(DWORD ms) {
    HWND browser = nullptr;
    const bool found = WaitUntil(
        [&] {
            for (HWND h : Dialogs())
                if (DescendantOfClass(h, WC_TREEVIEWW)) {
                    browser = h;
                    return true;
                }
            return false;
        },
        ms);
    Require(found, "the folder browser appears");
    Settle();
    return browser;
}

std::wstring Wizard::BrowserPrompt(HWND browser) {
    std::wstring all;
    for (HWND h : Descendants(browser))
        if (IsStatic(h)) {
            const std::wstring t = TextOf(h);
            if (t.empty()) continue;
            if (!all.empty()) all += L"|";
            all += t;
        }
    return all;
}

std::wstring Wizard::BrowserSelection(HWND browser) {
    HWND tree = DescendantOfClass(browser, WC_TREEVIEWW);
    if (!tree) return L"<no tree>";
    DWORD_PTR item = 0;
    SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_NORMAL, 5000, &item);
    if (!item) return L"";
    Remote mem(pi_.hProcess, sizeof(TVITEMW) + 261 * sizeof(wchar_t));
    if (!mem.at) return L"<no memory>";
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = reinterpret_cast<HTREEITEM>(item);
    tv.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(mem.at) + sizeof(TVITEMW));
    tv.cchTextMax = 260;
    WriteProcessMemory(pi_.hProcess, mem.at, &tv, sizeof tv, nullptr);
    DWORD_PTR r = 0;
    SendMessageTimeoutW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(mem.at), SMTO_NORMAL, 5000, &r);
    wchar_t text[261] = {};
    ReadProcessMemory(pi_.hProcess, tv.pszText, text, 260 * sizeof(wchar_t), nullptr);
    return text;
}

// Moves the selection the way the program's own start-up callback does.
void Wizard::BrowserSelect(HWND browser, const std::wstring& path) {
    const size_t bytes = (path.size() + 1) * sizeof(wchar_t);
    Remote mem(pi_.hProcess, bytes);
    Require(mem.at != nullptr, "memory in the program for the browser's path");
    WriteProcessMemory(pi_.hProcess, mem.at, path.c_str(), bytes, nullptr);
    DWORD_PTR r = 0;
    SendMessageTimeoutW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(mem.at), SMTO_NORMAL, 10000, &r);
    Settle();
}

void Wizard::BrowserClose(HWND browser, bool confirm) {
    HWND button = GetDlgItem(browser, confirm ? IDOK : IDCANCEL);
    Require(button != nullptr, confirm ? "the browser's OK button" : "the browser's Cancel button");
    Require(WaitUntil([&] { return IsWindowEnabled(button) != 0; }, 5000),
            confirm ? "the browser's OK button is enabled" : "the browser's Cancel button is enabled");
    PostMessageW(button, BM_CLICK, 0, 0);
    Require(WaitUntil([&] { return !IsWindow(browser) || !IsWindowVisible(browser); }), "the folder browser closes");
}

bool Wizard::Running() { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

// Closing asks nothing: a dialog that shows up before the process has ended
// is a failure in itself.
void Wizard::ExpectExit(DWORD ms) {
    HWND dialog = nullptr;
    WaitUntil(
        [&] {
            if (!Running()) return true;
            const auto open = Dialogs();
            if (!open.empty()) dialog = open.front();
            return dialog != nullptr;
        },
        ms);
    ended_ = true;
    if (Running()) {
        std::string what = "the program ends";
        if (dialog) {
            wchar_t caption[256] = {};
            GetWindowTextW(dialog, caption, 256);
            what += " without a dialog, but it showed \"" + Utf8(caption) + "\"";
            HWND text = GetDlgItem(dialog, 0xFFFF);
            if (text) what += ": \"" + Shown(TextOf(text)) + "\"";
        }
        TerminateProcess(pi_.hProcess, 1);
        WaitForSingleObject(pi_.hProcess, 5000);
        Require(false, what);
    }
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    Check(code == 0, "exit code 0 (got " + std::to_string(code) + ")");
}

// The runner script watches our output: on a SNAP line it grabs that part of
// the X screen into <artifacts>/<name>.png and then creates <name>.done.
void Wizard::Snapshot(const std::string& name) {
    Settle();
    RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle();
    Sleep(400);  // the window's surface reaches the X server on the next idle
    RECT r{};
    GetWindowRect(form_, &r);
    const std::wstring done = g_options.artifacts + L"\\" + Widen(name) + L".done";
    DeleteFileW(done.c_str());
    std::printf("SNAP %s %ld %ld %ld %ld\n", name.c_str(), static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top));
    std::fflush(stdout);
    if (!WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000))
        Note("no screenshot taken of " + name + " (no runner listening)");
    DeleteFileW(done.c_str());
}
