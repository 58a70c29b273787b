// Page 2: finding the host folder in the registry or through the folder
// browser, and the companion library probe behind both.
#include <gtest/gtest.h>

#include <optional>

#include "wizard_world.h"

namespace {

using headless::Dialog;
using headless::Fake;

const String Owner = "Zakład Łódź";

class DiscoveryTest : public WizardTest {};

// --- The registry road -----------------------------------------------------

enum class Outcome { Accepted, Rejected, Manual, Error };

struct RegCase {
    const char* Name;
    bool KeyExists, KeyOpenable;
    const char* ValueName;
    uint32_t Type;
    Bytes Data;
    bool ReadFails;
    Outcome Result;
    String HostDir;  // Accepted, Rejected: what FHostDir becomes; Error: the message
};

void PrintTo(const RegCase& c, std::ostream* os) { *os << c.Name; }

class RegistryValue : public WizardTest, public ::testing::WithParamInterface<RegCase> {};

// The host's library stands in C:\Host; a registry folder anywhere else is
// rejected. Every outcome leaves the key closed and offers no folder browser.
TEST_P(RegistryValue, Outcome) {
    const RegCase& c = GetParam();
    if (c.KeyExists) {
        auto& key = Fake().Registry["VeOrvanto"];
        key.Openable = c.KeyOpenable;
        key.Values[c.ValueName] = headless::RegValue{c.Type, c.Data, c.ReadFails};
    }
    fakes::Install("C:\\Host", fakes::Host(1, Owner));
    fakes::Install("C:\\Host\\", fakes::Host(1, Owner));
    std::vector<String> textAtMessage;
    Fake().OnDialog = [&](const Dialog&) { textAtMessage.push_back(f.StaticText3->Text()); };

    Next();
    EXPECT_EQ(Fake().OpenKeys, 0);
    EXPECT_TRUE(Fake().BrowseCalls.empty());
    EXPECT_EQ(f.PageControl1->ActivePageIndex(), 1);
    const bool probed = c.Result == Outcome::Accepted || c.Result == Outcome::Rejected;
    EXPECT_EQ(Fake().LoadRequests,
              probed ? std::vector<String>{c.HostDir + "\\TAVRIMOD.dll"} : std::vector<String>{});
    EXPECT_EQ(f.Edit1->Visible(), c.Result == Outcome::Manual);
    EXPECT_EQ(f.BitBtn5->Visible(), c.Result == Outcome::Manual);
    EXPECT_FALSE(f.Edit1->Enabled());
    EXPECT_EQ(f.Edit1->Text(), "");
    EXPECT_EQ(Application->Terminated(), c.Result == Outcome::Rejected);
    EXPECT_EQ(f.TabSheet2->Tag, c.Result == Outcome::Error ? 0 : 1);
    EXPECT_EQ(f.BitBtn2->Enabled(), c.Result != Outcome::Manual);
    switch (c.Result) {
    case Outcome::Accepted:
        EXPECT_EQ(f.FHostDir, c.HostDir);
        EXPECT_EQ(f.StaticText3->Text(), txt::NetworkLine + "Lokalizacja: " + c.HostDir + "\r" + Owner + "\r" + txt::Prompt);
        EXPECT_TRUE(Fake().Dialogs.empty());
        break;
    case Outcome::Rejected:
        EXPECT_EQ(f.FHostDir, c.HostDir);
        EXPECT_EQ(DialogTexts(Dialog::Message), std::vector<String>{txt::RegistryRejected});
        EXPECT_EQ(Fake().Dialogs.size(), 1u);
        EXPECT_EQ(textAtMessage, std::vector<String>{"Odnaleziono:"});
        EXPECT_EQ(f.StaticText3->Text(), "Odnaleziono:");
        break;
    case Outcome::Manual:
        EXPECT_EQ(f.StaticText3->Text(), txt::NoRegistry);
        EXPECT_TRUE(Fake().Dialogs.empty());
        break;
    case Outcome::Error:
        EXPECT_EQ(DialogTexts(Dialog::Error), std::vector<String>{c.HostDir});
        EXPECT_EQ(Fake().Dialogs.size(), 1u);
        EXPECT_EQ(Fake().Dialogs[0].Caption, "Instalator");
        EXPECT_EQ(f.StaticText3->Text(), "Odnaleziono:");
        EXPECT_EQ(f.FHostDir, "");
        break;
    }
}

using namespace headless;
const String InvalidType = "Invalid data type for 'Lokalizacja'";

INSTANTIATE_TEST_SUITE_P(
    Discovery, RegistryValue,
    ::testing::Values(
        RegCase{"Sz", true, true, "Lokalizacja", REG_SZ, Sz("C:\\Host"), false, Outcome::Accepted, "C:\\Host"},
        RegCase{"SzWithoutTerminator", true, true, "Lokalizacja", REG_SZ, Raw("C:\\Host"), false, Outcome::Accepted,
                "C:\\Host"},
        RegCase{"EmbeddedNulEndsText", true, true, "Lokalizacja", REG_SZ, Raw(std::string("C:\\Host\0D:\\Inny\0", 16)),
                false, Outcome::Accepted, "C:\\Host"},
        // Used as stored: the library path gets two backslashes in a row.
        RegCase{"TrailingBackslashKept", true, true, "Lokalizacja", REG_SZ, Sz("C:\\Host\\"), false, Outcome::Accepted,
                "C:\\Host\\"},
        RegCase{"ExpandSzReadAsText", true, true, "Lokalizacja", REG_EXPAND_SZ, Sz("C:\\Host"), false,
                Outcome::Accepted, "C:\\Host"},
        RegCase{"ExpandSzNotExpanded", true, true, "Lokalizacja", REG_EXPAND_SZ, Sz("%SystemDrive%\\Host"), false,
                Outcome::Rejected, "%SystemDrive%\\Host"},
        RegCase{"EmptyText", true, true, "Lokalizacja", REG_SZ, Sz(""), false, Outcome::Rejected, ""},
        RegCase{"NoData", true, true, "Lokalizacja", REG_SZ, {}, false, Outcome::Rejected, ""},
        RegCase{"BinaryWithoutData", true, true, "Lokalizacja", REG_BINARY, {}, false, Outcome::Rejected, ""},
        RegCase{"Dword", true, true, "Lokalizacja", REG_DWORD, {1, 0, 0, 0}, false, Outcome::Error, InvalidType},
        RegCase{"Binary", true, true, "Lokalizacja", REG_BINARY, Sz("C:\\Host"), false, Outcome::Error, InvalidType},
        RegCase{"MultiSz", true, true, "Lokalizacja", REG_MULTI_SZ, Raw(std::string("C:\\Host\0\0", 9)), false,
                Outcome::Error, InvalidType},
        RegCase{"ReadFails", true, true, "Lokalizacja", REG_SZ, Sz("C:\\Host"), true, Outcome::Error,
                "Failed to get data for 'Lokalizacja'"},
        RegCase{"KeyMissing", false, true, "Lokalizacja", REG_SZ, Sz("C:\\Host"), false, Outcome::Manual, ""},
        RegCase{"KeyNotOpenable", true, false, "Lokalizacja", REG_SZ, Sz("C:\\Host"), false, Outcome::Manual, ""},
        RegCase{"ValueMissing", true, true, "Wersja", REG_SZ, Sz("C:\\Host"), false, Outcome::Manual, ""}),
    [](const auto& info) { return String(info.param.Name); });

// The findings texts, byte for byte, on both roads and for both editions.
struct FindingsCase {
    const char* Name;
    bool Manual;
    uint32_t TestSiec;
    String Owner;
    String Expected;
};

void PrintTo(const FindingsCase& c, std::ostream* os) { *os << c.Name; }

class Findings : public WizardTest, public ::testing::WithParamInterface<FindingsCase> {};

TEST_P(Findings, TextIsExact) {
    const FindingsCase& c = GetParam();
    fakes::Install("C:\\Host", fakes::Host(c.TestSiec, c.Owner));
    if (c.Manual) {
        Fake().BrowseAnswers.push_back("C:\\Host");
        Next();
        f.BitBtn5->Click();
    } else {
        SetLokalizacja(REG_SZ, Sz("C:\\Host"));
        Next();
    }
    EXPECT_EQ(f.StaticText3->Text(), c.Expected);
    EXPECT_TRUE(f.BitBtn2->Enabled());
    EXPECT_TRUE(Fake().Dialogs.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Discovery, Findings,
    ::testing::Values(
        FindingsCase{"RegistryNetwork", false, 1, "Zakład Łódź",
                     "Odnaleziono wersję sieciową programu \"Orvanto\".\rLokalizacja: C:\\Host\rZakład Łódź\r"
                     "Naciśnij przycisk \"Dalej >>\" aby zainstalować nakładkę."},
        FindingsCase{"RegistrySingle", false, 0, "Zakład Łódź",
                     "Odnaleziono wersję jednostanowiskową programu \"Orvanto\".\rLokalizacja: C:\\Host\rZakład Łódź\r"
                     "Naciśnij przycisk \"Dalej >>\" aby zainstalować nakładkę."},
        FindingsCase{"RegistryEmptyOwner", false, 1, "",
                     "Odnaleziono wersję sieciową programu \"Orvanto\".\rLokalizacja: C:\\Host\r\r"
                     "Naciśnij przycisk \"Dalej >>\" aby zainstalować nakładkę."},
        FindingsCase{"ManualNetwork", true, 1, "Zakład Łódź",
                     "Odnaleziono wersję sieciową programu \"Orvanto\".\rZakład Łódź\r"
                     "Naciśnij przycisk \"Dalej >>\" aby zainstalować nakładkę."},
        FindingsCase{"ManualSingleEmptyOwner", true, 0, "",
                     "Odnaleziono wersję jednostanowiskową programu \"Orvanto\".\r\r"
                     "Naciśnij przycisk \"Dalej >>\" aby zainstalować nakładkę."}),
    [](const auto& info) { return String(info.param.Name); });

// A value that cannot be read as text is an error of the showing: reported,
// latch left at 0, page reset when hidden, and discovery retried next time.
TEST_F(DiscoveryTest, UnreadableValueIsRetriedOnTheNextShowing) {
    SetLokalizacja(REG_DWORD, {1, 0, 0, 0});
    fakes::Install("C:\\Host", fakes::Host(0, Owner));
    Next();
    ASSERT_EQ(DialogTexts(Dialog::Error), std::vector<String>{"Invalid data type for 'Lokalizacja'"});

    Back();
    EXPECT_EQ(f.StaticText3->Text(), "");
    EXPECT_FALSE(f.Edit1->Visible());
    EXPECT_FALSE(f.BitBtn5->Visible());
    EXPECT_EQ(f.TabSheet2->Tag, 0);

    SetLokalizacja(REG_SZ, Sz("C:\\Host"));
    Next();
    EXPECT_EQ(f.StaticText3->Text(), txt::SingleLine + "Lokalizacja: C:\\Host\r" + Owner + "\r" + txt::Prompt);
    EXPECT_EQ(f.TabSheet2->Tag, 1);
    EXPECT_EQ(Fake().Dialogs.size(), 1u);
    EXPECT_EQ(Fake().OpenKeys, 0);
}

// Once discovery has completed, showing page 2 again reads and probes
// nothing, and hiding it resets nothing; Back has enabled Next.
TEST(DiscoveryLater, ShowingsKeepThePage) {
    for (bool registry : {true, false}) {
        SCOPED_TRACE(registry ? "registry road" : "manual road, nothing accepted");
        Wizard w;
        fakes::Reset();
        TForm1& g = w.f();
        fakes::Install("C:\\Host", fakes::Host(1, Owner));
        if (registry) SetLokalizacja(REG_SZ, Sz("C:\\Host"));
        g.BitBtn2->Click();
        const String findings = g.StaticText3->Text();
        const auto loads = Fake().LoadRequests;

        g.BitBtn1->Click();
        g.BitBtn5->Click();  // not on the visible page: takes no click
        SetLokalizacja(REG_SZ, Sz("C:\\Host"));  // a value appearing now is not read
        g.BitBtn2->Click();
        EXPECT_EQ(g.StaticText3->Text(), findings);
        EXPECT_EQ(Fake().LoadRequests, loads);
        EXPECT_TRUE(Fake().BrowseCalls.empty());
        EXPECT_TRUE(Fake().Dialogs.empty());
        EXPECT_TRUE(g.BitBtn2->Enabled());
        EXPECT_EQ(g.Edit1->Visible(), !registry);
        EXPECT_EQ(g.BitBtn5->Visible(), !registry);
    }
}

// --- The manual road -------------------------------------------------------

// Libraries stand in D:\A (network, "Alfa"), D:\B (single, "Beta") and the
// root of D: (single, "Korzeń"); nothing else passes the probe.
struct BrowseCase {
    const char* Name;
    std::vector<std::optional<String>> Answers;  // one click of "..." each; nullopt: cancel
    String HostDir;
    std::vector<String> Loads;
    String Findings;
    bool NextEnabled;
    size_t Rejections;
};

void PrintTo(const BrowseCase& c, std::ostream* os) { *os << c.Name; }

const String A = txt::NetworkLine + "Alfa\r" + txt::Prompt;
const String B = txt::SingleLine + "Beta\r" + txt::Prompt;
const String Root = txt::SingleLine + "Korzeń\r" + txt::Prompt;

class Browse : public WizardTest, public ::testing::WithParamInterface<BrowseCase> {};

TEST_P(Browse, Choices) {
    const BrowseCase& c = GetParam();
    fakes::Install("D:\\A", fakes::Host(1, "Alfa"));
    fakes::Install("D:\\B", fakes::Host(0, "Beta"));
    fakes::Install("D:", fakes::Host(0, "Korzeń"));
    Next();
    for (const auto& answer : c.Answers) {
        Fake().BrowseAnswers.push_back(answer);
        f.BitBtn5->Click();
    }
    EXPECT_EQ(Fake().BrowseCalls.size(), c.Answers.size());
    EXPECT_EQ(f.FHostDir, c.HostDir);
    EXPECT_EQ(f.Edit1->Text(), c.HostDir);
    EXPECT_EQ(Fake().LoadRequests, c.Loads);
    EXPECT_EQ(f.StaticText3->Text(), c.Findings);
    EXPECT_EQ(f.BitBtn2->Enabled(), c.NextEnabled);
    EXPECT_EQ(DialogTexts(Dialog::Message), std::vector<String>(c.Rejections, txt::ChoiceRejected));
    EXPECT_EQ(Fake().Dialogs.size(), c.Rejections);
    EXPECT_TRUE(f.Edit1->Visible());
    EXPECT_FALSE(f.Edit1->Enabled());
    EXPECT_TRUE(f.BitBtn5->Visible());
    EXPECT_FALSE(Application->Terminated());
    EXPECT_EQ(Fake().LoadedLibraries, 0);
}

const String LibA = "D:\\A\\TAVRIMOD.dll", LibB = "D:\\B\\TAVRIMOD.dll";

INSTANTIATE_TEST_SUITE_P(
    Discovery, Browse,
    ::testing::Values(
        BrowseCase{"PathTakenUnchanged", {"D:\\A"}, "D:\\A", {LibA}, A, true, 0},
        BrowseCase{"TrailingBackslashRemoved", {"D:\\A\\"}, "D:\\A", {LibA}, A, true, 0},
        BrowseCase{"OnlyOneBackslashRemoved", {"D:\\A\\\\"}, "D:\\A\\", {"D:\\A\\\\TAVRIMOD.dll"}, txt::NoRegistry,
                   false, 1},
        BrowseCase{"DriveRootBecomesDriveLetter", {"D:\\"}, "D:", {"D:\\TAVRIMOD.dll"}, Root, true, 0},
        BrowseCase{"CancelFirstProbesEmptyFolder", {std::nullopt}, "", {"\\TAVRIMOD.dll"}, txt::NoRegistry, false, 1},
        BrowseCase{"CancelAfterAcceptedProbesItAgain", {"D:\\A", std::nullopt}, "D:\\A", {LibA, LibA}, A, true, 0},
        BrowseCase{"SecondChoiceReplacesFirst", {"D:\\A", "D:\\B"}, "D:\\B", {LibA, LibB}, B, true, 0},
        // The findings and Next stay with the earlier folder; FHostDir does not.
        BrowseCase{"RejectedAfterAccepted", {"D:\\A", "D:\\Zly"}, "D:\\Zly", {LibA, "D:\\Zly\\TAVRIMOD.dll"}, A,
                   true, 1},
        BrowseCase{"AcceptedAfterRejected", {"D:\\Zly", "D:\\B"}, "D:\\B", {"D:\\Zly\\TAVRIMOD.dll", LibB}, B, true,
                   1}),
    [](const auto& info) { return String(info.param.Name); });

// The browser starts in the program's own folder; a drive root keeps its
// backslash. No root is imposed.
TEST_F(DiscoveryTest, BrowserStartsInTheProgramsFolder) {
    const std::pair<String, String> cases[] = {
        {"C:\\Instalator\\AktualizacjaSiec.exe", "C:\\Instalator"},
        {"C:\\x.exe", "C:\\"},
        {"D:\\Programy\\Orvanto\\Nakladka\\setup.exe", "D:\\Programy\\Orvanto\\Nakladka"},
    };
    Next();
    for (const auto& [module, start] : cases) {
        Fake().ModulePath = module;
        f.BitBtn5->Click();
        ASSERT_FALSE(Fake().BrowseCalls.empty());
        const headless::BrowseCall& call = Fake().BrowseCalls.back();
        EXPECT_EQ(call.Caption, "Wybierz folder:");
        EXPECT_EQ(call.Root, "");
        EXPECT_EQ(call.Start, start) << module;
    }
}

// --- The probe -------------------------------------------------------------

// The window's state before a probe, and what the probe leaves.
struct ProbeCase {
    const char* Name;
    std::optional<fakes::Library> Library;  // nullopt: no TAVRIMOD.dll in the folder
    bool Found;
    bool Network;
    Bytes OwnerBytes;  // FOwnerName from byte 0, length byte included
    int TestSiecCalls, WlascicielCalls;
};

void PrintTo(const ProbeCase& c, std::ostream* os) { *os << c.Name; }

class Probe : public WizardTest, public ::testing::WithParamInterface<ProbeCase> {};

// Before each probe the window holds a network edition and the owner "Stary".
TEST_P(Probe, FieldsAndRelease) {
    const ProbeCase& c = GetParam();
    const fakes::Library* lib = c.Library ? &fakes::Install("E:\\Host", *c.Library) : nullptr;
    f.FHostDir = "E:\\Host";
    f.FNetworkEdition = true;
    const Bytes old = fakes::Owner("Stary");
    std::copy(old.begin(), old.end(), f.FOwnerName.Bytes);

    f.ProbeHost();
    EXPECT_EQ(f.FHostFound, c.Found);
    EXPECT_EQ(f.FNetworkEdition, c.Network);
    EXPECT_EQ(Bytes(f.FOwnerName.Bytes, f.FOwnerName.Bytes + c.OwnerBytes.size()), c.OwnerBytes);
    EXPECT_EQ(Fake().LoadRequests, std::vector<String>{"E:\\Host\\TAVRIMOD.dll"});
    EXPECT_EQ(f.FLibHandle, nullptr);
    EXPECT_EQ(Fake().LoadedLibraries, 0);
    EXPECT_EQ(Fake().Releases, lib ? 1 : 0);
    EXPECT_TRUE(Fake().Dialogs.empty());
    if (lib) {
        EXPECT_EQ(lib->TestSiecCalls, c.TestSiecCalls);
        EXPECT_EQ(lib->WlascicielCalls, c.WlascicielCalls);
        EXPECT_TRUE(lib->LoadedDuringCalls);
    }
}

fakes::Library Lib(std::optional<uint32_t> testSiec, std::optional<Bytes> owner, bool testSiecThrows = false,
                   bool wlascicielThrows = false) {
    fakes::Library l;
    l.HasTestSiec = testSiec.has_value() || testSiecThrows;
    l.TestSiec = testSiec.value_or(0);
    l.TestSiecThrows = testSiecThrows;
    l.HasWlasciciel = owner.has_value() || wlascicielThrows;
    l.OwnerBuffer = owner.value_or(Bytes{0});
    l.WlascicielThrows = wlascicielThrows;
    return l;
}

// Length byte 255 and every byte of the 256-byte buffer set.
Bytes FullBuffer() {
    Bytes b(256);
    b[0] = 255;
    for (size_t i = 1; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i ^ 0xA5);
    return b;
}

const Bytes Stary = fakes::Owner("Stary");

INSTANTIATE_TEST_SUITE_P(
    Discovery, Probe,
    ::testing::Values(
        ProbeCase{"SingleEditionAndOwner", Lib(0, fakes::Owner("Nowy Właściciel")), true, false,
                  fakes::Owner("Nowy Właściciel"), 1, 1},
        ProbeCase{"NetworkEdition", Lib(1, fakes::Owner("Nowy")), true, true, fakes::Owner("Nowy"), 1, 1},
        ProbeCase{"OnlyLowByteCounts", Lib(0xFFFFFF00u, fakes::Owner("Nowy")), true, false, fakes::Owner("Nowy"), 1,
                  1},
        ProbeCase{"AnyNonzeroLowByteIsNetwork", Lib(0x80u, fakes::Owner("Nowy")), true, true, fakes::Owner("Nowy"),
                  1, 1},
        ProbeCase{"NoExportsKeepsFields", Lib(std::nullopt, std::nullopt), true, true, Stary, 0, 0},
        ProbeCase{"NoTestSiecKeepsEdition", Lib(std::nullopt, fakes::Owner("Nowy")), true, true, fakes::Owner("Nowy"),
                  0, 1},
        ProbeCase{"NoWlascicielKeepsOwner", Lib(0, std::nullopt), true, false, Stary, 1, 0},
        ProbeCase{"EmptyOwner", Lib(1, fakes::Owner("")), true, true, Bytes{0}, 1, 1},
        ProbeCase{"Owner255CopiesWholeBuffer", Lib(1, FullBuffer()), true, true, FullBuffer(), 1, 1},
        ProbeCase{"WlascicielFaultKeepsNewEdition", Lib(0, std::nullopt, false, true), false, false, Stary, 1, 1},
        ProbeCase{"TestSiecFaultSkipsWlasciciel", Lib(std::nullopt, fakes::Owner("Nowy"), true), false, true, Stary,
                  1, 0},
        ProbeCase{"LibraryMissing", std::nullopt, false, true, Stary, 0, 0}),
    [](const auto& info) { return String(info.param.Name); });

// The owner of a first folder survives a probe of another folder whose
// library has no Wlasciciel; a library is looked for as "<dir>\TAVRIMOD.dll"
// even when the folder is empty.
TEST_F(DiscoveryTest, ProbesOfSuccessiveFolders) {
    fakes::Install("D:\\A", fakes::Host(1, "Alfa"));
    fakes::Install("D:\\B", Lib(0, std::nullopt));
    for (const char* dir : {"D:\\A", "D:\\B", ""}) {
        f.FHostDir = dir;
        f.ProbeHost();
    }
    EXPECT_FALSE(f.FHostFound);
    EXPECT_FALSE(f.FNetworkEdition);
    EXPECT_EQ(f.FOwnerName.Str(), "Alfa");
    EXPECT_EQ(Fake().LoadRequests, (std::vector<String>{LibA, LibB, "\\TAVRIMOD.dll"}));
    EXPECT_EQ(Fake().Releases, 2);
    EXPECT_EQ(Fake().LoadedLibraries, 0);
}

}  // namespace
