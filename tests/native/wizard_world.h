// What the wizard's tests script into the headless world: the registry value
// the host leaves behind, companion libraries with fake exports, real host
// folders on disk, and the texts the wizard is expected to show.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

using Bytes = std::vector<uint8_t>;

// The wizard's texts, as the user sees them (code page 1250 bytes).
namespace txt {
inline const String NetworkLine = "Odnaleziono wersję sieciową programu \"Orvanto\".\r";
inline const String SingleLine = "Odnaleziono wersję jednostanowiskową programu \"Orvanto\".\r";
inline const String Prompt = "Naciśnij przycisk \"Dalej >>\" aby zainstalować nakładkę.";
inline const String NoRegistry =
    "Nie odnaleziono rejestru!!!\rProblem z określeniem lokalizacji programu \"Orvnto\". "
    "Określ lokalizację programu na dysku lub skontaktuj się ze sprzedawcą.";
inline const String RegistryRejected =
    "Nie odnaleziono potrzebnych składników programu, skontaktuj się ze sprzedawcą. "
    "Nastąpi zamknięcie instalatora.";
inline const String ChoiceRejected =
    "W podanej lokalizacji nie odnaleziono potrzebnych składników programu. "
    "Zmień lokalizację lub skontaktuj się ze sprzedawcą.";
inline const String Opening = "Instalacja nakładki Q47T.\r";
inline const String Success =
    "Gotowe. Zainstalowano nakładkę Q47T. Zamknij instalatora i uruchom program \"Orvanto\".\r\r";
inline const String Reminder = "Jeśli pracujesz w sieci pamiętaj aby zainstalować nakładkę na wszystkich komputerach.";
inline const String Failure =
    "Wystąpił problem podczas instalacji, instalacja nie powiodła się!. Skontaktuj się ze sprzedawcą.";
}  // namespace txt

// Registry data as stored: Sz adds the terminating NUL, Raw does not.
inline Bytes Raw(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline Bytes Sz(const std::string& s) {
    Bytes b = Raw(s);
    b.push_back(0);
    return b;
}

// HKCU\VeOrvanto\Lokalizacja.
inline void SetLokalizacja(uint32_t type, Bytes data, bool readFails = false) {
    headless::Fake().Registry["VeOrvanto"].Values["Lokalizacja"] = headless::RegValue{type, std::move(data), readFails};
}

// Companion libraries. Exports are plain functions; each installed library
// gets its own pair, bound to a slot that says what they answer and counts
// their calls. A fault inside an export is a throw.
namespace fakes {

struct Library {
    bool HasTestSiec = true;
    uint32_t TestSiec = 0;
    bool TestSiecThrows = false;
    bool HasWlasciciel = true;
    Bytes OwnerBuffer = {0};  // what Wlasciciel writes from byte 0 on
    bool WlascicielThrows = false;
    // Observed.
    int TestSiecCalls = 0, WlascicielCalls = 0;
    bool LoadedDuringCalls = true;  // the wizard held the handle at every call
};

inline std::array<Library, 8> Slots;
inline size_t Used = 0;

inline void Reset() {
    Slots = {};
    Used = 0;
}

inline void NoteCall(Library& l) {
    if (!Form1 || !Form1->FLibHandle) l.LoadedDuringCalls = false;
}

template <size_t I>
uint32_t TestSiec() {
    Library& l = Slots[I];
    ++l.TestSiecCalls;
    NoteCall(l);
    if (l.TestSiecThrows) throw Exception("TestSiec fault");
    return l.TestSiec;
}

template <size_t I>
void Wlasciciel(uint8_t* buffer) {
    Library& l = Slots[I];
    ++l.WlascicielCalls;
    NoteCall(l);
    if (l.WlascicielThrows) throw Exception("Wlasciciel fault");
    std::copy(l.OwnerBuffer.begin(), l.OwnerBuffer.end(), buffer);
}

template <size_t... I>
std::array<std::pair<void*, void*>, sizeof...(I)> ExportTable(std::index_sequence<I...>) {
    return {std::pair<void*, void*>{reinterpret_cast<void*>(&TestSiec<I>), reinterpret_cast<void*>(&Wlasciciel<I>)}...};
}

// A length byte and the text behind it, as Wlasciciel hands the owner over.
inline Bytes Owner(const String& text) {
    Bytes b{static_cast<uint8_t>(text.size())};
    b.insert(b.end(), text.begin(), text.end());
    return b;
}

inline Library Host(uint32_t testSiec, const String& owner) {
    Library l;
    l.TestSiec = testSiec;
    l.OwnerBuffer = Owner(owner);
    return l;
}

// Puts TAVRIMOD.dll into `dir` (plain concatenation, as the wizard builds it).
inline Library& Install(const String& dir, const Library& lib) {
    static const auto table = ExportTable(std::make_index_sequence<std::tuple_size_v<decltype(Slots)>>());
    const size_t slot = Used++;
    Slots.at(slot) = lib;
    auto& exports = headless::Fake().Libraries[dir + "\\TAVRIMOD.dll"].Exports;
    if (lib.HasTestSiec) exports["TestSiec"] = table[slot].first;
    if (lib.HasWlasciciel) exports["Wlasciciel"] = table[slot].second;
    return Slots[slot];
}

}  // namespace fakes

// A real folder under /tmp standing for the host folder; the wizard gets its
// Linux path as FHostDir, so "<dir>\SZABLONY\x.rtf" maps to a real file.
struct TempDir {
    std::string Path;
    explicit TempDir(bool withTemplateFolder = true) {
        char name[] = "/tmp/wizardXXXXXX";
        Path = mkdtemp(name);
        if (withTemplateFolder) std::filesystem::create_directory(Path + "/SZABLONY");
    }
    ~TempDir() { std::filesystem::remove_all(Path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
};

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// The wizard's own window with its real handlers, over a fresh world.
struct WizardTest : ::testing::Test {
    Wizard w;
    TForm1& f = w.f();
    WizardTest() { fakes::Reset(); }
    void Next() { f.BitBtn2->Click(); }
    void Back() { f.BitBtn1->Click(); }
    std::vector<String> DialogTexts(headless::Dialog::Type kind) const {
        std::vector<String> texts;
        for (const auto& d : headless::Fake().Dialogs)
            if (d.Kind == kind) texts.push_back(d.Text);
        return texts;
    }
};
