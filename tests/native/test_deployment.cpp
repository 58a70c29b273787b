// Page 3: the deployment run writing the 22 template fragments into a real
// host folder, and the template table it walks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>

#include "wizard_world.h"

namespace {

using headless::Fake;
namespace fs = std::filesystem;

constexpr int Entries = 22;

Bytes Embedded(int entry) {
    String name = TemplateTable[entry - 1].Resource;
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    for (size_t i = 0; i < headless::EmbeddedResourceCount; ++i)
        if (name == headless::EmbeddedResources[i].Name)
            return Bytes(headless::EmbeddedResources[i].Data,
                         headless::EmbeddedResources[i].Data + headless::EmbeddedResources[i].Size);
    ADD_FAILURE() << "no embedded resource " << name;
    return {};
}

String Relative(int entry) { return TemplateTable[entry - 1].Path; }

// The wizard on page 2 with the registry naming a real folder under /tmp
// (with a SZABLONY subfolder unless told otherwise) and the host's library
// in it. Next from here runs the deployment.
class Deployment : public WizardTest {
protected:
    TempDir dir;
    String host = dir.Path;

    explicit Deployment(bool templateFolder = true) : dir(templateFolder) {}
    void ReachPageTwo(const String& hostDir, bool network = true) {
        host = hostDir;
        SetLokalizacja(headless::REG_SZ, Sz(hostDir));
        fakes::Install(hostDir, fakes::Host(network ? 1 : 0, "Zakład Łódź"));
        Next();
        ASSERT_EQ(f.FHostDir, hostDir);
        ASSERT_TRUE(f.BitBtn2->Enabled());
    }
    void SetUp() override { ReachPageTwo(dir.Path); }
    // The Linux file a destination maps to.
    String Dest(int entry) const { return headless::MapPath(host + Relative(entry)); }
    void Lock(int entry) { Fake().Locked.insert(Dest(entry)); }
    // Every destination already there, with old content and the given attributes.
    void OldFiles(int attributes) {
        for (int e = 1; e <= Entries; ++e) {
            WriteBytes(Dest(e), Old(e));
            Fake().Attributes[Dest(e)] = attributes;
        }
    }
    static Bytes Old(int entry) { return Raw("stary szablon " + std::to_string(entry)); }
    std::vector<String> FilesInTemplateFolder() const {
        std::vector<String> names;
        for (const auto& e : fs::directory_iterator(dir.Path + "/SZABLONY")) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    void ExpectWritten(int from, int to) {
        for (int e = from; e <= to; ++e) {
            EXPECT_EQ(ReadBytes(Dest(e)), Embedded(e)) << "entry " << e;
            EXPECT_EQ(Fake().Attributes[Dest(e)], faArchive) << "entry " << e;
        }
    }
    void ExpectFailedRun(const String& status) {
        EXPECT_EQ(f.StaticText6->Text(), txt::Opening + txt::Failure);
        EXPECT_EQ(f.StaticText4->Text(), status);
        EXPECT_TRUE(f.BitBtn1->Enabled());
        EXPECT_FALSE(f.BitBtn2->Enabled());
        EXPECT_FALSE(f.BitBtn3->Enabled());
        EXPECT_EQ(Fake().OpenResources, 0);
        EXPECT_TRUE(Fake().Dialogs.empty());
    }
};

// --- A successful run ------------------------------------------------------

class SuccessfulRun : public Deployment, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override { ReachPageTwo(dir.Path, GetParam()); }
};

// The reminder about other computers follows whatever edition was found.
TEST_P(SuccessfulRun, WritesEveryFragmentAndReports) {
    Next();
    EXPECT_EQ(f.PageControl1->ActivePageIndex(), 2);
    EXPECT_EQ(f.StaticText6->Text(),
              "Instalacja nakładki Q47T.\rGotowe. Zainstalowano nakładkę Q47T. Zamknij instalatora i uruchom program "
              "\"Orvanto\".\r\rJeśli pracujesz w sieci pamiętaj aby zainstalować nakładkę na wszystkich komputerach.");
    EXPECT_EQ(f.StaticText4->Text(), "");
    EXPECT_FALSE(f.BitBtn1->Enabled());
    EXPECT_FALSE(f.BitBtn2->Enabled());
    EXPECT_FALSE(f.BitBtn3->Enabled());
    ExpectWritten(1, Entries);
    EXPECT_EQ(Fake().WriteRequests, Entries);
    EXPECT_EQ(Fake().OpenResources, 0);
    EXPECT_TRUE(Fake().Dialogs.empty());
    EXPECT_FALSE(Application->Terminated());

    std::vector<String> expected;
    for (int e = 1; e <= Entries; ++e) expected.push_back(fs::path(Dest(e)).filename());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesInTemplateFolder(), expected);  // nothing else, no temporary files
}

INSTANTIATE_TEST_SUITE_P(Deployment, SuccessfulRun, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Network" : "SingleStation"; });

// Read-only, hidden or system destinations and longer ones are replaced by
// exactly the fragment and end up archive only.
TEST_F(Deployment, ReplacesExistingDestinations) {
    const struct {
        int Entry;
        int Attributes;
        size_t OldSize;
    } old[] = {{1, 0x01, 100}, {3, 0x07, 20000}, {7, 0x21, 7000}, {13, 0x20, 10}, {22, 0x02, 5000}};
    for (const auto& o : old) {
        WriteBytes(Dest(o.Entry), Bytes(o.OldSize, 'x'));
        Fake().Attributes[Dest(o.Entry)] = o.Attributes;
    }
    Next();
    EXPECT_EQ(f.StaticText6->Text(), txt::Opening + txt::Success + txt::Reminder);
    ExpectWritten(1, Entries);
}

// A host folder ending in a backslash gives destinations with a doubled
// backslash, handed to the file system as they are.
class TrailingBackslash : public Deployment {
protected:
    void SetUp() override { ReachPageTwo(dir.Path + "\\"); }
};

TEST_F(TrailingBackslash, DoubledBackslashReachesTheFileSystem) {
    Next();
    EXPECT_EQ(f.StaticText6->Text(), txt::Opening + txt::Success + txt::Reminder);
    for (int e = 1; e <= Entries; ++e) {
        const String doubled = dir.Path + "//SZABLONY/" + fs::path(Dest(e)).filename().string();
        EXPECT_EQ(Fake().Attributes.count(doubled), 1u) << doubled;
        EXPECT_EQ(ReadBytes(doubled), Embedded(e));
    }
    for (const auto& [path, attributes] : Fake().Attributes) EXPECT_NE(path.find("//SZABLONY/"), String::npos) << path;
}

// --- Failures --------------------------------------------------------------

// Entry k's destination is held open elsewhere: entries before it are
// written, k has only had its attributes reset, and the ones after it are
// not touched at all. The status line shows entry k ("Plik" for the third).
class FailureAtEntry : public Deployment, public ::testing::WithParamInterface<int> {};

TEST_P(FailureAtEntry, StopsThere) {
    const int k = GetParam();
    OldFiles(0x21);
    Lock(k);
    Next();
    ExpectFailedRun(k == 3 ? "Plik" : Relative(k));
    ExpectWritten(1, k - 1);
    EXPECT_EQ(ReadBytes(Dest(k)), Old(k));
    EXPECT_EQ(Fake().Attributes[Dest(k)], faArchive);
    for (int e = k + 1; e <= Entries; ++e) {
        EXPECT_EQ(ReadBytes(Dest(e)), Old(e)) << "entry " << e;
        EXPECT_EQ(Fake().Attributes[Dest(e)], 0x21) << "entry " << e;
    }
}

INSTANTIATE_TEST_SUITE_P(Deployment, FailureAtEntry, ::testing::Range(1, Entries + 1));

// Without a SZABLONY folder the run fails at the first entry and creates
// nothing, not even the folder.
class NoTemplateFolder : public Deployment {
protected:
    NoTemplateFolder() : Deployment(false) {}
};

TEST_F(NoTemplateFolder, FailsAtFirstEntry) {
    Next();
    ExpectFailedRun("\\SZABLONY\\KestrinHead.rtf");
    EXPECT_TRUE(fs::is_empty(dir.Path));
    EXPECT_TRUE(Fake().Attributes.empty());
}

// The disk fills up while entry k is written: its old content stays whole,
// the entries before it are written, and no temporary file is left behind.
class DiskFull : public Deployment, public ::testing::WithParamInterface<std::pair<int, bool>> {};

TEST_P(DiskFull, KeepsTheOldDestination) {
    const auto [k, existed] = GetParam();
    if (existed) WriteBytes(Dest(k), Old(k));
    long long before = 0;
    for (int e = 1; e < k; ++e) before += static_cast<long long>(Embedded(e).size());
    Fake().DiskSpace = before + static_cast<long long>(Embedded(k).size()) - 1;
    Next();
    ExpectFailedRun(k == 3 ? "Plik" : Relative(k));
    ExpectWritten(1, k - 1);
    if (existed)
        EXPECT_EQ(ReadBytes(Dest(k)), Old(k));
    else
        EXPECT_FALSE(fs::exists(Dest(k)));
    EXPECT_EQ(FilesInTemplateFolder().size(), static_cast<size_t>(k - (existed ? 0 : 1)));
    for (int e = k + 1; e <= Entries; ++e) EXPECT_FALSE(fs::exists(Dest(e))) << "entry " << e;
}

INSTANTIATE_TEST_SUITE_P(Deployment, DiskFull,
                         ::testing::Values(std::pair{1, true}, std::pair{1, false}, std::pair{13, true},
                                           std::pair{22, true}, std::pair{22, false}));

// A resource that cannot be opened stops the run before the status line
// moves on: it still shows the entry before (a space before the first).
class MissingResource : public Deployment, public ::testing::WithParamInterface<std::pair<int, String>> {};

TEST_P(MissingResource, StopsBeforeTheEntry) {
    const auto& [k, status] = GetParam();
    Fake().Resources.erase("PLIK" + std::to_string(k) + "T");
    Next();
    ExpectFailedRun(status);
    ExpectWritten(1, k - 1);
    for (int e = k; e <= Entries; ++e) EXPECT_FALSE(fs::exists(Dest(e))) << "entry " << e;
    EXPECT_EQ(Fake().WriteRequests, k - 1);
}

INSTANTIATE_TEST_SUITE_P(Deployment, MissingResource,
                         ::testing::Values(std::pair<int, String>{1, " "}, std::pair<int, String>{4, "Plik"},
                                           std::pair<int, String>{5, "\\SZABLONY\\KestrinLimit.rtf"},
                                           std::pair<int, String>{22, "\\SZABLONY\\FalmorCont.rtf"}));

// --- Repeated runs ---------------------------------------------------------

// Back from a failed run and Next again runs the whole deployment anew with
// the same folder; the texts of every run stay on the page in order.
struct RunsCase {
    const char* Name;
    std::vector<bool> Succeeds;
    String Text;
};

void PrintTo(const RunsCase& c, std::ostream* os) { *os << c.Name; }

class RepeatedRuns : public Deployment, public ::testing::WithParamInterface<RunsCase> {};

TEST_P(RepeatedRuns, TextsAccumulate) {
    const RunsCase& c = GetParam();
    for (size_t i = 0; i < c.Succeeds.size(); ++i) {
        if (i > 0) {
            Back();
            ASSERT_EQ(f.PageControl1->ActivePageIndex(), 1);
            ASSERT_TRUE(f.BitBtn2->Enabled());
        }
        if (c.Succeeds[i])
            Fake().Locked.clear();
        else
            Lock(5);
        Next();
    }
    EXPECT_EQ(f.StaticText6->Text(), c.Text);
    EXPECT_EQ(f.BitBtn1->Enabled(), !c.Succeeds.back());
    EXPECT_EQ(Fake().LoadRequests.size(), 1u);  // discovery did not run again
    if (c.Succeeds.back()) ExpectWritten(1, Entries);
}

INSTANTIATE_TEST_SUITE_P(
    Deployment, RepeatedRuns,
    ::testing::Values(
        RunsCase{"FailedThenRetried",
                 {false, true},
                 "Instalacja nakładki Q47T.\rWystąpił problem podczas instalacji, instalacja nie powiodła się!. "
                 "Skontaktuj się ze sprzedawcą.Instalacja nakładki Q47T.\rGotowe. Zainstalowano nakładkę Q47T. "
                 "Zamknij instalatora i uruchom program \"Orvanto\".\r\rJeśli pracujesz w sieci pamiętaj aby "
                 "zainstalować nakładkę na wszystkich komputerach."},
        RunsCase{"FailedTwice",
                 {false, false},
                 "Instalacja nakładki Q47T.\rWystąpił problem podczas instalacji, instalacja nie powiodła się!. "
                 "Skontaktuj się ze sprzedawcą.Instalacja nakładki Q47T.\rWystąpił problem podczas instalacji, "
                 "instalacja nie powiodła się!. Skontaktuj się ze sprzedawcą."},
        RunsCase{"FailedTwiceThenRetried",
                 {false, false, true},
                 txt::Opening + txt::Failure + txt::Opening + txt::Failure + txt::Opening + txt::Success +
                     txt::Reminder}),
    [](const auto& info) { return String(info.param.Name); });

// --- The template table ----------------------------------------------------

// The table walks the resource script's entries in its order: each resource
// exists, and each destination is SZABLONY\ plus the script's file name.
TEST(TemplateTableTest, MatchesTheResourceScript) {
    std::ifstream rc(TEMPLATES_DIR "/../templates.rc");
    ASSERT_TRUE(rc.good());
    const std::regex line(R"(^(PLIK\d+T) RCDATA "templates/([^"]+)\"\s*$)");
    std::vector<std::pair<String, String>> script;
    for (String l; std::getline(rc, l);) {
        std::smatch m;
        if (std::regex_match(l, m, line)) script.emplace_back(m[1], m[2]);
    }
    ASSERT_EQ(script.size(), static_cast<size_t>(Entries));
    ASSERT_EQ(headless::EmbeddedResourceCount, static_cast<size_t>(Entries));
    for (int e = 1; e <= Entries; ++e) {
        SCOPED_TRACE(e);
        String upper = TemplateTable[e - 1].Resource;
        for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        EXPECT_EQ(String(TemplateTable[e - 1].Resource), "Plik" + std::to_string(e) + "T");
        EXPECT_EQ(upper, script[e - 1].first);
        EXPECT_EQ(Relative(e), "\\SZABLONY\\" + script[e - 1].second);
        EXPECT_EQ(Embedded(e), ReadBytes(String(TEMPLATES_DIR "/") + script[e - 1].second));
    }
}

}  // namespace
