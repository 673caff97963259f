// Context menu item choices: not written yet.
#include "setup/setup.h"

INT_PTR ShowContextItemsDialog(HWND owner) { return 0; }
INT_PTR CALLBACK ContextItemsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return FALSE;
}
