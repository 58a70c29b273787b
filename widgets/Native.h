// What a backend provides to the common widget code. The Win32 backend makes
// real windows; the headless backend keeps everything in the objects.
#pragma once

#include "Widgets.h"

namespace native {

void CreateForm(TForm* form);
void DestroyForm(TForm* form);
void TextChanged(TControl* c);
void EnabledChanged(TControl* c);
void VisibleChanged(TControl* c);
// A page about to be shown goes in front of its siblings.
void BringToFront(TControl* c);
void ShowForm(TForm* form);
void RunLoop(TApplication* app);
void ErrorBox(const String& caption, const String& text);
void MessageBox(const String& caption, const String& text);

// Registry keys directly under HKEY_CURRENT_USER, opened with full access and
// never created; nullptr when the key is missing or cannot be opened so.
NativeHandle RegOpen(const String& key);
enum class RegStatus { Ok, Missing, ReadFailed };
// With `data` null only asks whether the value exists.
RegStatus RegQuery(NativeHandle key, const String& name, uint32_t& type, std::vector<uint8_t>* data);
void RegClose(NativeHandle key);

}  // namespace native
