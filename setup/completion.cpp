// Completion dialog and uninstall entry. For now the dialog only ends: on
// Done, on Esc or the close box, and by itself in silent mode.
#include "setup/setup.h"

#include "app/app.h"
#include "lang/lang.h"

void RecordUninstallEntry() {}

INT_PTR CALLBACK CompletionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogMessageFilter(dialog, message, wParam, lParam, 0, "DONEDLG");
  switch (message) {
    case WM_INITDIALOG:
      if (SilentMode)
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
          EndDialog(dialog, 1);
          break;
      }
      return TRUE;
  }
  return FALSE;
}

void OpenProgramGroupFolder() {}
