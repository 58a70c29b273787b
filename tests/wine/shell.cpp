// The wizard shell on the real window system: the window and its layout,
// moving between the pages, the ways to end the program, the keyboard, and
// the layout on a denser screen.
#include <cmath>

#include "expected.h"
#include "harness.h"

namespace {

// Positions and sizes in the parent's client area at 96 DPI; a width of 0
// marks a control sized to its one-line text.
const Place kLayout[] = {
    {"Panel1", 0, 0, 185, 206},
    {"Panel2", 185, 0, 481, 206},
    {"PageControl1", 0, 0, 481, 206},
    {"BitBtn3", 16, 172, 75, 25},
    {"BitBtn1", 112, 172, 75, 25},
    {"BitBtn2", 204, 172, 75, 25},
    {"StaticText2", 0, 4, 473, 153},
    {"StaticText1", 4, 4, 0, 0},
    {"StaticText3", 4, 28, 461, 101},
    {"Edit1", 4, 132, 437, 21},
    {"BitBtn5", 442, 132, 25, 21},
    {"StaticText6", 4, 4, 461, 125},
    {"BitBtn4", 384, 166, 75, 25},
    {"StaticText4", 4, 136, 461, 17},
};

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// Every control where the layout puts it, scaled by `ratio` (1 at 96 DPI);
// scaled edges may be off by one pixel from rounding.
void CheckLayout(Wizard& w, double ratio) {
    const double slack = ratio == 1.0 ? 0.0 : 1.0;
    auto fits = [&](long actual, int expected) { return std::fabs(actual - expected * ratio) <= slack; };
    for (const Place& p : kLayout) {
        const RECT r = w.PlaceOf(p.name);
        const std::string what = std::string(p.name) + " at " + RectText(r);
        Check(fits(r.left, p.left) && fits(r.top, p.top), what + ": position " + std::to_string(p.left) + "," +
                                                              std::to_string(p.top) + " scaled");
        if (p.width) {
            Check(fits(r.right, p.left + p.width) && fits(r.bottom, p.top + p.height),
                  what + ": size " + std::to_string(p.width) + "x" + std::to_string(p.height) + " scaled");
        } else {
            // One line of 13 px text, bold: wide, but within its page.
            const long cw = r.right - r.left, ch = r.bottom - r.top;
            Check(ch >= 12 * ratio && ch <= 24 * ratio && cw >= 250 * ratio && cw <= 465 * ratio,
                  what + ": sized to one line of its text");
        }
    }
    // The pages lie inside the page control, every control inside its parent.
    std::vector<const char*> names{"TabSheet1", "TabSheet2", "TabSheet3"};
    for (const Place& p : kLayout) names.push_back(p.name);
    for (const char* name : names) {
        const RECT r = w.PlaceOf(name);
        RECT parent{};
        GetClientRect(GetParent(w.Item(name)), &parent);
        Check(r.left >= 0 && r.top >= 0 && r.right <= parent.right && r.bottom <= parent.bottom,
              std::string(name) + " at " + RectText(r) + " lies inside its parent");
    }
}

// The navigation buttons lie in front of the page control that they overlap.
void CheckButtonsInFront(Wizard& w) {
    HWND pageControl = w.Item("PageControl1");
    for (const char* b : {"BitBtn1", "BitBtn2", "BitBtn3"}) {
        bool above = false;
        for (HWND h = GetWindow(w.Item(b), GW_HWNDNEXT); h; h = GetWindow(h, GW_HWNDNEXT))
            if (h == pageControl) above = true;
        Check(above, std::string(b) + " lies in front of the page control");
    }
}

void CheckWelcomeState(Wizard& w) {
    Check(w.Page() == 1, "page 1 is the only visible page");
    Check(!w.Enabled("BitBtn1"), "Back disabled on page 1");
    Check(w.Enabled("BitBtn2"), "Next enabled on page 1");
    Check(w.Enabled("BitBtn3"), "Cancel enabled on page 1");
}

void Layout() {
    RegistryAbsent();
    Wizard w(g_options.exe);
    HWND form = w.Form();

    // Found by its title, as the user sees it.
    Check(FindWindowW(L"TForm", text::Title) == form, "the main window is found by class TForm and its title");
    wchar_t buf[256] = {};
    GetWindowTextW(form, buf, 256);
    CheckText(buf, text::Title, "window title");
    HWND app = w.AppWindow();
    Require(app != nullptr, "the main window has an owner");
    GetClassNameW(app, buf, 256);
    CheckText(buf, L"TApplication", "owner window class");
    GetWindowTextW(app, buf, 256);
    CheckText(buf, L"Instalator", "application title (the taskbar entry)");

    // A fixed dialog frame with only the system menu's close box.
    const LONG style = GetWindowLongW(form, GWL_STYLE), ex = GetWindowLongW(form, GWL_EXSTYLE);
    Check((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU), "title bar with system menu");
    Check(!(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)), "no sizing frame, no minimise or maximise box");
    Check((ex & WS_EX_DLGMODALFRAME) != 0, "dialog frame");

    RECT client{}, outer{};
    GetClientRect(form, &client);
    Check(client.right == 666 && client.bottom == 206, "client area 666x206, got " + RectText(client));
    GetWindowRect(form, &outer);
    const int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
    Check(std::abs(outer.left - (sx - (outer.right - outer.left)) / 2) <= 1 &&
              std::abs(outer.top - (sy - (outer.bottom - outer.top)) / 2) <= 1,
          "window centred on the " + std::to_string(sx) + "x" + std::to_string(sy) + " screen, at " + RectText(outer));

    CheckLayout(w, 1.0);
    CheckButtonsInFront(w);

    CheckWelcomeState(w);
    Check(w.Focus() == w.Item("BitBtn2"), "keyboard focus on Next");
    CheckText(w.Text("BitBtn3"), L"Anuluj", "Cancel caption");
    CheckText(w.Text("BitBtn1"), L"<< Cofnij", "Back caption");
    CheckText(w.Text("BitBtn2"), L"Dalej >>", "Next caption");
    CheckText(w.Text("BitBtn4"), L"Zamknij.", "Close caption");
    CheckText(w.Text("BitBtn5"), L"...", "browse button caption");
    CheckText(w.Text("StaticText2"), text::Welcome, "welcome text");
    CheckText(w.Text("StaticText1"), text::Searching, "page 2 heading");
    CheckText(w.Text("StaticText3"), L"Odnaleziono:", "page 2 findings before discovery");
    CheckText(w.Text("Edit1"), L"", "Edit1 empty");
    CheckText(w.Text("StaticText6"), L"", "page 3 result text empty");
    CheckText(w.Text("StaticText4"), L" ", "page 3 status line holds one space");
    Check(!w.Visible("Edit1") && !w.Enabled("Edit1"), "Edit1 hidden and disabled");
    Check(!w.Visible("BitBtn5") && w.Enabled("BitBtn5"), "browse button hidden, enabled");
    Check(w.Visible("BitBtn4") && w.Enabled("BitBtn4"), "Close button enabled on its page");

    w.Snapshot("page1");
    w.Post(WM_CLOSE, 0, 0);  // the close box
    w.ExpectExit();
}

// Next and Back move between the pages under the enabling rules; page 2's
// discovery runs once (the counting library logs one load and one release);
// Cancel on page 2 ends the program without a word.
void Walk() {
    const std::wstring host = MakeHost(L"walk", L"counting", true);
    RegistryText(host);
    Wizard w(g_options.exe);
    const std::wstring findings =
        std::wstring(text::NetworkLine) + L"Lokalizacja: " + host + L"\r" + L"Licznik\r" + text::ClosingPrompt;
    const std::wstring log = host + L"\\TAVRIMOD.log";
    std::vector<uint8_t> bytes;

    w.Click("BitBtn2");
    Check(w.Page() == 2, "Next shows page 2");
    Check(w.Enabled("BitBtn1") && w.Enabled("BitBtn2") && w.Enabled("BitBtn3"), "Back, Next and Cancel enabled on page 2");
    CheckText(w.Text("StaticText3"), findings, "findings after the registry road");
    Check(!w.Visible("Edit1") && !w.Visible("BitBtn5"), "no folder field on the registry road");
    ReadBytes(log, bytes);
    CheckText(Widen(std::string(bytes.begin(), bytes.end())), L"attach\ndetach\n",
              "the probe loaded the library once and released it once");

    w.Click("BitBtn1");
    CheckWelcomeState(w);

    w.Click("BitBtn2");
    Check(w.Page() == 2, "Next shows page 2 again");
    CheckText(w.Text("StaticText3"), findings, "findings unchanged on the second showing");
    Check(w.Enabled("BitBtn1") && w.Enabled("BitBtn2") && w.Enabled("BitBtn3"), "Back, Next and Cancel enabled again");

    PostMessageW(w.Item("BitBtn3"), BM_CLICK, 0, 0);
    w.ExpectExit();
    ReadBytes(log, bytes);
    CheckText(Widen(std::string(bytes.begin(), bytes.end())), L"attach\ndetach\n",
              "no second probe on the second showing, nothing loaded at exit");
}

// Every way of closing ends the program at once with exit code 0.
struct CloseWay {
    const char* name;
    bool onPage2;
    void (*close)(Wizard&);
};

const CloseWay kCloseWays[] = {
    {"page1-cancel", false, [](Wizard& w) { PostMessageW(w.Item("BitBtn3"), BM_CLICK, 0, 0); }},
    {"page1-system-menu-close", false, [](Wizard& w) { w.Post(WM_SYSCOMMAND, SC_CLOSE, 0); }},
    {"page2-close-box", true, [](Wizard& w) { w.Post(WM_CLOSE, 0, 0); }},
};

void Close(const CloseWay& way) {
    if (way.onPage2) RegistryText(MakeHost(L"close", L"network", true));
    else RegistryAbsent();
    Wizard w(g_options.exe);
    if (way.onPage2) {
        w.Click("BitBtn2");
        Require(w.Page() == 2, "on page 2");
    }
    way.close(w);
    w.ExpectExit();
}

// Keys reach the focused control as typing does. Enter comes first, while
// Next has the focus it was given at start (no Tab has made it a default
// button yet). A Tab after each key that should do nothing marks the point
// where that key has been handled.
void Keyboard() {
    const std::wstring host = MakeHost(L"keys", L"network", true);
    RegistryText(host);
    Wizard w(g_options.exe);
    HWND back = w.Item("BitBtn1"), next = w.Item("BitBtn2"), cancel = w.Item("BitBtn3");
    Require(w.Focus() == next, "focus on Next at start");

    w.Keys(Key::Enter);
    const bool moved = WaitUntil([&] { return w.Page() == 2; }, 5000);
    Check(moved, "Enter on the focused Next moves to page 2");
    if (!moved) w.Click("BitBtn2");
    w.Settle();
    Require(w.Page() == 2, "on page 2");
    CheckText(w.Text("StaticText3"),
              std::wstring(text::NetworkLine) + L"Lokalizacja: " + host + L"\r" + text::NetworkOwner + L"\r" +
                  text::ClosingPrompt,
              "discovery ran once on page 2");
    Require(w.Focus() == next, "focus still on Next after Enter");

    w.Keys(Key::Escape);
    w.Keys(Key::Tab);
    Check(WaitUntil([&] { return w.Focus() == cancel; }, 5000), "Tab moves the focus from Next to Cancel");
    w.Settle();
    Check(w.Page() == 2 && w.Dialogs().empty(), "Esc does nothing: still page 2, no dialog");

    // From Cancel, Tab passes the page control (nothing on page 2 takes the
    // focus on the registry road) and comes round to Back.
    w.Keys(Key::CtrlTab);
    w.Keys(Key::Tab);
    Check(WaitUntil([&] { return w.Focus() == back; }, 5000), "Ctrl+Tab does nothing, then Tab moves from Cancel to Back");
    w.Settle();
    Check(w.Page() == 2 && w.Dialogs().empty(), "Ctrl+Tab leaves page 2 showing");

    w.Keys(Key::AltF4);
    w.ExpectExit();
}

// The screen density lives in the prefix's registry (the driver clears it
// when it starts); the program reads it when it starts.
class Density {
public:
    explicit Density(DWORD dpi) {
        Require(RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                                sizeof dpi) == ERROR_SUCCESS,
                "set LogPixels");
    }
    ~Density() { DefaultDensity(); }
};

// At 144 DPI the window font is scaled by 1.5 and everything else by the
// ratio of that font's line height to 13 px: somewhere between 1.3 and 1.7,
// the same for every control.
void Dense() {
    RegistryAbsent();
    Density dpi(144);
    Wizard w(g_options.exe);
    RECT client{};
    GetClientRect(w.Form(), &client);
    const double ratio = client.right / 666.0;
    Note("client area at 144 DPI: " + RectText(client) + ", ratio " + std::to_string(ratio));
    Require(ratio >= 1.3 && ratio <= 1.7, "the window is scaled by a ratio between 1.3 and 1.7");
    Check(std::fabs(client.bottom - 206 * ratio) <= 1.0, "client height scaled by the same ratio");
    CheckLayout(w, ratio);
    CheckButtonsInFront(w);
    CheckWelcomeState(w);
    Check(w.Focus() == w.Item("BitBtn2"), "keyboard focus on Next");
    w.Snapshot("page1-144dpi");
    w.Post(WM_CLOSE, 0, 0);
    w.ExpectExit();
}

}  // namespace

void RegisterShell(std::vector<Scenario>& list) {
    list.push_back({"shell/layout", Layout});
    list.push_back({"shell/walk", Walk});
    for (const CloseWay& way : kCloseWays) list.push_back({std::string("shell/close/") + way.name, [&way] { Close(way); }});
    list.push_back({"shell/keyboard", Keyboard});
    list.push_back({"shell/dpi144", Dense});
}
