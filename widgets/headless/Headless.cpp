// The headless backend: controls are plain objects, and the registry, the
// library loader, the dialogs and the resources come from a scripted world.
// Files are real, written under the Linux path that the Windows path maps to.
#include "Headless.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

#include "Native.h"

namespace headless {

World& Fake() {
    static World world;
    return world;
}

void Reset() {
    World& w = Fake();
    w = World{};
    for (size_t i = 0; i < EmbeddedResourceCount; ++i) {
        const EmbeddedResource& r = EmbeddedResources[i];
        w.Resources[r.Name] = std::vector<uint8_t>(r.Data, r.Data + r.Size);
    }
}

String MapPath(const String& windowsPath) {
    String p = windowsPath;
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

}  // namespace headless

using headless::Fake;

namespace native {

void CreateForm(TForm* form) {
    // A non-null handle marks the controls as created.
    for (const auto& c : form->All()) c->SetHandle(c.get());
    form->SetHandle(form);
}
void DestroyForm(TForm* form) {
    for (const auto& c : form->All()) c->SetHandle(nullptr);
    form->SetHandle(nullptr);
}
void TextChanged(TControl*) {}
void EnabledChanged(TControl*) {}
void VisibleChanged(TControl*) {}
void BringToFront(TControl*) {}
void ShowForm(TForm*) {}
void RunLoop(TApplication*) {}

static void Record(headless::Dialog::Type kind, const String& caption, const String& text) {
    headless::Dialog d{kind, caption, text};
    Fake().Dialogs.push_back(d);
    if (Fake().OnDialog) Fake().OnDialog(d);
}
void ErrorBox(const String& caption, const String& text) { Record(headless::Dialog::Error, caption, text); }
void MessageBox(const String& caption, const String& text) { Record(headless::Dialog::Message, caption, text); }

NativeHandle RegOpen(const String& key) {
    auto it = Fake().Registry.find(key);
    if (it == Fake().Registry.end() || !it->second.Openable) return nullptr;
    ++Fake().OpenKeys;
    return &it->second;
}

RegStatus RegQuery(NativeHandle key, const String& name, uint32_t& type, std::vector<uint8_t>* data) {
    auto* k = static_cast<headless::RegKey*>(key);
    auto it = k->Values.find(name);
    if (it == k->Values.end()) return RegStatus::Missing;
    type = it->second.Type;
    if (!data) return RegStatus::Ok;
    if (it->second.ReadFails) return RegStatus::ReadFailed;
    *data = it->second.Data;
    return RegStatus::Ok;
}

void RegClose(NativeHandle) { --Fake().OpenKeys; }

}  // namespace native

bool SelectDirectory(const String& caption, const String& root, String& directory) {
    Fake().BrowseCalls.push_back({caption, root, directory});
    auto& answers = Fake().BrowseAnswers;
    if (answers.empty()) return false;
    std::optional<String> answer = answers.front();
    answers.pop_front();
    if (!answer) return false;
    directory = *answer;
    return true;
}

String ModuleFileName() { return Fake().ModulePath; }

HModule LoadLibraryA(const String& path) {
    Fake().LoadRequests.push_back(path);
    auto it = Fake().Libraries.find(path);
    if (it == Fake().Libraries.end()) return nullptr;
    ++Fake().LoadedLibraries;
    return &it->second;
}

void* GetProcAddress(HModule module, const char* name) {
    auto* lib = static_cast<headless::FakeLibrary*>(module);
    auto it = lib->Exports.find(name);
    return it == lib->Exports.end() ? nullptr : it->second;
}

void FreeLibrary(HModule) {
    --Fake().LoadedLibraries;
    ++Fake().Releases;
}

// A fake export signals a fault by throwing; anything it throws is caught.
bool CallGuarded(void (*body)(void*), void* ctx) {
    try {
        body(ctx);
        return true;
    } catch (...) {
        return false;
    }
}

TResourceStream::TResourceStream(const String& name) {
    String upper = name;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    auto it = Fake().Resources.find(upper);
    if (it == Fake().Resources.end()) throw Exception("Resource " + name + " not found");
    FMemory = it->second.data();
    FSize = it->second.size();
    ++Fake().OpenResources;
}

TResourceStream::~TResourceStream() { --Fake().OpenResources; }

int FileSetAttr(const String& path, int attributes) {
    const String p = headless::MapPath(path);
    struct stat st{};
    if (stat(p.c_str(), &st) != 0) return errno == ENOTDIR ? 3 : (errno == ENOENT ? 2 : 5);
    Fake().Attributes[p] = attributes;
    return 0;
}

// Mirrors the Win32 writer: a temporary file beside the destination, written
// in one request, then renamed over it. Read-only destinations and locked
// ones fail as they do on Windows; a full disk fails the write.
void WriteFileReplacing(const String& path, const void* data, size_t size) {
    headless::World& w = Fake();
    const String p = headless::MapPath(path);
    auto fail = [&] { throw Exception("Cannot create file \"" + path + "\""); };
    if (w.Locked.count(p)) fail();
    auto attr = w.Attributes.find(p);
    if (attr != w.Attributes.end() && (attr->second & 1)) fail();
    const String tmp = p + ".tmp~";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) fail();
    size_t allowed = size;
    if (w.DiskSpace >= 0 && static_cast<long long>(size) > w.DiskSpace) allowed = static_cast<size_t>(w.DiskSpace);
    ++w.WriteRequests;
    const size_t written = size ? std::fwrite(data, 1, allowed, f) : 0;
    const bool closed = std::fclose(f) == 0;
    if (written != size || !closed) {
        std::remove(tmp.c_str());
        throw Exception("Cannot write file \"" + path + "\"");
    }
    if (w.DiskSpace >= 0) w.DiskSpace -= static_cast<long long>(size);
    if (std::rename(tmp.c_str(), p.c_str()) != 0) {
        std::remove(tmp.c_str());
        fail();
    }
    w.Attributes[p] = faArchive;
}
