// The headless backend's world: what the native tests script and inspect in
// place of the registry, the library loader, the dialogs, the program's
// resources and the disk.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "Widgets.h"

namespace headless {

constexpr uint32_t REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4, REG_MULTI_SZ = 7;

struct RegValue {
    uint32_t Type = REG_SZ;
    std::vector<uint8_t> Data;
    bool ReadFails = false;  // the value exists but its data cannot be read
};

struct RegKey {
    bool Openable = true;  // false: exists but not with full access
    std::map<String, RegValue> Values;
};

struct FakeLibrary {
    std::map<String, void*> Exports;
};

struct Dialog {
    enum Type { Message, Error };
    Type Kind;
    String Caption;
    String Text;
};

struct BrowseCall {
    String Caption, Root, Start;
};

struct World {
    std::map<String, RegKey> Registry;  // keys directly under HKEY_CURRENT_USER
    int OpenKeys = 0;                   // registry keys open right now

    std::map<String, FakeLibrary> Libraries;  // by the exact path the loader is given
    std::vector<String> LoadRequests;
    int LoadedLibraries = 0;
    int Releases = 0;

    std::deque<std::optional<String>> BrowseAnswers;  // nullopt (or none left): cancel
    std::vector<BrowseCall> BrowseCalls;

    std::vector<Dialog> Dialogs;
    std::function<void(const Dialog&)> OnDialog;  // runs while the dialog is "open"

    std::map<String, std::vector<uint8_t>> Resources;  // by upper-case name
    int OpenResources = 0;

    String ModulePath = "C:\\Instalator\\AktualizacjaSiec.exe";

    // Files are real, under the Linux path the Windows path maps to.
    std::map<String, int> Attributes;  // mapped path -> attributes
    std::set<String> Locked;           // mapped paths held open elsewhere
    long long DiskSpace = -1;          // bytes left for writes; -1: unlimited
    int WriteRequests = 0;
};

World& Fake();
// A fresh world whose resources are the program's embedded template set.
void Reset();
// Backslashes become slashes; nothing else changes.
String MapPath(const String& windowsPath);

struct EmbeddedResource {
    const char* Name;
    const unsigned char* Data;
    size_t Size;
};
extern const EmbeddedResource EmbeddedResources[];
extern const size_t EmbeddedResourceCount;

}  // namespace headless
