// Dialog adaptation: every dialog hands its messages to DialogMessageFilter
// first, which mirrors it for right-to-left languages, translates its texts
// through the catalogue, scales it by its scale entry and opens its help
// topic.
#include <windows.h>

#include "lang/lang.h"

static constexpr char kHelpFile[] = "tazmor.hlp";
static constexpr int kHelpButton = 9;
// Window and class names are read up to 1023 characters.
static constexpr int kWindowTextChars = 1024;
// A runaway child list (a window that keeps creating children) stops here.
static constexpr int kMaxChildren = 512;
static constexpr int kPercent = 100;
static constexpr char kComboBoxClass[] = "COMBOBOX";
static constexpr LONG kComboTypeMask = 0x3;

void LanguageResources::SetRtlStyle(HWND window) const {
  if (!RightToLeft)
    return;
  LONG style = GetWindowLongA(window, GWL_EXSTYLE);
  SetWindowLongA(window, GWL_EXSTYLE, style | WS_EX_LAYOUTRTL);
}

// Replaces a window's text by its translation in the dialog's context.
// Empty texts are left alone unless `always` is set (the caption, whose
// empty text shares its key with the scale entry).
static void TranslateWindowText(const LanguageResources& catalogue, HWND window,
                                const char* dialogName, bool always) {
  char text[kWindowTextChars];
  text[0] = '\0';
  GetWindowTextA(window, text, sizeof text);
  if (text[0] == '\0' && !always)
    return;
  catalogue.Translate(text, sizeof text, text, dialogName, kDialogText);
  SetWindowTextA(window, text);
}

// The child's new rectangle in the dialog's client area. All arithmetic on
// int, each product before its division. The allowances bx and by convert
// screen offsets from the dialog's window corner into client offsets.
static void PlaceChild(HWND child, const RECT& dialog, int bx, int by, int sx, int sy) {
  RECT r;
  GetWindowRect(child, &r);
  int x = (r.left - dialog.left - bx / 2) * sx / kPercent;
  int y = (r.top - dialog.top - by) * sy / kPercent;
  int w = (r.right - r.left + 1) * sx / kPercent;
  int h = (r.bottom - r.top + 1) * sy / kPercent;

  // A drop-down combo box's window height covers its list as well: keep the
  // list, scaled, below the field.
  char className[kWindowTextChars];
  className[0] = '\0';
  GetClassNameA(child, className, sizeof className);
  if (CompareNoCase(className, kComboBoxClass) == 0 &&
      (GetWindowLongA(child, GWL_STYLE) & kComboTypeMask) != CBS_SIMPLE) {
    RECT dropped = {};
    SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    h += (dropped.bottom - dropped.top + 1) * sy / kPercent;
  }
  SetWindowPos(child, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOOWNERZORDER);
}

void LanguageResources::AdaptDialog(const char* dialogName, HWND dialog) const {
  int sx = kPercent;
  int sy = kPercent;
  bool scale = GetScale(dialogName, sx, sy);

  RECT window;
  RECT client;
  GetWindowRect(dialog, &window);
  GetClientRect(dialog, &client);
  int bx = (window.right - window.left + 1) - client.right;
  int by = (window.bottom - window.top + 1) - client.bottom;
  if (scale) {
    SetWindowPos(dialog, nullptr, 0, 0, client.right * sx / kPercent + bx,
                 client.bottom * sy / kPercent + by,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER);
  }

  TranslateWindowText(*this, dialog, dialogName, true);

  by -= GetSystemMetrics(SM_CYDLGFRAME);
  HWND first = GetWindow(dialog, GW_CHILD);
  HWND child = first;
  for (int n = 0; child != nullptr && n < kMaxChildren; ++n) {
    TranslateWindowText(*this, child, dialogName, false);
    if (scale)
      PlaceChild(child, window, bx, by, sx, sy);
    child = GetWindow(child, GW_HWNDNEXT);
    if (child == first)
      break;
  }
}

void DialogMessageFilter(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                         int helpContext, const char* dialogName) {
  switch (message) {
    case WM_SETFONT:
      // Sent while the dialog is being created, before its controls exist,
      // so the controls inherit the mirrored layout.
      Language.SetRtlStyle(dialog);
      break;
    case WM_INITDIALOG:
      Language.AdaptDialog(dialogName, dialog);
      break;
    case WM_COMMAND:
      // Any notification from the Help button counts.
      if (LOWORD(wParam) == kHelpButton && helpContext != 0)
        WinHelpA(dialog, kHelpFile, HELP_CONTEXT, static_cast<ULONG_PTR>(helpContext));
      break;
    case WM_HELP:
      if (helpContext != 0)
        WinHelpA(dialog, kHelpFile, HELP_CONTEXT, static_cast<ULONG_PTR>(helpContext));
      break;
  }
}
