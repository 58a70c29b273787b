// The widget layer: a small component library in the shape the wizard's code
// expects of its platform (application, form, panels, labels, pictures, page
// control, static texts, edit, buttons), plus the platform services it uses
// (message box, folder browser, registry, dynamic loading, resources, files).
//
// This header compiles on every target. Each control holds its own state
// (text, enabled, visible, bounds) and forwards changes to a backend through
// a NativeHandle: the Win32 backend makes real windows, the headless one
// keeps plain objects for the native tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

// stdcall on 32-bit Windows, where the host's library uses it; elsewhere
// there is only one calling convention.
#if defined(_WIN32) && defined(__i386__)
#define WL_STDCALL __attribute__((stdcall))
#else
#define WL_STDCALL
#endif

// Texts are code page 1250 bytes, as the compiler emits the program's literals.
using String = std::string;
using NativeHandle = void*;

class Exception : public std::exception {
public:
    explicit Exception(String message) : FMessage(std::move(message)) {}
    const String& Message() const { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    String FMessage;
};

class TObject {
public:
    virtual ~TObject() = default;
};

class TForm;
class TWinControl;

// An event handler is a method of the form that owns the control, assigned as
// `BitBtn2->OnClick = &TForm1::BitBtn2Click`.
struct TNotifyEvent {
    using Method = void (TForm::*)(TObject* Sender);
    Method method = nullptr;

    TNotifyEvent() = default;
    template <class F>
    TNotifyEvent(void (F::*m)(TObject*)) : method(static_cast<Method>(m)) {}
    explicit operator bool() const { return method != nullptr; }
};

// 0x00BBGGRR, or a system colour with the top bit set.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000, clNavy = 0x800000, clSilver = 0xC0C0C0,
                 clYellow = 0x00FFFF, clWhite = 0xFFFFFF, clFuchsia = 0xFF00FF;
constexpr TColor clSystemBit = 0x80000000;
constexpr TColor clBtnFace = clSystemBit | 15, clWindowText = clSystemBit | 8;

enum class TCharset : uint8_t { Default = 1, EastEurope = 238 };

struct TFont {
    const char* Name = "MS Sans Serif";
    int Height = 11;  // character height in 96-DPI pixels
    bool Bold = false, Italic = false, Underline = false;
    TColor Color = clWindowText;
    TCharset Charset = TCharset::Default;
};

struct TRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

// The single place where 96-DPI layout units become screen pixels.
TRect ScaleRect(const TRect& r, int num, int den);

enum class TControlKind : uint8_t {
    Panel, Label, Image, PageControl, TabSheet, StaticText, Edit, Button
};

class TControl : public TObject {
public:
    TControl(TControlKind kind, String name, TForm* owner, TWinControl* parent);
    ~TControl() override;

    TControlKind Kind() const { return FKind; }
    const String& Name() const { return FName; }
    TForm* Owner() const { return FOwner; }
    TWinControl* Parent() const { return FParent; }

    const String& Text() const { return FText; }
    void SetText(const String& text);
    // VCL spells the text of buttons and labels "Caption".
    const String& Caption() const { return FText; }
    void SetCaption(const String& text) { SetText(text); }

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    // Layout in 96-DPI pixels, relative to the parent's client area.
    const TRect& Bounds() const { return FBounds; }
    void SetBounds(const TRect& r) { FBounds = r; }

    TColor Color = clBtnFace;
    bool Transparent = false;   // labels: let the parent show through
    bool ParentFont = true;     // use the owner form's font
    TFont Font;
    bool AutoSize = false;      // labels and one-line static texts
    bool WordWrap = false;      // fixed-size static texts
    int TabOrder = -1;          // -1: not a tab stop
    int Tag = 0;
    String Picture;             // images: bitmap resource name
    bool PictureTransparent = false;
    bool TabVisible = true;     // tab sheets: ours are all hidden

    const TFont& EffectiveFont() const;

    NativeHandle Handle() const { return FHandle; }
    void SetHandle(NativeHandle h) { FHandle = h; }

private:
    TControlKind FKind;
    String FName;
    TForm* FOwner;
    TWinControl* FParent;
    String FText;
    bool FEnabled = true;
    bool FVisible = true;
    TRect FBounds;
    NativeHandle FHandle = nullptr;
};

class TWinControl : public TControl {
public:
    using TControl::TControl;
    const std::vector<TControl*>& Controls() const { return FControls; }
    void AddChild(TControl* c) { FControls.push_back(c); }

private:
    std::vector<TControl*> FControls;  // creation order = paint and z order
};

using TPanel = TWinControl;
using TLabel = TControl;
using TImage = TControl;
using TStaticText = TControl;
using TEdit = TControl;

class TBitBtn : public TControl {
public:
    using TControl::TControl;
    TNotifyEvent OnClick;
    // A click from the platform (mouse, Enter or Space on the focused button).
    void Click();
};

class TTabSheet : public TWinControl {
public:
    using TWinControl::TWinControl;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
};

class TPageControl : public TWinControl {
public:
    using TWinControl::TWinControl;
    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int i) const { return FPages[static_cast<size_t>(i)]; }
    int ActivePageIndex() const { return FActive; }
    void SetActivePageIndex(int index);
    void AddPage(TTabSheet* page) { FPages.push_back(page); }

private:
    std::vector<TTabSheet*> FPages;
    int FActive = -1;
};

// One record of a window layout; the layout of a form is a const table of them.
struct TControlRecord {
    TControlKind Kind;
    const char* Name;
    const char* Parent;   // nullptr: the form itself
    TRect Bounds;         // 96-DPI pixels
    const char* Text;
    const TFont* Font;    // nullptr: the form's font
    TColor Color;
    uint16_t Flags;
    int TabOrder;
    const char* Picture;
};

enum TControlFlags : uint16_t {
    cfHidden = 1, cfDisabled = 2, cfAutoSize = 4, cfWordWrap = 8,
    cfTransparent = 16, cfPictureTransparent = 32,
};

struct TFormRecord {
    const char* Caption;
    int ClientWidth, ClientHeight;
    TColor Color;
    TFont Font;
    const char* ActiveControl;
    const char* ActivePage;
};

class TForm : public TWinControl {
public:
    TForm(const TFormRecord& form, const TControlRecord* layout, size_t count);
    ~TForm() override;

    TControl* FindComponent(const String& name) const;
    template <class T>
    T* Find(const String& name) const { return static_cast<T*>(FindComponent(name)); }

    const TFormRecord& Record() const { return FRecord; }
    TControl* ActiveControl() const { return FActiveControl; }
    // Shown on screen (a hidden form runs no page handlers).
    bool Showing() const { return FShowing; }
    void Show();
    // Ends the application once the running handler has returned.
    void Close();

    TNotifyEvent OnCreate;
    // Runs OnCreate once the derived form has bound its members.
    void DoCreate();

    const std::vector<std::unique_ptr<TControl>>& All() const { return FAll; }

private:
    TFormRecord FRecord;
    std::vector<std::unique_ptr<TControl>> FAll;
    TControl* FActiveControl = nullptr;
    bool FShowing = false;
};

// The application object: title, main form, message loop, and the one
// dispatch point that runs every event handler.
class TApplication : public TObject {
public:
    TApplication();
    ~TApplication() override;

    String Title;
    void Initialize();
    template <class T>
    void CreateForm(T*& ref) {
        ref = new T();
        FForms.emplace_back(ref);
        if (!FMainForm) FMainForm = ref;
        ref->DoCreate();
        NativeCreateForm(ref);
    }
    TForm* MainForm() const { return FMainForm; }

    // Shows the main form and dispatches messages until it is closed.
    void Run();
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }

    // Runs a handler; any exception it lets out is reported and swallowed.
    void Dispatch(TForm* owner, const TNotifyEvent& event, TObject* sender);
    // The standard error report: modal, captioned with the title, error icon.
    void ShowException(const String& message);
    // The program's own message box: modal, captioned with the title, no
    // icon, one OK button, centred on the screen.
    void MessageBox(const String& text);

private:
    void NativeCreateForm(TForm* form);
    TForm* FMainForm = nullptr;
    std::vector<std::unique_ptr<TForm>> FForms;
    bool FTerminated = false;
};

extern TApplication* Application;

void ShowMessage(const String& text);

// --- Platform services -----------------------------------------------------

// Registry access under HKEY_CURRENT_USER, read only in practice.
class TRegistry : public TObject {
public:
    TRegistry();
    ~TRegistry() override;  // closes the key
    bool OpenKey(const String& key, bool canCreate);
    bool ValueExists(const String& name);
    String ReadString(const String& name);
    void CloseKey();

private:
    NativeHandle FKey = nullptr;
};

// Shows the shell's folder browser; true with `directory` set when the user
// confirms a folder. `directory` on entry is the folder to preselect.
bool SelectDirectory(const String& caption, const String& root, String& directory);

// Full path of the program's own executable.
String ModuleFileName();
// The folder part of a path: up to the last backslash, which a drive root keeps.
String ExtractFileDir(const String& path);

// Dynamic loading of a library by full path, as Windows does it.
using HModule = NativeHandle;
HModule LoadLibraryA(const String& path);
void* GetProcAddress(HModule module, const char* name);
void FreeLibrary(HModule module);

// Runs `body(ctx)` so that every fault raised inside it (processor faults,
// foreign exceptions, C++ exceptions, stack overflow) is caught; returns
// false when one was. The body must own nothing that needs destroying.
bool CallGuarded(void (*body)(void*), void* ctx);

// A read-only view of an RT_RCDATA resource of the program's own module.
class TResourceStream : public TObject {
public:
    explicit TResourceStream(const String& name);  // raises when missing
    ~TResourceStream() override;
    const void* Memory() const { return FMemory; }
    size_t Size() const { return FSize; }

private:
    const void* FMemory = nullptr;
    size_t FSize = 0;
};

constexpr int faArchive = 0x20;
// Replaces the file's attributes; returns 0 or the system's error code.
int FileSetAttr(const String& path, int attributes);
// Replaces `path` with exactly `size` bytes, never leaving it half-written;
// raises when it cannot.
void WriteFileReplacing(const String& path, const void* data, size_t size);
