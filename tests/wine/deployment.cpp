// Template deployment on the real file system: the resources as the exe
// carries them, the files page 3 writes, and the runs that fail part-way
// (a destination held open by another process, a full drive).
#include <cstddef>
#include <cstring>
#include <set>

#include "expected.h"
#include "harness.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// Status line text while entry `index` is written.
std::wstring StatusOf(int index) { return index == 2 ? L"Plik" : kTemplates[index].path; }

std::vector<std::vector<uint8_t>> Contents(const std::wstring& host) {
    std::vector<std::vector<uint8_t>> all(22);
    for (int i = 0; i < 22; ++i) ReadBytes(host + kTemplates[i].path, all[i]);
    return all;
}

// Nothing but the 22 templates in SZABLONY: no temporary file left behind.
void CheckOnlyTemplates(const std::wstring& host) {
    std::set<std::wstring> expected;
    for (const auto& t : kTemplates) expected.insert(std::wstring(t.path).substr(10));
    for (const auto& n : ListNames(host + L"\\SZABLONY"))
        Check(expected.count(n) == 1, "no stray file in SZABLONY, found " + Utf8(n));
}

// A host whose SZABLONY holds an old version of every template.
std::vector<std::vector<uint8_t>> FillOld(const std::wstring& host) {
    std::vector<std::vector<uint8_t>> old(22);
    for (int i = 0; i < 22; ++i) {
        old[i] = Bytes("{\\pard Q47M stary szablon " + std::to_string(i + 1) + "\\par}\r\n");
        WriteBytes(host + kTemplates[i].path, old[i]);
    }
    return old;
}

// --- The resources of the exe, read from its PE image ------------------------

struct PeImage {
    std::vector<uint8_t> file;
    std::vector<IMAGE_SECTION_HEADER> sections;
    uint32_t rsrcRva = 0;

    template <class T>
    const T* At(size_t offset) const {
        Require(offset + sizeof(T) <= file.size(), "PE structure inside the file");
        return reinterpret_cast<const T*>(file.data() + offset);
    }
    size_t FileOffset(uint32_t rva) const {
        for (const auto& s : sections)
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
                return rva - s.VirtualAddress + s.PointerToRawData;
        Require(false, "RVA inside a section");
        return 0;
    }
    // A directory of the resource tree, at an offset from the tree's start.
    const IMAGE_RESOURCE_DIRECTORY* Dir(uint32_t offset) const {
        return At<IMAGE_RESOURCE_DIRECTORY>(FileOffset(rsrcRva + offset));
    }
    const IMAGE_RESOURCE_DIRECTORY_ENTRY* Entries(const IMAGE_RESOURCE_DIRECTORY* d) const {
        return reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY_ENTRY*>(d + 1);
    }
    std::wstring Name(uint32_t offset) const {
        const size_t at = FileOffset(rsrcRva + offset);
        const uint16_t len = *At<uint16_t>(at);
        std::wstring s(len, L'\0');
        Require(at + 2 + len * 2u <= file.size(), "resource name inside the file");
        std::memcpy(s.data(), file.data() + at + 2, len * 2u);
        return s;
    }
};

// Next to page 2, where the registry folder is accepted, and Next again,
// which runs the deployment.
void InstallFromRegistryFolder(Wizard& w) {
    w.Click("BitBtn2");
    Require(w.Page() == 2 && w.Dialogs().empty(), "page 2, folder accepted");
    w.Click("BitBtn2");
    Require(w.Page() == 3, "Next shows page 3");
}

void Resources() {
    PeImage pe;
    Require(ReadBytes(g_options.exe, pe.file), "read the exe");
    const auto* dos = pe.At<IMAGE_DOS_HEADER>(0);
    Require(dos->e_magic == IMAGE_DOS_SIGNATURE, "MZ header");
    const auto* nt = pe.At<IMAGE_NT_HEADERS64>(static_cast<size_t>(dos->e_lfanew));
    Require(nt->Signature == IMAGE_NT_SIGNATURE && nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC,
            "PE32+ image");
    const size_t table = static_cast<size_t>(dos->e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                         nt->FileHeader.SizeOfOptionalHeader;
    const size_t count = nt->FileHeader.NumberOfSections;
    Require(table + count * sizeof(IMAGE_SECTION_HEADER) <= pe.file.size(), "section table inside the file");
    const auto* sec = pe.At<IMAGE_SECTION_HEADER>(table);
    pe.sections.assign(sec, sec + count);
    pe.rsrcRva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress;
    Require(pe.rsrcRva != 0, "the exe has a resource directory");

    // Type level: RT_RCDATA, by ID.
    const auto* root = pe.Dir(0);
    const IMAGE_RESOURCE_DIRECTORY_ENTRY* rcdata = nullptr;
    const auto* types = pe.Entries(root);
    for (int i = 0; i < root->NumberOfNamedEntries + root->NumberOfIdEntries; ++i)
        if (!types[i].NameIsString && types[i].Id == 10) rcdata = &types[i];
    Require(rcdata && rcdata->DataIsDirectory, "an RT_RCDATA directory");

    // Name level: exactly PLIK1T..PLIK22T, by name.
    const auto* names = pe.Dir(rcdata->OffsetToDirectory);
    Check(names->NumberOfIdEntries == 0, "no RT_RCDATA resource is numbered");
    Check(names->NumberOfNamedEntries == 22, "22 named RT_RCDATA resources, found " +
                                                 std::to_string(names->NumberOfNamedEntries));
    std::set<std::wstring> seen;
    size_t total = 0;
    const auto* entries = pe.Entries(names);
    for (int i = 0; i < names->NumberOfNamedEntries + names->NumberOfIdEntries; ++i) {
        if (!entries[i].NameIsString) continue;
        const std::wstring name = pe.Name(entries[i].NameOffset);
        seen.insert(name);
        int index = -1;
        for (int k = 0; k < 22; ++k)
            if (name == kTemplates[k].resource) index = k;
        Check(index >= 0, "RT_RCDATA resource " + Utf8(name) + " is one of PLIK1T..PLIK22T");
        if (index < 0 || !entries[i].DataIsDirectory) continue;
        // Language level: Polish only.
        const auto* langs = pe.Dir(entries[i].OffsetToDirectory);
        const auto* lang = pe.Entries(langs);
        const int count = langs->NumberOfNamedEntries + langs->NumberOfIdEntries;
        Require(count >= 1, Utf8(name) + " has a language entry");
        Check(count == 1 && !lang[0].NameIsString && lang[0].Id == 1045,
              Utf8(name) + " has the one language 1045, found " + std::to_string(count) + " (first " +
                  std::to_string(lang[0].Id) + ")");
        const auto* data = pe.At<IMAGE_RESOURCE_DATA_ENTRY>(pe.FileOffset(pe.rsrcRva + lang[0].OffsetToData));
        const size_t at = pe.FileOffset(data->OffsetToData);
        Require(at + data->Size <= pe.file.size(), Utf8(name) + " data inside the file");
        const std::vector<uint8_t> bytes(pe.file.begin() + static_cast<long>(at),
                                         pe.file.begin() + static_cast<long>(at + data->Size));
        Check(bytes == TemplateSource(index), Utf8(name) + " holds the bytes of " + Utf8(kTemplates[index].path));
        total += bytes.size();
    }
    for (const auto& t : kTemplates) Check(seen.count(t.resource) == 1, "resource " + Utf8(t.resource) + " present");
    Note("22 fragments, " + std::to_string(total) + " bytes");

    // The loader finds them by the names the program uses, whatever the case.
    HMODULE image = LoadLibraryExW(g_options.exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Require(image != nullptr, "load the exe as data");
    for (int k = 0; k < 22; ++k) {
        const std::wstring mixed = L"Plik" + std::to_wstring(k + 1) + L"T";
        Check(FindResourceExW(image, RT_RCDATA, mixed.c_str(), 1045) != nullptr, "found by the name " + Utf8(mixed));
    }
    FreeLibrary(image);
}

// --- Runs ---------------------------------------------------------------------

void Success() {
    const std::wstring host = MakeHost(L"deploy", L"network", true);
    // Entry 1 was longer before and is cut; entry 10 is read-only.
    std::vector<uint8_t> longer = TemplateSource(0);
    longer.resize(longer.size() + 5000, 'x');
    WriteBytes(host + kTemplates[0].path, longer);
    const std::wstring readOnly = host + kTemplates[9].path;
    WriteBytes(readOnly, Bytes("{\\pard Q47M tylko do odczytu\\par}"));
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    Require((GetFileAttributesW(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY) != 0, "destination 10 is read-only");
    RegistryText(host);

    Wizard w(g_options.exe);
    InstallFromRegistryFolder(w);
    CheckText(w.Text("StaticText6"), std::wstring(text::Opening) + text::Success + text::Reminder, "result text");
    CheckText(w.Text("StaticText4"), L"", "status line empty");
    Check(!w.Enabled("BitBtn1") && !w.Enabled("BitBtn2") && !w.Enabled("BitBtn3"), "Back, Next and Cancel disabled");
    Check(w.Visible("BitBtn4") && w.Enabled("BitBtn4"), "Close enabled");
    Check(w.Dialogs().empty(), "no message box");
    CheckTemplatesInstalled(host);
    const DWORD attributes = GetFileAttributesW(readOnly.c_str());
    Check(attributes == FILE_ATTRIBUTE_ARCHIVE,
          "the read-only destination ends archive-only (attributes " + std::to_string(attributes) + ")");
    w.Snapshot("page3-success");
    // Next had the focus and is disabled now; Alt+F4 still closes.
    w.Keys(Key::AltF4);
    w.ExpectExit();
}

// Entry 3 held open without sharing by us: the run stops there, keeps what it
// wrote and reports; once released, Back and Next run it again in full.
void LockedRetry() {
    const std::wstring host = MakeHost(L"locked", L"network", true);
    const auto old = FillOld(host);
    RegistryText(host);
    const int locked = 2;
    HANDLE lock = CreateFileW((host + kTemplates[locked].path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Require(lock != INVALID_HANDLE_VALUE, "hold destination 3 open");

    Wizard w(g_options.exe);
    w.Click("BitBtn2");
    Require(w.Page() == 2 && w.Dialogs().empty(), "page 2, folder accepted");
    const std::wstring findings = w.Text("StaticText3");
    w.Click("BitBtn2");
    Require(w.Page() == 3, "Next shows page 3");
    CheckText(w.Text("StaticText6"), std::wstring(text::Opening) + text::Failure, "result text after the failure");
    CheckText(w.Text("StaticText4"), StatusOf(locked), "status line names the entry that failed");
    Check(w.Enabled("BitBtn1") && !w.Enabled("BitBtn2") && !w.Enabled("BitBtn3"), "Back enabled, Next and Cancel disabled");
    Check(w.Dialogs().empty(), "no message box");
    CloseHandle(lock);
    const auto after = Contents(host);
    for (int i = 0; i < 22; ++i) {
        const bool fresh = after[i] == TemplateSource(i);
        Check(i < locked ? fresh : after[i] == old[i],
              Utf8(kTemplates[i].path) + (i < locked ? " written" : " unchanged"));
    }
    CheckOnlyTemplates(host);

    w.Click("BitBtn1");
    Require(w.Page() == 2, "Back shows page 2");
    Check(w.Enabled("BitBtn1") && w.Enabled("BitBtn2") && w.Enabled("BitBtn3"), "Back, Next and Cancel enabled");
    CheckText(w.Text("StaticText3"), findings, "page 2 as it was left");
    w.Click("BitBtn2");
    Require(w.Page() == 3, "Next shows page 3 again");
    CheckText(w.Text("StaticText6"),
              std::wstring(text::Opening) + text::Failure + text::Opening + text::Success + text::Reminder,
              "both runs' texts");
    CheckText(w.Text("StaticText4"), L"", "status line empty");
    Check(!w.Enabled("BitBtn1") && !w.Enabled("BitBtn2") && !w.Enabled("BitBtn3"), "Back, Next and Cancel disabled");
    CheckTemplatesInstalled(host);
    w.Snapshot("page3-retry");
    w.Post(WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box, with Cancel disabled
    w.ExpectExit();
}

// A host folder on a drive with room for one more page than its old
// templates: the run fails part-way, and every destination holds either its
// old content or the whole new fragment, with no temporary file left.
void DiskFull() {
    Require(!g_options.smallHost.empty(), "a nearly full drive (scripts/test-wine.sh mounts one as root)");
    const std::wstring host = g_options.smallHost;
    const auto old = Contents(host);
    for (int i = 0; i < 22; ++i) Require(!old[i].empty(), "old " + Utf8(kTemplates[i].path) + " on the small drive");
    RegistryText(host);

    Wizard w(g_options.exe);
    InstallFromRegistryFolder(w);
    CheckText(w.Text("StaticText6"), std::wstring(text::Opening) + text::Failure, "result text after the failure");
    Check(w.Enabled("BitBtn1"), "Back enabled after the failure");

    const auto after = Contents(host);
    int written = 0;
    while (written < 22 && after[written] == TemplateSource(written)) ++written;
    Note(std::to_string(written) + " templates fit before the drive was full");
    for (int i = 0; i < 22; ++i)
        Check(i < written ? after[i] == TemplateSource(i) : after[i] == old[i],
              Utf8(kTemplates[i].path) + (i < written ? " written whole" : " keeps its old content"));
    Check(written < 22, "the run stopped before the end");
    Check(written > 0, "the drive had room for the first templates");
    if (written < 22) CheckText(w.Text("StaticText4"), StatusOf(written), "status line names the entry that failed");
    CheckOnlyTemplates(host);
    for (const auto& n : ListNames(host))
        Check(n == L"TAVRIMOD.dll" || n == L"SZABLONY", "no stray file in the host folder, found " + Utf8(n));
    w.Post(WM_CLOSE, 0, 0);
    w.ExpectExit();
}

}  // namespace

void CheckTemplatesInstalled(const std::wstring& host) {
    for (int i = 0; i < 22; ++i) {
        std::vector<uint8_t> bytes;
        Check(ReadBytes(host + kTemplates[i].path, bytes) && bytes == TemplateSource(i),
              Utf8(kTemplates[i].path) + " holds exactly the embedded fragment");
    }
    CheckOnlyTemplates(host);
}

void RegisterDeployment(std::vector<Scenario>& list) {
    list.push_back({"deployment/resources", Resources});
    list.push_back({"deployment/success", Success});
    list.push_back({"deployment/locked-retry", LockedRetry});
    list.push_back({"deployment/disk-full", DiskFull});
}
