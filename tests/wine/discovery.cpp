// Host discovery on the real system: the registry value in the prefix, the
// fixture libraries loaded from real folders, the real message boxes and the
// shell's folder browser.
#include "expected.h"
#include "harness.h"

namespace {

std::wstring Leaf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

void CheckMessage(const Box& box, const std::wstring& text) {
    CheckText(box.caption, L"Instalator", "message box caption");
    CheckText(box.text, text, "message box text");
    Check(!box.icon, "the program's own message box has no icon");
    Check(box.centred, "the message box is centred on the screen");
}

// The registry road to an accepted folder: the findings name the edition,
// the folder exactly as stored, and the owner.
struct Accepted {
    const char* name;
    const wchar_t* fixture;
    const wchar_t* suffix;  // appended to the folder in the registry value
    bool network;
    std::wstring owner;
};

std::wstring Alphabet255() {
    std::wstring s;
    for (int i = 0; i < 255; ++i) s += static_cast<wchar_t>(L'A' + i % 26);
    return s;
}

const Accepted kAccepted[] = {
    {"network", L"network", L"", true, text::NetworkOwner},
    {"single", L"single", L"", false, text::SingleOwner},
    // Only the low byte of TestSiec's answer counts: 0x7FFFFF00 is single.
    {"high-bits", L"highbits", L"", false, L"Wysokie bity"},
    {"owner-empty", L"ownerempty", L"", true, L""},
    {"owner-255", L"owner255", L"", true, Alphabet255()},
    // Neither export: the probe succeeds, the fields keep their start values.
    {"no-exports", L"noexports", L"", false, L""},
    // A trailing backslash stays: it shows, and the library path doubles it.
    {"trailing-backslash", L"network", L"\\", true, text::NetworkOwner},
};

void RegistryAccepted(const Accepted& c) {
    const std::wstring host = MakeHost(L"reg-" + Widen(c.name), c.fixture, true);
    const std::wstring value = host + c.suffix;
    RegistryText(value);
    Wizard w(g_options.exe);
    w.Click("BitBtn2");
    Require(w.Page() == 2, "Next shows page 2");
    Check(w.Dialogs().empty(), "no message box");
    CheckText(w.Text("StaticText3"),
              std::wstring(c.network ? text::NetworkLine : text::SingleLine) + L"Lokalizacja: " + value + L"\r" +
                  c.owner + L"\r" + text::ClosingPrompt,
              "findings");
    CheckText(w.Text("StaticText1"), text::Searching, "page 2 heading");
    Check(!w.Visible("Edit1") && !w.Visible("BitBtn5"), "no folder field or browse button on the registry road");
    Check(w.Enabled("BitBtn1") && w.Enabled("BitBtn2") && w.Enabled("BitBtn3"), "Back, Next and Cancel enabled");
    if (std::string(c.name) == "network") w.Snapshot("page2-registry");
    PostMessageW(w.Item("BitBtn3"), BM_CLICK, 0, 0);
    w.ExpectExit();
}

// The registry road to a folder the probe rejects: one message, then the
// program ends; no folder browser is offered.
struct Rejected {
    const char* name;
    const wchar_t* fixture;  // empty: no library in the folder
    bool emptyValue;         // the registry value is the empty text
};

const Rejected kRejected[] = {
    {"no-library", L"", false},
    {"empty-value", L"", true},
    {"ownerfault", L"ownerfault", false},
    {"av", L"av", false},
    {"divzero", L"divzero", false},
    {"illegal", L"illegal", false},
    {"foreign", L"foreign", false},
    {"msvcxx", L"msvcxx", false},
    {"gccthrow", L"gccthrow", false},
    {"stackoverflow", L"stackoverflow", false},
    {"initfail", L"initfail", false},
    {"notalib", L"notalib", false},
};

void RegistryRejected(const Rejected& c) {
    const std::wstring host = MakeHost(L"rej-" + Widen(c.name), c.fixture, true);
    RegistryText(c.emptyValue ? L"" : host);
    Wizard w(g_options.exe);
    PostMessageW(w.Item("BitBtn2"), BM_CLICK, 0, 0);
    const Box box = w.WaitBox();
    CheckMessage(box, text::RegistryRejected);
    CheckText(w.Text("StaticText3"), L"Odnaleziono:", "findings untouched while the message shows");
    Check(!IsWindowEnabled(w.Form()), "the main window is disabled while the message shows");
    w.AnswerBox(box);
    w.ExpectExit();  // and no browser, no second box on the way
}

// A value that is not text: the error report, then page 2 as discovery left
// it; hiding the page resets it and the next showing tries again. Next then
// runs the deployment with an empty host folder, which fails.
void RegistryWrongType() {
    RegistryNumber(1);
    Wizard w(g_options.exe);
    for (int round = 1; round <= 2; ++round) {
        const std::string r = " (showing " + std::to_string(round) + ")";
        PostMessageW(w.Item("BitBtn2"), BM_CLICK, 0, 0);
        const Box box = w.WaitBox();
        CheckText(box.caption, L"Instalator", "error box caption" + r);
        CheckText(box.text, L"Invalid data type for 'Lokalizacja'", "error box text" + r);
        Check(box.icon, "the error box has an error icon" + r);
        w.AnswerBox(box);
        w.Settle();
        Check(w.Page() == 2, "the page change completed" + r);
        CheckText(w.Text("StaticText3"), round == 1 ? L"Odnaleziono:" : L"", "findings" + r);
        Check(!w.Visible("Edit1") && !w.Visible("BitBtn5"), "no folder field or browse button" + r);
        Check(w.Enabled("BitBtn1") && w.Enabled("BitBtn2") && w.Enabled("BitBtn3"), "Back, Next and Cancel enabled" + r);
        Check(w.Dialogs().empty(), "no other dialog" + r);
        if (round == 1) {
            w.Click("BitBtn1");
            Require(w.Page() == 1, "Back shows page 1");
            CheckText(w.Text("StaticText3"), L"", "hiding page 2 after the error reset its findings");
        }
    }
    w.Click("BitBtn2");
    Require(w.Page() == 3, "Next shows page 3");
    CheckText(w.Text("StaticText6"), std::wstring(text::Opening) + text::Failure,
              "the deployment with an empty host folder fails");
    Check(GetFileAttributesW(L"C:\\SZABLONY") == INVALID_FILE_ATTRIBUTES, "no SZABLONY folder created in the root");
    w.Post(WM_CLOSE, 0, 0);
    w.ExpectExit();
}

// The manual road, driven through the shell's folder browser.
class ManualRoad {
public:
    explicit ManualRoad(Wizard& w) : w_(w) {}

    // Opens the browser, optionally moves its selection, and confirms or
    // cancels it; `expectSelected` is the tree item's text, if given.
    // Folders are listed first so that the browser can select them.
    void Choose(const std::wstring& select, bool confirm, const std::wstring& expectSelected) {
        ListChain(g_options.work);
        for (const auto& n : ListNames(g_options.work)) ListNames(g_options.work + L"\\" + n);
        PostMessageW(w_.Item("BitBtn5"), BM_CLICK, 0, 0);
        HWND browser = w_.WaitBrowser();
        Check(!IsWindowEnabled(w_.Form()), "the main window is disabled while the browser is open");
        const std::wstring prompt = w_.BrowserPrompt(browser);
        Check(prompt.find(text::BrowserPrompt) != std::wstring::npos,
              "the browser shows the prompt \"Wybierz folder:\", it shows \"" + Shown(prompt) + "\"");
        if (!select.empty()) w_.BrowserSelect(browser, select);
        const std::wstring selected = w_.BrowserSelection(browser);
        if (expectSelected.empty()) Check(!selected.empty(), "a folder is selected in the browser");
        else CheckText(selected, expectSelected, "folder selected in the browser");
        w_.BrowserClose(browser, confirm);
        w_.Settle();
    }

    void ExpectRejected(const std::wstring& edit, const std::wstring& findings, bool nextEnabled, const std::string& what) {
        const Box box = w_.WaitBox();
        CheckMessage(box, text::ChoiceRejected);
        w_.AnswerBox(box);
        w_.Settle();
        Check(w_.Running() && w_.Page() == 2, what + ": still on page 2");
        CheckText(w_.Text("Edit1"), edit, what + ": folder field");
        CheckText(w_.Text("StaticText3"), findings, what + ": findings");
        Check(w_.Enabled("BitBtn2") == nextEnabled, what + (nextEnabled ? ": Next enabled" : ": Next disabled"));
        Check(w_.Dialogs().empty(), what + ": no other dialog");
    }

    void ExpectAccepted(const std::wstring& edit, const std::wstring& findings, const std::string& what) {
        Check(w_.Dialogs().empty(), what + ": no message box");
        CheckText(w_.Text("Edit1"), edit, what + ": folder field");
        CheckText(w_.Text("StaticText3"), findings, what + ": findings");
        Check(w_.Enabled("BitBtn2"), what + ": Next enabled");
    }

private:
    Wizard& w_;
};

// A copy of the exe placed in a host folder: the browser opens on that
// folder, and confirming it unchanged takes it.
void ManualAccept() {
    RegistryAbsent();
    const std::wstring host = MakeHost(L"manual-single", L"single", true);
    const std::wstring exe = host + L"\\AktualizacjaSiec.exe";
    Require(CopyFileW(g_options.exe.c_str(), exe.c_str(), FALSE) != 0, "copy the exe into the host folder");
    Wizard w(exe);
    w.Click("BitBtn2");
    Require(w.Page() == 2, "Next shows page 2");
    CheckText(w.Text("StaticText3"), text::NoRegistry, "findings without a registry value");
    Check(!w.Enabled("BitBtn2") && w.Enabled("BitBtn1") && w.Enabled("BitBtn3"), "Next disabled, Back and Cancel enabled");
    Check(w.Visible("Edit1") && !w.Enabled("Edit1"), "folder field shown, disabled");
    CheckText(w.Text("Edit1"), L"", "folder field empty");
    Check(w.Visible("BitBtn5") && w.Enabled("BitBtn5"), "browse button shown");
    w.Snapshot("page2-manual-start");

    ManualRoad road(w);
    road.Choose(L"", true, Leaf(host));
    road.ExpectAccepted(host, std::wstring(text::SingleLine) + text::SingleOwner + L"\r" + text::ClosingPrompt,
                        "the program's own folder");
    w.Snapshot("page2-manual-accepted");
    PostMessageW(w.Item("BitBtn3"), BM_CLICK, 0, 0);
    w.ExpectExit();
}

// Cancel as the very first action: the empty folder is probed and rejected.
void ManualCancelFirst() {
    RegistryAbsent();
    Wizard w(g_options.exe);
    w.Click("BitBtn2");
    Require(w.Page() == 2, "Next shows page 2");
    PostMessageW(w.Item("BitBtn5"), BM_CLICK, 0, 0);
    HWND browser = w.WaitBrowser();
    w.BrowserClose(browser, false);
    ManualRoad(w).ExpectRejected(L"", text::NoRegistry, false, "cancel first");
    // Back enables Next, and discovery does not run again: page 2 comes
    // back as it was left, but with Next enabled.
    w.Click("BitBtn1");
    Require(w.Page() == 1, "Back shows page 1");
    w.Click("BitBtn2");
    Require(w.Page() == 2, "Next shows page 2 again");
    Check(w.Dialogs().empty(), "no message box on the second showing");
    CheckText(w.Text("StaticText3"), text::NoRegistry, "findings as they were");
    Check(w.Visible("Edit1") && w.Visible("BitBtn5"), "folder field and browse button still shown");
    Check(w.Enabled("BitBtn1") && w.Enabled("BitBtn2") && w.Enabled("BitBtn3"), "Back, Next and Cancel enabled");
    PostMessageW(w.Item("BitBtn3"), BM_CLICK, 0, 0);
    w.ExpectExit();
}

// One process through a run of faulting libraries (a stack overflow three
// times among them), each one rejected with the window still answering,
// then good folders accepted and the templates installed.
void ManualFaults() {
    RegistryAbsent();
    const std::wstring overflow = MakeHost(L"m-stackoverflow", L"stackoverflow", false);
    const std::wstring exe = overflow + L"\\AktualizacjaSiec.exe";
    Require(CopyFileW(g_options.exe.c_str(), exe.c_str(), FALSE) != 0, "copy the exe into the host folder");
    const wchar_t* faulting[] = {L"av", L"divzero", L"illegal", L"foreign", L"msvcxx",
                                 L"gccthrow", L"ownerfault", L"initfail", L"notalib"};
    std::vector<std::wstring> hosts;
    for (const wchar_t* f : faulting) hosts.push_back(MakeHost(std::wstring(L"m-") + f, f, false));
    const std::wstring network = MakeHost(L"m-network", L"network", true);
    const std::wstring noexports = MakeHost(L"m-noexports", L"noexports", true);

    Wizard w(exe);
    w.Click("BitBtn2");
    Require(w.Page() == 2 && !w.Enabled("BitBtn2"), "page 2 on the manual road");
    ManualRoad road(w);

    road.Choose(L"", true, Leaf(overflow));
    road.ExpectRejected(overflow, text::NoRegistry, false, "stack overflow, own folder confirmed");
    road.Choose(L"", false, Leaf(overflow));
    road.ExpectRejected(overflow, text::NoRegistry, false, "stack overflow again, after a cancel");
    for (const auto& host : hosts) {
        road.Choose(host, true, Leaf(host));
        road.ExpectRejected(host, text::NoRegistry, false, Utf8(Leaf(host)));
    }
    road.Choose(overflow, true, Leaf(overflow));
    road.ExpectRejected(overflow, text::NoRegistry, false, "stack overflow a third time");
    // A drive root loses its backslash: the library is looked for in C:\.
    road.Choose(L"C:\\", true, L"");
    road.ExpectRejected(L"C:", text::NoRegistry, false, "the root of drive C:");

    const std::wstring networkFindings =
        std::wstring(text::NetworkLine) + text::NetworkOwner + L"\r" + text::ClosingPrompt;
    road.Choose(network, true, Leaf(network));
    road.ExpectAccepted(network, networkFindings, "network library after the faults");
    // No exports: accepted, edition and owner kept from the library before.
    road.Choose(noexports, true, Leaf(noexports));
    road.ExpectAccepted(noexports, networkFindings, "library without exports");
    // A rejection after an acceptance leaves the findings and Next alone.
    road.Choose(overflow, true, Leaf(overflow));
    road.ExpectRejected(overflow, networkFindings, true, "stack overflow after an accepted folder");
    road.Choose(noexports, true, Leaf(noexports));
    road.ExpectAccepted(noexports, networkFindings, "library without exports again");

    w.Click("BitBtn2");
    Require(w.Page() == 3, "Next shows page 3");
    CheckText(w.Text("StaticText6"), std::wstring(text::Opening) + text::Success + text::Reminder, "installed");
    CheckTemplatesInstalled(noexports);
    PostMessageW(w.Item("BitBtn4"), BM_CLICK, 0, 0);
    w.ExpectExit();
}

}  // namespace

void RegisterDiscovery(std::vector<Scenario>& list) {
    for (const Accepted& c : kAccepted)
        list.push_back({std::string("discovery/registry-accepted/") + c.name, [&c] { RegistryAccepted(c); }});
    for (const Rejected& c : kRejected)
        list.push_back({std::string("discovery/registry-rejected/") + c.name, [&c] { RegistryRejected(c); }});
    list.push_back({"discovery/registry-wrong-type", RegistryWrongType});
    list.push_back({"discovery/manual-accept", ManualAccept});
    list.push_back({"discovery/manual-cancel-first", ManualCancelFirst});
    list.push_back({"discovery/manual-faults", ManualFaults});
}
