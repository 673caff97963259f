// Setup options and the setup dialog: not written yet.
#include "setup/setup.h"

const char* const ArchiveTypeTable[kArchiveTypes] = {
  ".qel", ".zip", ".cab", ".arj", ".lzh.lha", ".ace", ".tar", ".gz.tgz", ".uue.xxe.uu",
  ".bz2.tbz2.bz.tbz", ".jar", ".iso"};

void LoadSetupOptions(SetupOptions& options) {}
void SaveSetupOptions(const SetupOptions& options) {}
void ReadSetupChecks(HWND dialog, SetupOptions& options) {}
void ShowSetupChecks(HWND dialog, const SetupOptions& options) {}
void SelectAllTypes(HWND dialog) {}
void EnableDlgItem(HWND dialog, int id, int flag) {}
bool IsOwnAssociation(const char* ext) { return false; }
void PerformSetup(const SetupOptions& options, char* programGroupPath) {}
INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return FALSE;
}
