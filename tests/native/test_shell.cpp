// The wizard shell: the window as it opens, its layout, and the navigation
// between the three pages with the enabling of Back, Next and Cancel.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "wizard_world.h"

namespace {

// The main window with its page handlers wrapped: each wrapper notes what the
// window looked like when the handler started, then runs the real handler,
// or throws instead when told to.
struct SpyForm : TForm1 {
    struct Call {
        String Handler;
        int Index;
        bool Page1, Page2, Page3;
        bool Back, Next, Cancel;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> Calls;
    std::set<String> Throwing;

    SpyForm() {
        TabSheet2->OnShow = &SpyForm::Show2;
        TabSheet2->OnHide = &SpyForm::Hide2;
        TabSheet3->OnShow = &SpyForm::Show3;
    }
    std::vector<String> Handlers() const {
        std::vector<String> names;
        for (const auto& c : Calls) names.push_back(c.Handler);
        return names;
    }
    void Wrap(const String& name, void (TForm1::*real)(TObject*), TObject* sender) {
        Calls.push_back({name, PageControl1->ActivePageIndex(), TabSheet1->Visible(), TabSheet2->Visible(),
                         TabSheet3->Visible(), BitBtn1->Enabled(), BitBtn2->Enabled(), BitBtn3->Enabled()});
        if (Throwing.count(name)) throw Exception(name + " failed");
        (this->*real)(sender);
    }
    void Show2(TObject* s) { Wrap("show2", &TForm1::TabSheet2Show, s); }
    void Hide2(TObject* s) { Wrap("hide2", &TForm1::TabSheet2Hide, s); }
    void Show3(TObject* s) { Wrap("show3", &TForm1::TabSheet3Show, s); }
};

// Hosts the wizard can meet: an accepted registry folder where the templates
// can be written, one where they cannot, no registry value, and a registry
// folder without the companion library.
enum class Host { Installs, FailsToInstall, Manual, Rejected };

// The application with a SpyForm as its main window; the world is scripted
// before the window is created, and the window is shown unless told not to.
struct SpyWizard {
    TempDir dir;
    std::unique_ptr<TApplication> app;
    SpyForm* form = nullptr;

    explicit SpyWizard(Host host, bool show = true) : dir(host != Host::FailsToInstall) {
        headless::Reset();
        fakes::Reset();
        if (host != Host::Manual) SetLokalizacja(headless::REG_SZ, Sz(dir.Path));
        if (host != Host::Rejected) fakes::Install(dir.Path, fakes::Host(1, "Zakład Łódź"));
        app = std::make_unique<TApplication>();
        Application->Title = "Instalator";
        Application->CreateForm(form);
        Form1 = form;
        if (show) Application->Run();
    }
    ~SpyWizard() {
        app.reset();
        Form1 = nullptr;
    }
};

enum Ev { Next, Back, Cancel, Close };

void Click(SpyForm& f, Ev e) {
    TBitBtn* const buttons[] = {f.BitBtn2, f.BitBtn1, f.BitBtn3, f.BitBtn4};
    buttons[e]->Click();
}

// --- The window as it opens ------------------------------------------------

TEST(Start, OpensOnPageOneWithNoPageHandlerRun) {
    SpyWizard w(Host::Installs);  // a registry folder the wizard could read and install into
    SpyForm& f = *w.form;
    EXPECT_TRUE(f.Showing());
    EXPECT_EQ(f.PageControl1->ActivePageIndex(), 0);
    EXPECT_TRUE(f.TabSheet1->Visible());
    EXPECT_FALSE(f.TabSheet2->Visible());
    EXPECT_FALSE(f.TabSheet3->Visible());
    EXPECT_FALSE(f.BitBtn1->Enabled());
    EXPECT_TRUE(f.BitBtn2->Enabled());
    EXPECT_TRUE(f.BitBtn3->Enabled());
    EXPECT_EQ(f.ActiveControl(), f.BitBtn2);
    EXPECT_EQ(f.Caption(), "Nakładka dla programu \"Orvanto\" Q47T");
    EXPECT_FALSE(Application->Terminated());

    // No page handler ran: nothing read, probed, shown or written.
    EXPECT_TRUE(f.Calls.empty());
    EXPECT_EQ(f.TabSheet2->Tag, 0);
    EXPECT_TRUE(headless::Fake().LoadRequests.empty());
    EXPECT_TRUE(headless::Fake().Dialogs.empty());
    EXPECT_TRUE(headless::Fake().Attributes.empty());
    EXPECT_EQ(headless::Fake().WriteRequests, 0);
    EXPECT_TRUE(std::filesystem::is_empty(w.dir.Path + "/SZABLONY"));
    EXPECT_EQ(f.StaticText3->Text(), "Odnaleziono:");
    EXPECT_EQ(f.StaticText6->Text(), "");
    EXPECT_EQ(f.StaticText4->Text(), " ");

    // Wizard state as FormCreate leaves it.
    EXPECT_EQ(f.FHostDir, "");
    EXPECT_FALSE(f.FHostFound);
    EXPECT_EQ(f.FLibHandle, nullptr);
    EXPECT_FALSE(f.FNetworkEdition);
    EXPECT_EQ(f.FOwnerName.Length(), 0);
}

TEST(Start, WelcomeTextIsComposedExactly) {
    Wizard w;
    const String& text = w.f().StaticText2->Text();
    EXPECT_EQ(text,
              "Instalator zainstaluje nakładkę na szablony sprawozdania z badań.\rEfekt działania:\r"
              "Przywraca wersję szablonu sprawozdania sprzed zainstalowania nakładki Q47M\r\r"
              "Naciśnij przycisk \"Dalej >>\" jeśli chcesz kontynuować.\r");
    EXPECT_EQ(text.size(), 214u);
    EXPECT_EQ(text.back(), '\r');
    EXPECT_EQ(text.find('\n'), String::npos);
}

// A window created but not shown runs no page handler when its page changes,
// and showing it runs none either; its buttons take no clicks.
TEST(Start, HiddenWindowRunsNoPageHandler) {
    SpyWizard w(Host::Installs, /*show=*/false);
    SpyForm& f = *w.form;
    EXPECT_FALSE(f.Showing());
    f.BitBtn2->Click();
    EXPECT_EQ(f.PageControl1->ActivePageIndex(), 0);

    f.BitBtn2Click(nullptr);
    f.BitBtn2Click(nullptr);
    EXPECT_EQ(f.PageControl1->ActivePageIndex(), 2);
    Application->Run();
    EXPECT_TRUE(f.Calls.empty());
    EXPECT_FALSE(f.TabSheet1->Visible());
    EXPECT_FALSE(f.TabSheet2->Visible());
    EXPECT_TRUE(f.TabSheet3->Visible());
    EXPECT_TRUE(headless::Fake().LoadRequests.empty());
    EXPECT_EQ(headless::Fake().WriteRequests, 0);
    EXPECT_EQ(f.StaticText6->Text(), "");
}

// --- Layout ----------------------------------------------------------------

TEST(Layout, ControlsSitWhereTheLayoutPutsThem) {
    struct Row {
        const char* Name;
        const char* Parent;
        TRect Bounds;
        const char* Text;  // nullptr: not checked
        bool Visible, Enabled;
        int TabOrder;
    };
    const Row rows[] = {
        {"Panel1", "Form", {0, 0, 185, 206}, "", true, true, 0},
        {"Image1", "Panel1", {8, 8, 32, 32}, "", true, true, -1},
        {"Label1", "Panel1", {54, 10, 0, 0}, "Orvanto", true, true, -1},
        {"Label2", "Panel1", {52, 8, 0, 0}, "Orvanto", true, true, -1},
        {"Label3", "Panel1", {8, 72, 0, 0}, "Nakładka Q47T", true, true, -1},
        {"Label4", "Panel1", {8, 124, 0, 0}, nullptr, true, true, -1},
        {"Label5", "Panel1", {8, 140, 0, 0}, nullptr, true, true, -1},
        {"Label6", "Panel1", {10, 160, 0, 0}, nullptr, true, true, -1},
        {"Label7", "Panel1", {10, 180, 0, 0}, nullptr, true, true, -1},
        {"Image2", "Panel1", {132, 56, 48, 48}, "", true, true, -1},
        {"Panel2", "Form", {185, 0, 481, 206}, "", true, true, 1},
        {"PageControl1", "Panel2", {0, 0, 481, 206}, "", true, true, 3},
        {"StaticText2", "TabSheet1", {0, 4, 473, 153}, nullptr, true, true, 0},
        {"StaticText1", "TabSheet2", {4, 4, 0, 0}, "Trwa wyszukiwanie zainstalowanych składników programu.", true,
         true, 0},
        {"StaticText3", "TabSheet2", {4, 28, 461, 101}, "Odnaleziono:", true, true, 1},
        {"Edit1", "TabSheet2", {4, 132, 437, 21}, "", false, false, 2},
        {"BitBtn5", "TabSheet2", {442, 132, 25, 21}, "...", false, true, 3},
        {"StaticText6", "TabSheet3", {4, 4, 461, 125}, "", true, true, 0},
        {"BitBtn4", "TabSheet3", {384, 166, 75, 25}, "Zamknij.", true, true, 1},
        {"StaticText4", "TabSheet3", {4, 136, 461, 17}, " ", true, true, 2},
        {"BitBtn3", "Panel2", {16, 172, 75, 25}, "Anuluj", true, true, 2},
        {"BitBtn1", "Panel2", {112, 172, 75, 25}, "<< Cofnij", true, false, 0},
        {"BitBtn2", "Panel2", {204, 172, 75, 25}, "Dalej >>", true, true, 1},
    };
    Wizard w;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Name);
        const TControl* c = w.f().FindComponent(r.Name);
        ASSERT_NE(c, nullptr);
        ASSERT_NE(c->Parent(), nullptr);
        EXPECT_EQ(c->Parent()->Name(), r.Parent);
        EXPECT_EQ(c->Bounds().Left, r.Bounds.Left);
        EXPECT_EQ(c->Bounds().Top, r.Bounds.Top);
        EXPECT_EQ(c->Bounds().Width, r.Bounds.Width);
        EXPECT_EQ(c->Bounds().Height, r.Bounds.Height);
        if (r.Text) {
            EXPECT_EQ(c->Text(), r.Text);
        }
        EXPECT_EQ(c->Visible(), r.Visible);
        EXPECT_EQ(c->Enabled(), r.Enabled);
        EXPECT_EQ(c->TabOrder, r.TabOrder);
    }
    EXPECT_EQ(w.f().Record().ClientWidth, 666);
    EXPECT_EQ(w.f().Record().ClientHeight, 206);
}

// Creation order is paint order: the yellow name over its silver shadow, the
// navigation buttons in front of the pages; pages in wizard order.
TEST(Layout, OrderOfChildrenAndPages) {
    Wizard w;
    auto names = [](const TWinControl* parent) {
        std::vector<String> n;
        for (const TControl* c : parent->Controls()) n.push_back(c->Name());
        return n;
    };
    EXPECT_EQ(names(w.f().Panel1), (std::vector<String>{"Image1", "Label1", "Label2", "Label3", "Label4", "Label5",
                                                        "Label6", "Label7", "Image2"}));
    EXPECT_EQ(names(w.f().Panel2), (std::vector<String>{"PageControl1", "BitBtn3", "BitBtn1", "BitBtn2"}));
    ASSERT_EQ(w.f().PageControl1->PageCount(), 3);
    EXPECT_EQ(w.f().PageControl1->Pages(0), w.f().TabSheet1);
    EXPECT_EQ(w.f().PageControl1->Pages(1), w.f().TabSheet2);
    EXPECT_EQ(w.f().PageControl1->Pages(2), w.f().TabSheet3);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(w.f().PageControl1->Pages(i)->TabVisible);
}

// Exactly these handlers are bound; page 1 has none, page 3 no hide handler.
TEST(Layout, EventBindings) {
    Wizard w;
    TForm1& f = w.f();
    auto is = [](const TNotifyEvent& e, void (TForm1::*m)(TObject*)) { return e.method == TNotifyEvent(m).method; };
    EXPECT_TRUE(is(f.OnCreate, &TForm1::FormCreate));
    EXPECT_TRUE(is(f.BitBtn1->OnClick, &TForm1::BitBtn1Click));
    EXPECT_TRUE(is(f.BitBtn2->OnClick, &TForm1::BitBtn2Click));
    EXPECT_TRUE(is(f.BitBtn3->OnClick, &TForm1::BitBtn3Click));
    EXPECT_TRUE(is(f.BitBtn4->OnClick, &TForm1::BitBtn4Click));
    EXPECT_TRUE(is(f.BitBtn5->OnClick, &TForm1::BitBtn5Click));
    EXPECT_TRUE(is(f.TabSheet2->OnShow, &TForm1::TabSheet2Show));
    EXPECT_TRUE(is(f.TabSheet2->OnHide, &TForm1::TabSheet2Hide));
    EXPECT_TRUE(is(f.TabSheet3->OnShow, &TForm1::TabSheet3Show));
    EXPECT_FALSE(f.TabSheet1->OnShow);
    EXPECT_FALSE(f.TabSheet1->OnHide);
    EXPECT_FALSE(f.TabSheet3->OnHide);
}

// --- Navigation ------------------------------------------------------------

// The page shown (and only that one visible) and the state of Back, Next and Cancel.
void ExpectNavigation(const TForm1& f, int page, bool back, bool next, bool cancel) {
    EXPECT_EQ(f.PageControl1->ActivePageIndex(), page);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(f.PageControl1->Pages(i)->Visible(), i == page) << "page " << i + 1;
    EXPECT_EQ(f.BitBtn1->Enabled(), back);
    EXPECT_EQ(f.BitBtn2->Enabled(), next);
    EXPECT_EQ(f.BitBtn3->Enabled(), cancel);
}

struct NavCase {
    const char* Name;
    Host World;
    std::vector<Ev> Before;  // clicks that lead to the starting state
    Ev Event;
    int Page;
    bool Back, Next, Cancel, Ended;
    std::vector<String> Handlers;  // page handlers the event ran, in order
};

void PrintTo(const NavCase& c, std::ostream* os) { *os << c.Name; }

class Navigation : public ::testing::TestWithParam<NavCase> {};

TEST_P(Navigation, Transition) {
    const NavCase& c = GetParam();
    SpyWizard w(c.World);
    SpyForm& f = *w.form;
    for (Ev e : c.Before) Click(f, e);
    ASSERT_FALSE(Application->Terminated());
    f.Calls.clear();
    const size_t dialogs = headless::Fake().Dialogs.size();

    Click(f, c.Event);
    EXPECT_EQ(f.Handlers(), c.Handlers);
    ExpectNavigation(f, c.Page, c.Back, c.Next, c.Cancel);
    EXPECT_EQ(Application->Terminated(), c.Ended);
    for (const auto& d : headless::Fake().Dialogs) EXPECT_NE(d.Kind, headless::Dialog::Error) << d.Text;
    // Closing asks nothing; the only message is a rejected registry folder's.
    EXPECT_EQ(headless::Fake().Dialogs.size() - dialogs, c.World == Host::Rejected ? 1u : 0u);
}

const bool T = true, F = false;

INSTANTIATE_TEST_SUITE_P(
    Shell, Navigation,
    ::testing::Values(
        NavCase{"WelcomeNext", Host::Installs, {}, Next, 1, T, T, T, F, {"show2"}},
        NavCase{"WelcomeNextNoRegistryDisablesNext", Host::Manual, {}, Next, 1, T, F, T, F, {"show2"}},
        // Discovery closes the window; the Next handler still completes.
        NavCase{"WelcomeNextRejectedFolderEnds", Host::Rejected, {}, Next, 1, T, T, T, T, {"show2"}},
        NavCase{"DiscoveryNextInstalls", Host::Installs, {Next}, Next, 2, F, F, F, F, {"show3", "hide2"}},
        NavCase{"DiscoveryNextFails", Host::FailsToInstall, {Next}, Next, 2, T, F, F, F, {"show3", "hide2"}},
        NavCase{"DiscoveryBack", Host::Installs, {Next}, Back, 0, F, T, T, F, {"hide2"}},
        NavCase{"NoRegistryBackEnablesNext", Host::Manual, {Next}, Back, 0, F, T, T, F, {"hide2"}},
        NavCase{"NoRegistryBackNextKeepsNextEnabled", Host::Manual, {Next, Back}, Next, 1, T, T, T, F, {"show2"}},
        NavCase{"FailedBack", Host::FailsToInstall, {Next, Next}, Back, 1, T, T, T, F, {"show2"}},
        NavCase{"FailedBackNextRunsAgain", Host::FailsToInstall, {Next, Next, Back}, Next, 2, T, F, F, F,
                {"show3", "hide2"}},
        NavCase{"WelcomeCancelEnds", Host::Installs, {}, Cancel, 0, F, T, T, T, {}},
        NavCase{"DiscoveryCancelEnds", Host::Installs, {Next}, Cancel, 1, T, T, T, T, {}},
        NavCase{"NoRegistryCancelEnds", Host::Manual, {Next}, Cancel, 1, T, F, T, T, {}},
        NavCase{"InstalledCloseEnds", Host::Installs, {Next, Next}, Close, 2, F, F, F, T, {}},
        NavCase{"FailedCloseEnds", Host::FailsToInstall, {Next, Next}, Close, 2, T, F, F, T, {}},
        // Disabled buttons, and Close away from page 3, take no clicks.
        NavCase{"WelcomeBackDisabled", Host::Installs, {}, Back, 0, F, T, T, F, {}},
        NavCase{"WelcomeCloseNotOnPage", Host::Installs, {}, Close, 0, F, T, T, F, {}},
        NavCase{"NoRegistryNextDisabled", Host::Manual, {Next}, Next, 1, T, F, T, F, {}},
        NavCase{"InstalledNextDisabled", Host::Installs, {Next, Next}, Next, 2, F, F, F, F, {}},
        NavCase{"InstalledBackDisabled", Host::Installs, {Next, Next}, Back, 2, F, F, F, F, {}},
        NavCase{"InstalledCancelDisabled", Host::Installs, {Next, Next}, Cancel, 2, F, F, F, F, {}},
        NavCase{"FailedNextDisabled", Host::FailsToInstall, {Next, Next}, Next, 2, T, F, F, F, {}}),
    [](const auto& info) { return String(info.param.Name); });

// The entered page's show handler runs while the index still names the page
// left and that page is still visible; then the left page is hidden and its
// hide handler runs; only then does the index change.
TEST(PageChange, ShowBeforeHideBeforeIndex) {
    SpyWizard w(Host::FailsToInstall);
    SpyForm& f = *w.form;
    using C = SpyForm::Call;
    Click(f, Next);
    Click(f, Next);
    Click(f, Back);
    Click(f, Back);
    const std::vector<C> expected = {
        //  handler  index  page1 page2 page3  Back Next Cancel
        {"show2", 0, T, T, F, T, T, T},  // Next from page 1
        {"show3", 1, F, T, T, T, T, T},  // Next from page 2: deployment starts with all three enabled
        {"hide2", 1, F, F, T, T, T, T},  // Next and Cancel still enabled here
        {"show2", 2, F, T, T, T, T, T},  // Back from a failed run: Back enabled by the run
        {"hide2", 1, T, F, F, T, T, T},  // Back to page 1: Back disabled only after the change
    };
    ASSERT_EQ(f.Calls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(f.Calls[i], expected[i]) << "call " << i;
    EXPECT_FALSE(f.BitBtn1->Enabled());
}

// A page handler that throws is reported in the error box while the page
// change is under way; the change completes and the click handler goes on.
struct ThrowCase {
    const char* Name;
    String Thrower;
    std::vector<Ev> Before;
    Ev Event;
    int IndexDuringReport;
    std::vector<String> Handlers;
    int Page;
    bool Back, Next, Cancel;
};

void PrintTo(const ThrowCase& c, std::ostream* os) { *os << c.Name; }

class ThrowingPageHandler : public ::testing::TestWithParam<ThrowCase> {};

TEST_P(ThrowingPageHandler, IsReportedAndTheChangeCompletes) {
    const ThrowCase& c = GetParam();
    SpyWizard w(Host::Installs);
    SpyForm& f = *w.form;
    for (Ev e : c.Before) Click(f, e);
    f.Calls.clear();
    f.Throwing.insert(c.Thrower);
    std::vector<int> indexAtReport;
    headless::Fake().OnDialog = [&](const headless::Dialog&) {
        indexAtReport.push_back(f.PageControl1->ActivePageIndex());
    };

    Click(f, c.Event);
    ASSERT_EQ(headless::Fake().Dialogs.size(), 1u);
    const headless::Dialog& d = headless::Fake().Dialogs[0];
    EXPECT_EQ(d.Kind, headless::Dialog::Error);
    EXPECT_EQ(d.Caption, "Instalator");
    EXPECT_EQ(d.Text, c.Thrower + " failed");
    EXPECT_EQ(indexAtReport, std::vector<int>{c.IndexDuringReport});
    EXPECT_EQ(f.Handlers(), c.Handlers);
    ExpectNavigation(f, c.Page, c.Back, c.Next, c.Cancel);
    EXPECT_FALSE(Application->Terminated());
}

INSTANTIATE_TEST_SUITE_P(
    Shell, ThrowingPageHandler,
    ::testing::Values(ThrowCase{"Show2", "show2", {}, Next, 0, {"show2"}, 1, T, T, T},
                      ThrowCase{"Show3", "show3", {Next}, Next, 1, {"show3", "hide2"}, 2, T, F, F},
                      ThrowCase{"Hide2OnNext", "hide2", {Next}, Next, 1, {"show3", "hide2"}, 2, F, F, F},
                      ThrowCase{"Hide2OnBack", "hide2", {Next}, Back, 1, {"hide2"}, 0, F, T, T}),
    [](const auto& info) { return String(info.param.Name); });

// Closing takes effect only when the running handler returns: the request
// itself shows nothing and the handler's remaining steps still run.
TEST(Closing, RejectedRegistryFolderLetsTheNextHandlerFinish) {
    SpyWizard w(Host::Rejected);
    SpyForm& f = *w.form;
    std::vector<bool> terminatedAtMessage;
    headless::Fake().OnDialog = [&](const headless::Dialog&) { terminatedAtMessage.push_back(Application->Terminated()); };
    Click(f, Next);
    EXPECT_EQ(terminatedAtMessage, std::vector<bool>{false});
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(f.PageControl1->ActivePageIndex(), 1);
    EXPECT_FALSE(f.TabSheet1->Visible());
    EXPECT_TRUE(f.BitBtn1->Enabled());
    EXPECT_EQ(f.TabSheet2->Tag, 1);
    EXPECT_EQ(headless::Fake().OpenKeys, 0);
}

}  // namespace
