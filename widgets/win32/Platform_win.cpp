// The Win32 platform services: registry, folder browser, module path, the
// library loader and its fault guard, embedded resources and file writes.
// These keep the ANSI functions: paths and values are in the system's code page.
#include <shlobj.h>

#include <vector>

#include "Native.h"
#include "Win32.h"

namespace native {

NativeHandle RegOpen(const String& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS) return nullptr;
    return h;
}

// Values of any length: the size is asked first, and asked again if the
// value grows between the two calls.
RegStatus RegQuery(NativeHandle key, const String& name, uint32_t& type, std::vector<uint8_t>* data) {
    HKEY h = static_cast<HKEY>(key);
    DWORD t = 0, size = 0;
    if (RegQueryValueExA(h, name.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS) return RegStatus::Missing;
    type = t;
    if (!data) return RegStatus::Ok;
    for (;;) {
        data->assign(size + 1, 0);
        DWORD got = size;
        const LONG r = RegQueryValueExA(h, name.c_str(), nullptr, &t, data->data(), &got);
        if (r == ERROR_MORE_DATA) {
            size = got;
            continue;
        }
        if (r != ERROR_SUCCESS) return RegStatus::ReadFailed;
        data->resize(got);
        type = t;
        return RegStatus::Ok;
    }
}

void RegClose(NativeHandle key) { RegCloseKey(static_cast<HKEY>(key)); }

}  // namespace native

namespace {

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM start) {
    if (msg == BFFM_INITIALIZED && start) SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, start);
    return 0;
}

bool IsDirectory(const String& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// The shell's folder browser over the whole namespace, file-system folders
// only, modal to the main window. Critical-error boxes (a drive without a
// disk) are off while it is open.
bool SelectDirectory(const String& caption, const String&, String& directory) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    char display[MAX_PATH] = {};
    BROWSEINFOA bi{};
    bi.hwndOwner = win32::MainWindow();
    bi.pszDisplayName = display;
    bi.lpszTitle = caption.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    if (!directory.empty() && IsDirectory(directory)) {
        bi.lpfn = BrowseCallback;
        bi.lParam = reinterpret_cast<LPARAM>(directory.c_str());
    }
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    LPITEMIDLIST pidl = SHBrowseForFolderA(&bi);
    SetErrorMode(oldMode);
    bool confirmed = false;
    if (pidl) {
        char path[MAX_PATH] = {};
        if (SHGetPathFromIDListA(pidl, path) && path[0]) {
            directory = path;
            confirmed = true;
        }
        CoTaskMemFree(pidl);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return confirmed;
}

String ModuleFileName() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) return String(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

HModule LoadLibraryA(const String& path) { return ::LoadLibraryA(path.c_str()); }

void* GetProcAddress(HModule module, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void FreeLibrary(HModule module) { ::FreeLibrary(static_cast<HMODULE>(module)); }

// The fault guard. The body runs on a short-lived thread of its own, which
// the caller waits for. A fault that the library does not handle itself
// reaches the process's top-level filter; a stack overflow is taken at first
// sight, since little stack is left to search for handlers. Either way the
// guard jumps back to the start of that thread, which then ends: a spent
// stack goes away with it, and the caller learns the body did not finish.
namespace {

struct Guard {
    void (*body)(void*);
    void* ctx;
    void* jump[5];  // __builtin_setjmp buffer
#ifdef __i386__
    void* sehChain;  // restored after the jump: the frames below are gone
#endif
    bool faulted;
};

DWORD g_guardSlot = TLS_OUT_OF_INDEXES;
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;

[[noreturn]] void Escape(Guard* g) {
    g->faulted = true;
    __builtin_longjmp(g->jump, 1);
}

LONG CALLBACK OnFirstChance(EXCEPTION_POINTERS* ep) {
    if (ep->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW)
        if (auto* g = static_cast<Guard*>(TlsGetValue(g_guardSlot))) Escape(g);
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* ep) {
    if (auto* g = static_cast<Guard*>(TlsGetValue(g_guardSlot))) Escape(g);
    return g_previousFilter ? g_previousFilter(ep) : EXCEPTION_CONTINUE_SEARCH;
}

__attribute__((noinline)) void RunBody(Guard* g) { g->body(g->ctx); }

DWORD WINAPI GuardThread(void* param) {
    auto* g = static_cast<Guard*>(param);
    TlsSetValue(g_guardSlot, g);
#ifdef __i386__
    asm volatile("movl %%fs:0, %0" : "=r"(g->sehChain));
#endif
    if (__builtin_setjmp(g->jump) == 0) {
        RunBody(g);
    } else {
#ifdef __i386__
        asm volatile("movl %0, %%fs:0" : : "r"(g->sehChain) : "memory");
#endif
    }
    TlsSetValue(g_guardSlot, nullptr);
    return 0;
}

}  // namespace

bool CallGuarded(void (*body)(void*), void* ctx) {
    if (g_guardSlot == TLS_OUT_OF_INDEXES) g_guardSlot = TlsAlloc();
    Guard g{};
    g.body = body;
    g.ctx = ctx;
    PVOID handler = AddVectoredExceptionHandler(1, OnFirstChance);
    g_previousFilter = SetUnhandledExceptionFilter(OnUnhandled);
    HANDLE thread = CreateThread(nullptr, 1 << 20, GuardThread, &g, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    } else {
        g.faulted = true;
    }
    SetUnhandledExceptionFilter(g_previousFilter);
    g_previousFilter = nullptr;
    RemoveVectoredExceptionHandler(handler);
    return !g.faulted;
}

TResourceStream::TResourceStream(const String& name) {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceExA(self, MAKEINTRESOURCEA(10), name.c_str(), MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT));
    if (!res) res = FindResourceA(self, name.c_str(), MAKEINTRESOURCEA(10));
    HGLOBAL loaded = res ? LoadResource(self, res) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) throw Exception("Resource " + name + " not found");
    FMemory = data;
    FSize = SizeofResource(self, res);
}

// Resources stay mapped with the module; there is nothing to free.
TResourceStream::~TResourceStream() = default;

int FileSetAttr(const String& path, int attributes) {
    return SetFileAttributesA(path.c_str(), static_cast<DWORD>(attributes)) ? 0 : static_cast<int>(GetLastError());
}

namespace {

[[noreturn]] void CannotWrite(const String& path, DWORD error) {
    throw Exception("Cannot create file \"" + path + "\". Error " + std::to_string(error));
}

}  // namespace

// The new content goes to a temporary file in the destination's own folder,
// in one write request, is flushed, and then replaces the destination in one
// step. A full disk, a short write or a locked destination fails before the
// destination is touched, and the temporary file is removed, so no template
// is ever left truncated or half-written. No folder is created.
void WriteFileReplacing(const String& path, const void* data, size_t size) {
    const size_t slash = path.find_last_of('\\');
    const String dir = slash == String::npos ? String(".") : path.substr(0, slash);
    char tmp[MAX_PATH + 16] = {};
    if (!GetTempFileNameA(dir.c_str(), "Q47", 0, tmp)) CannotWrite(path, GetLastError());
    HANDLE h = CreateFileA(tmp, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        DeleteFileA(tmp);
        CannotWrite(path, e);
    }
    DWORD written = 0;
    BOOL ok = TRUE;
    if (size) ok = WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    if (ok) ok = FlushFileBuffers(h);
    DWORD error = ok ? 0 : GetLastError();
    if (!CloseHandle(h) && ok) {
        ok = FALSE;
        error = GetLastError();
    }
    if (ok && !MoveFileExA(tmp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = FALSE;
        error = GetLastError();
    }
    if (!ok) {
        DeleteFileA(tmp);
        CannotWrite(path, error ? error : ERROR_WRITE_FAULT);
    }
}
