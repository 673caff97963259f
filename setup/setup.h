// Setup: the choices of the setup dialog and the writers that each establish
// one kind of integration and, given an all-off record, undo it again.
#pragma once

#include <windows.h>

constexpr int kArchiveTypes = 12;

// The user's choices; every flag is 0 or 1. All-off undoes everything.
struct SetupOptions {
  unsigned char Types[kArchiveTypes];  // QEL ZIP CAB ARJ LZH ACE TAR GZip UUE BZ2 JAR ISO
  unsigned char Desktop;
  unsigned char StartMenu;
  unsigned char Programs;
  unsigned char ShellExt;
  unsigned char CascadedMenu;
  unsigned char MenuIcons;
};

// Archive types in check-box order; each row is the type's extensions.
extern const char* const ArchiveTypeTable[kArchiveTypes];
constexpr int kQelType = 0;
constexpr int kZipType = 1;
constexpr int kIsoType = 11;

// --- Setup options and setup dialog
void LoadSetupOptions(SetupOptions& options);
void SaveSetupOptions(const SetupOptions& options);
void ReadSetupChecks(HWND dialog, SetupOptions& options);
void ShowSetupChecks(HWND dialog, const SetupOptions& options);
void SelectAllTypes(HWND dialog);
void EnableDlgItem(HWND dialog, int id, int flag);
bool IsOwnAssociation(const char* ext);
void PerformSetup(const SetupOptions& options, char* programGroupPath);
INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// --- File associations and file-type classes
void UpdateAssociations(const SetupOptions& options);
void RegisterFileClasses();

// --- Shell extension and application path
void RegisterAppPath();
void RegisterShellExtension(const SetupOptions& options);

// --- Shortcuts and program groups
void UpdateShortcuts(const SetupOptions& options, char* programGroupPath);
bool CreateShortcut(const char* target, const char* shortcutPath, const char* description);
bool DeleteFolderTree(char* path);

// --- Completion dialog and uninstall entry
void RecordUninstallEntry();
INT_PTR CALLBACK CompletionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void OpenProgramGroupFolder();

// --- Context menu item choices
INT_PTR ShowContextItemsDialog(HWND owner);
INT_PTR CALLBACK ContextItemsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
