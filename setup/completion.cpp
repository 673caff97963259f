// Completion dialog and uninstall entry: not written yet.
#include "setup/setup.h"

void RecordUninstallEntry() {}
INT_PTR CALLBACK CompletionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return FALSE;
}
void OpenProgramGroupFolder() {}
