// The Wine driver's harness: checks, the wizard process under test and its
// windows, the dialogs it opens, input, files and the registry of the prefix.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// --- Run settings ------------------------------------------------------------

struct Options {
    std::wstring exe;        // the wizard
    std::wstring fixtures;   // <build>\fixtures, one folder per TAVRIMOD.dll
    std::wstring templates;  // the template sources the exe embeds
    std::wstring work;       // scratch root inside the prefix (C:\...)
    std::wstring artifacts;  // screenshots go here (the runner takes them)
    std::wstring smallHost;  // a host folder on a nearly full drive, or empty
};
extern Options g_options;

// --- Checks ------------------------------------------------------------------

// Thrown by Require to end the running scenario; the failure is already noted.
struct ScenarioAbort {};

void Note(const std::string& line);
void Fail(const std::string& what);
void Check(bool ok, const std::string& what);
void Require(bool ok, const std::string& what);
void CheckText(const std::wstring& actual, const std::wstring& expected, const std::string& what);
int FailureCount();

std::string Utf8(const std::wstring& text);
// A text as it can be printed on one line: \r and \n spelled out.
std::string Shown(const std::wstring& text);
std::wstring Widen(const std::string& ascii);

struct Scenario {
    std::string name;
    std::function<void()> run;
};
void RegisterShell(std::vector<Scenario>& list);
void RegisterDiscovery(std::vector<Scenario>& list);
void RegisterDeployment(std::vector<Scenario>& list);

// Polls `ready` every 20 ms until it holds or `ms` have passed.
bool WaitUntil(const std::function<bool()>& ready, DWORD ms = 10000);

// --- Expected facts of the program ------------------------------------------

// Where a control sits in its parent's client area at 96 DPI (left, top,
// width, height); a width of 0 marks a control sized to its text.
struct Place {
    const char* name;
    int left, top, width, height;
};

struct TemplateFile {
    const wchar_t* resource;  // as the resource directory lists it
    const wchar_t* path;      // relative to the host folder
};
extern const TemplateFile kTemplates[22];
std::vector<uint8_t> TemplateSource(int index);  // the bytes the exe embeds
// All 22 destinations under `host` hold exactly their fragments, and nothing
// else lies in its SZABLONY folder.
void CheckTemplatesInstalled(const std::wstring& host);

// --- Files and registry of the prefix -----------------------------------------

bool ReadBytes(const std::wstring& path, std::vector<uint8_t>& out);
void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& data);
void MakeDirs(const std::wstring& path);
void RemoveTree(const std::wstring& path);
std::vector<std::wstring> ListNames(const std::wstring& dir);
// A host folder under the scratch root with the fixture library `fixture`
// and, when asked, an empty SZABLONY folder; returns its path.
std::wstring MakeHost(const std::wstring& name, const std::wstring& fixture, bool templatesFolder);
// Lists every folder from the drive root down to `path` once, so that a
// folder browser opened afterwards sees stable item IDs (the Linux access
// time of a folder changes on its first listing after a change).
void ListChain(const std::wstring& path);

// HKCU\VeOrvanto: absent, or holding Lokalizacja as text or as a number.
void RegistryAbsent();
void RegistryText(const std::wstring& value);
void RegistryNumber(DWORD value);
// The prefix's default screen density (96 DPI).
void DefaultDensity();

// --- The program under test ---------------------------------------------------

struct Box {
    HWND hwnd = nullptr;
    std::wstring caption, text;
    bool icon = false;
    bool centred = false;
};

enum class Key { Enter, Escape, Tab, CtrlTab, AltF4 };

class Wizard {
public:
    // Starts the exe and waits for its main window; `workdir` empty keeps ours.
    explicit Wizard(const std::wstring& exe, const std::wstring& workdir = L"");
    ~Wizard();
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    HWND Form() const { return form_; }
    HWND AppWindow() const { return GetWindow(form_, GW_OWNER); }
    HWND Item(const char* name);  // the window of a control of the layout
    std::wstring Text(const char* name);
    std::wstring TextOf(HWND hwnd);
    bool Enabled(const char* name) { return IsWindowEnabled(Item(name)); }
    // The control's own visibility, whatever its page's.
    bool Visible(const char* name) { return (GetWindowLongW(Item(name), GWL_STYLE) & WS_VISIBLE) != 0; }
    RECT PlaceOf(const char* name);  // in the parent's client area
    int Page();                      // the one visible page, 1..3; 0 if not exactly one
    HWND Focus();

    // A click as the button itself would take it; returns once the program
    // waits for input again (in its own loop or in a modal dialog).
    void Click(const char* name);
    void Settle();
    void Keys(Key key);
    void Post(UINT msg, WPARAM wp, LPARAM lp) { PostMessageW(form_, msg, wp, lp); }

    // A modal dialog of the program: a message box, or the folder browser.
    Box WaitBox(DWORD ms = 10000);
    void AnswerBox(const Box& box);
    HWND WaitBrowser(DWORD ms = 10000);
    std::wstring BrowserPrompt(HWND browser);
    std::wstring BrowserSelection(HWND browser);  // text of the selected tree item
    void BrowserSelect(HWND browser, const std::wstring& path);
    void BrowserClose(HWND browser, bool confirm);
    // The program's dialogs open now (message boxes and browsers).
    std::vector<HWND> Dialogs();

    bool Running();
    // Waits for the process to end; fails unless it does with exit code 0.
    void ExpectExit(DWORD ms = 10000);
    // Asks the runner for a picture of the window, frame included.
    void Snapshot(const std::string& name);

    DWORD Pid() const { return pi_.dwProcessId; }

private:
    PROCESS_INFORMATION pi_{};
    HWND form_ = nullptr;
    bool ended_ = false;
    unsigned barrier_ = 0;
};
