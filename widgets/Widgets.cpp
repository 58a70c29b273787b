// Common widget logic, the same on every backend: control state, the page
// change order, building a form from its layout table, and the dispatch point
// that keeps exceptions out of the platform's callbacks.
#include "Widgets.h"

#include "Native.h"

TApplication* Application = nullptr;

TRect ScaleRect(const TRect& r, int num, int den) {
    // Edges are scaled, not sizes, so that neighbouring controls stay flush.
    auto s = [=](int v) { return static_cast<int>((static_cast<long long>(v) * num + den / 2) / den); };
    const int right = s(r.Left + r.Width), bottom = s(r.Top + r.Height);
    const int left = s(r.Left), top = s(r.Top);
    return TRect{left, top, right - left, bottom - top};
}

TControl::TControl(TControlKind kind, String name, TForm* owner, TWinControl* parent)
    : FKind(kind), FName(std::move(name)), FOwner(owner), FParent(parent) {}

TControl::~TControl() = default;

void TControl::SetText(const String& text) {
    FText = text;
    if (FHandle) native::TextChanged(this);
}

void TControl::SetEnabled(bool value) {
    if (FEnabled == value) return;
    FEnabled = value;
    if (FHandle) native::EnabledChanged(this);
}

void TControl::SetVisible(bool value) {
    if (FVisible == value) return;
    FVisible = value;
    if (FHandle) native::VisibleChanged(this);
}

const TFont& TControl::EffectiveFont() const {
    return (ParentFont && FOwner) ? FOwner->Record().Font : Font;
}

// Only a button the user can reach takes clicks: on a shown form, enabled and
// visible itself and inside containers that are all visible and enabled, so a
// button on a hidden page (Close on page 3, browse on page 2) does nothing.
void TBitBtn::Click() {
    TForm* form = Owner();
    if (!form || !form->Showing()) return;
    for (const TControl* c = this; c && c != form; c = c->Parent())
        if (!c->Enabled() || !c->Visible()) return;
    Application->Dispatch(form, OnClick, this);
}

// Entering a page shows it and runs its OnShow while the old page is still
// the active one; then the old page is hidden and runs its OnHide; only then
// does the index change. A handler's exception is reported by the dispatch
// point and the change goes on, so a page change always completes.
void TPageControl::SetActivePageIndex(int index) {
    if (index < 0 || index >= PageCount() || index == FActive) return;
    TTabSheet* entered = Pages(index);
    TTabSheet* left = FActive >= 0 ? Pages(FActive) : nullptr;
    TForm* form = Owner();
    if (!form || !form->Showing()) {
        // A hidden form only swaps which page will be visible.
        if (left) left->SetVisible(false);
        entered->SetVisible(true);
        FActive = index;
        return;
    }
    if (entered->Handle()) native::BringToFront(entered);
    entered->SetVisible(true);
    if (entered->OnShow) Application->Dispatch(form, entered->OnShow, entered);
    if (left) {
        left->SetVisible(false);
        if (left->OnHide) Application->Dispatch(form, left->OnHide, left);
    }
    FActive = index;
}

TForm::TForm(const TFormRecord& form, const TControlRecord* layout, size_t count)
    : TWinControl(TControlKind::Panel, "Form", this, nullptr), FRecord(form) {
    SetText(form.Caption);
    Color = form.Color;
    Font = form.Font;
    ParentFont = false;
    for (size_t i = 0; i < count; ++i) {
        const TControlRecord& r = layout[i];
        TWinControl* parent = r.Parent ? static_cast<TWinControl*>(FindComponent(r.Parent)) : this;
        std::unique_ptr<TControl> c;
        switch (r.Kind) {
        case TControlKind::Button: c = std::make_unique<TBitBtn>(r.Kind, r.Name, this, parent); break;
        case TControlKind::TabSheet: c = std::make_unique<TTabSheet>(r.Kind, r.Name, this, parent); break;
        case TControlKind::PageControl: c = std::make_unique<TPageControl>(r.Kind, r.Name, this, parent); break;
        case TControlKind::Panel: c = std::make_unique<TWinControl>(r.Kind, r.Name, this, parent); break;
        default: c = std::make_unique<TControl>(r.Kind, r.Name, this, parent); break;
        }
        c->SetBounds(r.Bounds);
        c->SetText(r.Text ? r.Text : "");
        c->Color = r.Color;
        if (r.Font) {
            c->Font = *r.Font;
            c->ParentFont = false;
        }
        c->SetVisible(!(r.Flags & cfHidden));
        c->SetEnabled(!(r.Flags & cfDisabled));
        c->AutoSize = r.Flags & cfAutoSize;
        c->WordWrap = r.Flags & cfWordWrap;
        c->Transparent = r.Flags & cfTransparent;
        c->PictureTransparent = r.Flags & cfPictureTransparent;
        c->TabOrder = r.TabOrder;
        c->Picture = r.Picture ? r.Picture : "";
        if (r.Kind == TControlKind::TabSheet) {
            auto* pc = static_cast<TPageControl*>(parent);
            c->TabVisible = false;
            c->SetVisible(false);
            pc->AddPage(static_cast<TTabSheet*>(c.get()));
        }
        parent->AddChild(c.get());
        FAll.push_back(std::move(c));
    }
    // The layout names the page that is active when the form is loaded.
    if (form.ActivePage) {
        TControl* page = FindComponent(form.ActivePage);
        auto* pc = static_cast<TPageControl*>(page->Parent());
        for (int i = 0; i < pc->PageCount(); ++i)
            if (pc->Pages(i) == page) pc->SetActivePageIndex(i);
    }
    FActiveControl = form.ActiveControl ? FindComponent(form.ActiveControl) : nullptr;
}

TForm::~TForm() {
    if (Handle()) native::DestroyForm(this);
}

TControl* TForm::FindComponent(const String& name) const {
    for (const auto& c : FAll)
        if (c->Name() == name) return c.get();
    return nullptr;
}

void TForm::DoCreate() {
    if (OnCreate) Application->Dispatch(this, OnCreate, this);
}

void TForm::Show() {
    FShowing = true;
    if (Handle()) native::ShowForm(this);
}

// Closing the main form ends the application; the request itself returns at
// once, so the rest of the running handler still runs.
void TForm::Close() {
    if (Application && Application->MainForm() == this) Application->Terminate();
}

TApplication::TApplication() { Application = this; }

TApplication::~TApplication() {
    FForms.clear();
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {}

void TApplication::NativeCreateForm(TForm* form) { native::CreateForm(form); }

void TApplication::Run() {
    if (!FMainForm || FTerminated) return;
    FMainForm->Show();
    native::RunLoop(this);
}

// The one place where event handlers run. Nothing thrown by a handler gets
// past this point into the platform's callbacks: it is reported, and the
// program goes on in the state the handler left.
void TApplication::Dispatch(TForm* owner, const TNotifyEvent& event, TObject* sender) {
    if (!event || !owner) return;
    try {
        (owner->*event.method)(sender);
    } catch (const Exception& e) {
        ShowException(e.Message());
    } catch (const std::bad_alloc&) {
        ShowException("Out of memory");
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("Unknown error");
    }
}

void TApplication::ShowException(const String& message) {
    try {
        native::ErrorBox(Title, message);
    } catch (...) {
    }
}

void TApplication::MessageBox(const String& text) { native::MessageBox(Title, text); }

void ShowMessage(const String& text) { Application->MessageBox(text); }

// "C:\Dir\File.exe" gives "C:\Dir"; "C:\File.exe" gives "C:\", keeping the
// backslash of a drive root.
String ExtractFileDir(const String& path) {
    const size_t i = path.find_last_of("\\:");
    if (i == String::npos) return String();
    size_t end = i + 1;
    if (path[i] == '\\' && i > 0 && path[i - 1] != '\\' && path[i - 1] != ':') end = i;
    return path.substr(0, end);
}

TRegistry::TRegistry() = default;

TRegistry::~TRegistry() { CloseKey(); }

bool TRegistry::OpenKey(const String& key, bool) {
    CloseKey();
    FKey = native::RegOpen(key);
    return FKey != nullptr;
}

void TRegistry::CloseKey() {
    if (FKey) native::RegClose(FKey);
    FKey = nullptr;
}

// A value exists when querying it succeeds; with no open key none does.
bool TRegistry::ValueExists(const String& name) {
    uint32_t type = 0;
    return FKey && native::RegQuery(FKey, name, type, nullptr) == native::RegStatus::Ok;
}

// No data gives the empty text; a string value gives its text up to the
// first NUL, an expandable one taken literally; any other kind of data is an
// error, and so is data that cannot be read.
String TRegistry::ReadString(const String& name) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    const auto status = FKey ? native::RegQuery(FKey, name, type, &data) : native::RegStatus::Missing;
    if (status == native::RegStatus::Missing) return String();
    if (status == native::RegStatus::ReadFailed) throw Exception("Failed to get data for '" + name + "'");
    if (data.empty()) return String();
    constexpr uint32_t regSz = 1, regExpandSz = 2;
    if (type != regSz && type != regExpandSz) throw Exception("Invalid data type for '" + name + "'");
    String text(data.begin(), data.end());
    return text.substr(0, text.find('\0'));
}
