// The Win32 backend of the widget layer: real windows for the form and its
// controls, painting of the banner's labels and pictures, density scaling,
// the message loop and the program's message boxes.
//
// Every window procedure of ours runs the program's code through
// TApplication::Dispatch or under a catch-all, so no C++ exception ever
// unwinds into user32.
#include <algorithm>
#include <map>
#include <tuple>

#include "Native.h"
#include "Win32.h"

namespace {

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

// Density: fonts are scaled by dpi/96, positions and sizes by the ratio of
// the scaled window font's line height to the 13 px it has at 96 DPI.
struct Scale {
    int dpi = 96;
    int num = 1, den = 1;
};
Scale g_scale;
HWND g_appWindow = nullptr;   // owns the form; its button on the taskbar reads the title
HWND g_mainWindow = nullptr;

constexpr int BaseLineHeight = 13;
constexpr int FirstControlId = 100;

const wchar_t* const AppClass = L"TApplication";
const wchar_t* const FormClass = L"TForm";
const wchar_t* const PanelClass = L"TPanel";
const wchar_t* const PageControlClass = L"TPageControl";
const wchar_t* const TabSheetClass = L"TTabSheet";

COLORREF ColorOf(TColor c) {
    if (c & clSystemBit) return GetSysColor(static_cast<int>(c & 0xFF));
    return static_cast<COLORREF>(c);
}

// A named callback: on i686 it must be stdcall, which a lambda cannot be.
int CALLBACK OnFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) {
    *reinterpret_cast<bool*>(p) = true;
    return 0;
}

bool FaceExists(const wchar_t* face) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &lf, OnFontFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

// A face that is not installed gets the nearest one that is, rather than
// whatever the font mapper would pick.
std::wstring AvailableFace(const char* name) {
    static const std::map<std::string, std::vector<const wchar_t*>> fallbacks = {
        {"Calibri", {L"Calibri", L"Segoe UI", L"Tahoma", L"Arial"}},
        {"MS Sans Serif", {L"MS Sans Serif", L"Microsoft Sans Serif", L"Tahoma", L"Arial"}},
    };
    auto it = fallbacks.find(name);
    if (it != fallbacks.end())
        for (const wchar_t* face : it->second)
            if (FaceExists(face)) return face;
    return win32::Wide(name);
}

HFONT FontFor(const TFont& f) {
    using Key = std::tuple<std::string, int, bool, bool, bool, int>;
    static std::map<Key, HFONT> cache;
    Key key{f.Name, f.Height, f.Bold, f.Italic, f.Underline, static_cast<int>(f.Charset)};
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    const std::wstring face = AvailableFace(f.Name);
    HFONT font = CreateFontW(-MulDiv(f.Height, g_scale.dpi, 96), 0, 0, 0, f.Bold ? FW_BOLD : FW_NORMAL, f.Italic,
                             f.Underline, FALSE, static_cast<BYTE>(f.Charset), OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    cache.emplace(key, font);
    return font;
}

void ComputeScale(const TFont& windowFont) {
    HDC dc = GetDC(nullptr);
    g_scale.dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    if (g_scale.dpi <= 0) g_scale.dpi = 96;
    if (g_scale.dpi == 96) return;
    HDC mdc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mdc, FontFor(windowFont));
    TEXTMETRICW tm{};
    GetTextMetricsW(mdc, &tm);
    SelectObject(mdc, old);
    DeleteDC(mdc);
    g_scale.num = tm.tmHeight > 0 ? tm.tmHeight : MulDiv(BaseLineHeight, g_scale.dpi, 96);
    g_scale.den = BaseLineHeight;
}

TRect Scaled(const TRect& r) { return ScaleRect(r, g_scale.num, g_scale.den); }

TControl* ControlOf(HWND hwnd) {
    return reinterpret_cast<TControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

SIZE TextSize(const TControl* c) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FontFor(c->EffectiveFont()));
    const std::wstring text = win32::Wide(c->Text());
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    return size;
}

// Where a control sits in its parent's client area, in screen pixels; a
// control sized to its text takes the text's extent.
RECT PlaceOf(const TControl* c) {
    const TRect r = Scaled(c->Bounds());
    RECT rc{r.Left, r.Top, r.Left + r.Width, r.Top + r.Height};
    if (c->AutoSize) {
        const SIZE s = TextSize(c);
        rc.right = rc.left + s.cx;
        rc.bottom = rc.top + s.cy;
    }
    return rc;
}

bool IsGraphic(const TControl* c) { return c->Kind() == TControlKind::Label || c->Kind() == TControlKind::Image; }

bool IsContainer(const TControl* c) {
    return c->Kind() == TControlKind::Panel || c->Kind() == TControlKind::PageControl ||
           c->Kind() == TControlKind::TabSheet;
}

HWND HwndOf(const TControl* c) { return static_cast<HWND>(c->Handle()); }

void DrawPicture(HDC dc, const TControl* c) {
    HBITMAP bmp = static_cast<HBITMAP>(
        LoadImageW(Instance(), win32::Wide(c->Picture).c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bmp) return;
    BITMAP bm{};
    GetObjectW(bmp, sizeof bm, &bm);
    const RECT rc = PlaceOf(c);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ oldSrc = SelectObject(src, bmp);
    SetStretchBltMode(dc, COLORONCOLOR);
    if (!c->PictureTransparent) {
        StretchBlt(dc, rc.left, rc.top, w, h, src, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    } else {
        // The bottom-left pixel's colour is the key: a monochrome mask punches
        // the picture's shape into the background, then the picture, with
        // black where the key was, is ORed in. Plain GDI, no extra library.
        const COLORREF key = GetPixel(src, 0, bm.bmHeight - 1);
        HDC mask = CreateCompatibleDC(dc);
        HBITMAP maskBmp = CreateBitmap(bm.bmWidth, bm.bmHeight, 1, 1, nullptr);
        HGDIOBJ oldMask = SelectObject(mask, maskBmp);
        SetBkColor(src, key);
        BitBlt(mask, 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY);
        SetBkColor(src, RGB(0, 0, 0));
        SetTextColor(src, RGB(255, 255, 255));
        BitBlt(src, 0, 0, bm.bmWidth, bm.bmHeight, mask, 0, 0, SRCAND);
        const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
        const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
        StretchBlt(dc, rc.left, rc.top, w, h, mask, 0, 0, bm.bmWidth, bm.bmHeight, SRCAND);
        StretchBlt(dc, rc.left, rc.top, w, h, src, 0, 0, bm.bmWidth, bm.bmHeight, SRCPAINT);
        SetBkColor(dc, oldBk);
        SetTextColor(dc, oldText);
        SelectObject(mask, oldMask);
        DeleteObject(maskBmp);
        DeleteDC(mask);
    }
    SelectObject(src, oldSrc);
    DeleteDC(src);
    DeleteObject(bmp);
}

void DrawLabel(HDC dc, const TControl* c) {
    const RECT rc = PlaceOf(c);
    const std::wstring text = win32::Wide(c->Text());
    HGDIOBJ old = SelectObject(dc, FontFor(c->EffectiveFont()));
    SetTextColor(dc, ColorOf(c->EffectiveFont().Color));
    SetBkColor(dc, ColorOf(c->Color));
    SetBkMode(dc, c->Transparent ? TRANSPARENT : OPAQUE);
    ExtTextOutW(dc, rc.left, rc.top, c->Transparent ? 0 : ETO_OPAQUE, &rc, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
    SelectObject(dc, old);
}

// Panels paint their background and then their labels and pictures in
// creation order, so later ones lie on top.
void PaintContainer(HWND hwnd, TWinControl* self) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    HBRUSH bg = CreateSolidBrush(ColorOf(self->Color));
    FillRect(dc, &client, bg);
    DeleteObject(bg);
    if (self->Kind() == TControlKind::PageControl) DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);
    for (TControl* c : self->Controls()) {
        if (!c->Visible()) continue;
        if (c->Kind() == TControlKind::Label) DrawLabel(dc, c);
        if (c->Kind() == TControlKind::Image) DrawPicture(dc, c);
    }
    EndPaint(hwnd, &ps);
}

// A button translates its own notification into its OnClick; whichever
// container receives the WM_COMMAND (the form, for Enter from the dialog
// manager) passes it on to the control behind the sending window.
// Enter reaches the form from the dialog manager as IDOK with no sender,
// since there is no default button; it clicks the focused button, if any.
bool RouteCommand(WPARAM wp, LPARAM lp) {
    HWND child = reinterpret_cast<HWND>(lp);
    if (!child && LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED) child = GetFocus();
    if (!child || HIWORD(wp) != BN_CLICKED) return false;
    TControl* c = ControlOf(child);
    if (!c || c->Kind() != TControlKind::Button || GetAncestor(child, GA_ROOT) != g_mainWindow) return false;
    static_cast<TBitBtn*>(c)->Click();
    return true;
}

LRESULT ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<TWinControl*>(ControlOf(hwnd));
    switch (msg) {
    case WM_PAINT:
        if (self) {
            PaintContainer(hwnd, self);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_COMMAND:
        if (RouteCommand(wp, lp)) return 0;
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
        TControl* c = ControlOf(reinterpret_cast<HWND>(lp));
        if (!c) break;
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, ColorOf(c->EffectiveFont().Color));
        if (msg == WM_CTLCOLOREDIT) return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        SetBkColor(dc, ColorOf(c->Color));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_CLOSE:
        if (hwnd == g_mainWindow || hwnd == g_appWindow) {
            if (Application && Application->MainForm()) Application->MainForm()->Close();
            PostMessageW(hwnd, WM_NULL, 0, 0);  // wakes the loop to see it
            return 0;
        }
        break;
    case WM_ACTIVATE:
        // The taskbar's window hands activation on to the form.
        if (hwnd == g_appWindow && LOWORD(wp) != WA_INACTIVE && g_mainWindow && IsWindowEnabled(g_mainWindow)) {
            SetActiveWindow(g_mainWindow);
            return 0;
        }
        break;
    case DM_GETDEFID:
        return 0;  // no default button: Enter only clicks the focused one
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        return ContainerProc(hwnd, msg, wp, lp);
    } catch (const std::exception& e) {
        if (Application) Application->ShowException(e.what());
    } catch (...) {
        if (Application) Application->ShowException("Unknown error");
    }
    return 0;
}

void RegisterClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    HICON icon = LoadIconW(Instance(), L"MAINICON");
    for (const wchar_t* name : {AppClass, FormClass, PanelClass, PageControlClass, TabSheetClass}) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = Instance();
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.hIcon = icon;
        wc.hIconSm = icon;
        wc.lpszClassName = name;
        RegisterClassExW(&wc);
    }
}

void ApplyFont(HWND hwnd, const TControl* c) {
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c->EffectiveFont())), FALSE);
}

HWND CreateChild(TControl* c, HWND parent, int id) {
    const wchar_t* cls = PanelClass;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS, ex = 0;
    switch (c->Kind()) {
    case TControlKind::Panel: style |= WS_CLIPCHILDREN; ex |= WS_EX_CONTROLPARENT; break;
    case TControlKind::PageControl: cls = PageControlClass; style |= WS_CLIPCHILDREN; ex |= WS_EX_CONTROLPARENT; break;
    case TControlKind::TabSheet: cls = TabSheetClass; style |= WS_CLIPCHILDREN; ex |= WS_EX_CONTROLPARENT; break;
    case TControlKind::StaticText:
        cls = L"STATIC";
        style |= SS_NOPREFIX | (c->WordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP);
        break;
    case TControlKind::Edit:
        cls = L"EDIT";
        style |= ES_AUTOHSCROLL | WS_TABSTOP;
        ex |= WS_EX_CLIENTEDGE;
        break;
    case TControlKind::Button: cls = L"BUTTON"; style |= BS_PUSHBUTTON | WS_TABSTOP; break;
    default: return nullptr;
    }
    if (c->Visible()) style |= WS_VISIBLE;
    if (!c->Enabled()) style |= WS_DISABLED;
    const RECT rc = PlaceOf(c);
    HWND hwnd = CreateWindowExW(ex, cls, win32::Wide(c->Text()).c_str(), style, rc.left, rc.top, rc.right - rc.left,
                                rc.bottom - rc.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                Instance(), nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(c));
    ApplyFont(hwnd, c);
    return hwnd;
}

// Windows of one parent are created in tab order, which is also their z
// order: the navigation buttons (tab orders 0..2) lie in front of the page
// control (3) that they overlap.
void CreateChildren(TWinControl* parent, HWND parentHwnd, TForm* form) {
    std::vector<TControl*> kids = parent->Controls();
    std::stable_sort(kids.begin(), kids.end(), [](const TControl* a, const TControl* b) {
        const int ta = a->TabOrder < 0 ? 1 << 20 : a->TabOrder, tb = b->TabOrder < 0 ? 1 << 20 : b->TabOrder;
        return ta < tb;
    });
    HWND after = HWND_TOP;
    for (TControl* c : kids) {
        if (IsGraphic(c)) {
            c->SetHandle(parentHwnd);
            continue;
        }
        const auto& all = form->All();
        const auto pos = std::find_if(all.begin(), all.end(), [c](const auto& p) { return p.get() == c; });
        HWND hwnd = CreateChild(c, parentHwnd, FirstControlId + static_cast<int>(pos - all.begin()));
        c->SetHandle(hwnd);
        SetWindowPos(hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = hwnd;
        if (IsContainer(c)) CreateChildren(static_cast<TWinControl*>(c), hwnd, form);
    }
}

// Moves a message box to the middle of the screen when it is activated.
HHOOK g_centreHook = nullptr;
LRESULT CALLBACK CentreHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wp);
        RECT r;
        GetWindowRect(box, &r);
        const int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(box, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
                     0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        UnhookWindowsHookEx(g_centreHook);
        g_centreHook = nullptr;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

void Box(const String& caption, const String& text, UINT icon) {
    g_centreHook = SetWindowsHookExW(WH_CBT, CentreHook, nullptr, GetCurrentThreadId());
    HWND owner = g_mainWindow && IsWindowVisible(g_mainWindow) ? g_mainWindow : nullptr;
    MessageBoxW(owner, win32::Wide(text).c_str(), win32::Wide(caption).c_str(),
                MB_OK | icon | (owner ? MB_APPLMODAL : MB_TASKMODAL));
    if (g_centreHook) UnhookWindowsHookEx(g_centreHook);
    g_centreHook = nullptr;
}

}  // namespace

namespace win32 {

std::wstring Wide(const String& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(1250, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(1250, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

String Narrow(const std::wstring& text) {
    if (text.empty()) return String();
    const int n = WideCharToMultiByte(1250, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    String out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(1250, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

HWND MainWindow() { return g_mainWindow; }

}  // namespace win32

namespace native {

void CreateForm(TForm* form) {
    RegisterClasses();
    ComputeScale(form->Record().Font);
    const std::wstring title = win32::Wide(Application->Title);
    if (!g_appWindow) {
        // The application's own window: zero-sized, it gives the taskbar
        // button its text (the title) and owns the form.
        const int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
        g_appWindow = CreateWindowExW(WS_EX_APPWINDOW, AppClass, title.c_str(),
                                      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS, cx, cy, 0,
                                      0, nullptr, nullptr, Instance(), nullptr);
    }
    const TRect client = Scaled(TRect{0, 0, form->Record().ClientWidth, form->Record().ClientHeight});
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | DS_MODALFRAME;
    const DWORD ex = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
    RECT rc{0, 0, client.Width, client.Height};
    AdjustWindowRectEx(&rc, style, FALSE, ex);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    HWND hwnd = CreateWindowExW(ex, FormClass, win32::Wide(form->Text()).c_str(), style, x, y, w, h, g_appWindow,
                                nullptr, Instance(), nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    form->SetHandle(hwnd);
    if (!g_mainWindow) g_mainWindow = hwnd;
    // The system menu of a fixed dialog frame offers only Move and Close.
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    for (UINT cmd : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) DeleteMenu(menu, cmd, MF_BYCOMMAND);
    CreateChildren(form, hwnd, form);
}

void DestroyForm(TForm* form) {
    HWND hwnd = HwndOf(form);
    for (const auto& c : form->All()) c->SetHandle(nullptr);
    form->SetHandle(nullptr);
    if (hwnd) DestroyWindow(hwnd);
    if (hwnd == g_mainWindow) {
        g_mainWindow = nullptr;
        if (g_appWindow) DestroyWindow(g_appWindow);
        g_appWindow = nullptr;
    }
}

void TextChanged(TControl* c) {
    if (IsGraphic(c)) {
        InvalidateRect(HwndOf(c), nullptr, TRUE);
        return;
    }
    HWND hwnd = HwndOf(c);
    SetWindowTextW(hwnd, win32::Wide(c->Text()).c_str());
    if (c->AutoSize) {
        const RECT rc = PlaceOf(c);
        SetWindowPos(hwnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void EnabledChanged(TControl* c) {
    if (!IsGraphic(c)) EnableWindow(HwndOf(c), c->Enabled());
}

void VisibleChanged(TControl* c) {
    if (IsGraphic(c)) {
        InvalidateRect(HwndOf(c), nullptr, TRUE);
        return;
    }
    ShowWindow(HwndOf(c), c->Visible() ? SW_SHOWNA : SW_HIDE);
}

void BringToFront(TControl* c) {
    SetWindowPos(HwndOf(c), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ShowForm(TForm* form) {
    HWND hwnd = HwndOf(form);
    if (g_appWindow && hwnd == g_mainWindow) ShowWindow(g_appWindow, SW_SHOWNOACTIVATE);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    SetForegroundWindow(hwnd);
    if (TControl* focus = form->ActiveControl()) SetFocus(HwndOf(focus));
}

// Dispatches until the main form has been closed. The closing handler has
// returned by the time the loop looks again, so nothing else runs after it.
void RunLoop(TApplication* app) {
    MSG msg;
    while (!app->Terminated()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        // Ctrl+Tab neither changes the page nor moves the focus.
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0) continue;
        if (g_mainWindow && IsDialogMessageW(g_mainWindow, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void ErrorBox(const String& caption, const String& text) { Box(caption, text, MB_ICONERROR); }
void MessageBox(const String& caption, const String& text) { Box(caption, text, 0); }

}  // namespace native
