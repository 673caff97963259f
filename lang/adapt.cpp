// Dialog adaptation: not written yet; every message passes unchanged.
#include "lang/lang.h"

void LanguageResources::AdaptDialog(const char* dialogName, HWND dialog) const {}
void LanguageResources::SetRtlStyle(HWND window) const {}

void DialogMessageFilter(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                         int helpContext, const char* dialogName) {}
