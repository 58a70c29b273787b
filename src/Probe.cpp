// The companion library probe: the wizard's only test of whether a folder
// holds an installed host. It loads TAVRIMOD.dll from the folder, asks its
// two exports for the edition and the owner, and releases it again.
#include <cstring>

#include "Unit1.h"

namespace {

// Only the low byte of TestSiec's result counts, so the full register is
// taken and masked rather than trusting the library to clear the rest.
using TTestSiec = uint32_t(WL_STDCALL*)();
// Fills a 256-byte buffer with a length byte and that many characters; the
// callee removes its one argument.
using TWlasciciel = void(WL_STDCALL*)(uint8_t* buffer);

// Runs under the fault guard, possibly on a thread of its own, so it holds
// nothing that needs destroying and writes its results straight into the
// form: a fault in Wlasciciel keeps what TestSiec already stored.
void CallExports(void* ctx) {
    auto* form = static_cast<TForm1*>(ctx);
    if (auto testSiec = reinterpret_cast<TTestSiec>(GetProcAddress(form->FLibHandle, "TestSiec")))
        form->FNetworkEdition = (testSiec() & 0xFF) != 0;
    if (auto wlasciciel = reinterpret_cast<TWlasciciel>(GetProcAddress(form->FLibHandle, "Wlasciciel"))) {
        uint8_t buffer[256];
        wlasciciel(buffer);
        std::memcpy(form->FOwnerName.Bytes, buffer, size_t{buffer[0]} + 1);
    }
}

}  // namespace

// Never raises and never shows anything; the callers decide what the user
// is told. The library is loaded only for the duration of one probe.
void TForm1::ProbeHost() {
    FHostFound = true;
    FLibHandle = LoadLibraryA(FHostDir + "\\TAVRIMOD.dll");
    if (!FLibHandle) {
        FHostFound = false;
        return;
    }
    if (!CallGuarded(&CallExports, this)) FHostFound = false;
    FreeLibrary(FLibHandle);
    FLibHandle = nullptr;
}
