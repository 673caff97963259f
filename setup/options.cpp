// The setup choices: where they are kept under the product key, how the setup
// dialog shows and reads them, and the OK sequence that applies them.
#include <windows.h>
#include <richedit.h>

#include "app/app.h"
#include "app/res/resource.h"
#include "lang/lang.h"
#include "registry/registry.h"
#include "setup/setup.h"

const char* const ArchiveTypeTable[kArchiveTypes] = {
  ".qel", ".zip", ".cab", ".arj", ".lzh.lha", ".ace", ".tar", ".gz.tgz", ".uue.xxe.uu",
  ".bz2.tbz2.bz.tbz", ".jar", ".iso"};

static constexpr char kSetupDialogName[] = "SETUPDLG";
static constexpr int kSetupHelpContext = 4288;
static constexpr char kTypeKeyFormat[] = "Setup\\%s";
static constexpr char kTypeSetValue[] = "Set";
// A class name read for comparison; a longer value is no class of ours.
static constexpr DWORD kClassNameChars = 80;
// One extension of the archive-type table, dot included.
static constexpr size_t kExtensionChars = 52;

// The interface choices: check box, where the flag is kept, its default.
struct InterfaceChoice {
  int CheckBox;
  unsigned char SetupOptions::*Flag;
  const char* Key;
  const char* Value;
  DWORD Default;
};

static const InterfaceChoice kInterfaceChoices[] = {
  {IDC_DESKTOP, &SetupOptions::Desktop, "Setup\\Links", "Desktop", 0},
  {IDC_STARTMENU, &SetupOptions::StartMenu, "Setup\\Links", "StartMenu", 0},
  {IDC_PROGRAMS, &SetupOptions::Programs, "Setup\\Links", "Programs", 1},
  {IDC_SHELLEXT, &SetupOptions::ShellExt, "Setup", "ShellExt", 1},
  {IDC_CASCADED, &SetupOptions::CascadedMenu, "Setup", "CascadedMenu", 0},
  {IDC_MENUICONS, &SetupOptions::MenuIcons, "Setup", "MenuIcons", 1},
};

// The boxes that only mean something while the shell integration is on.
static const int kShellDependentBoxes[] = {IDC_CASCADED, IDC_MENUICONS};

static int TypeCheckBox(int type) { return IDC_TYPE_FIRST + type; }

// "Setup\<first extension of the type>", the type's key under the product key.
static void TypeKeyPath(int type, char* out, size_t size) {
  char first[kExtensionChars];
  CopyText(first, sizeof first, ArchiveTypeTable[type]);
  for (char* p = first + 1; *p != '\0'; ++p) {
    if (*p == '.') {
      *p = '\0';
      break;
    }
  }
  FormatWithText(out, size, kTypeKeyFormat, first);
}

static bool IsOwnClassName(const char* name) {
  return CompareNoCase(name, "Tazmor") == 0 || CompareNoCase(name, "Tazmor.ZIP") == 0;
}

bool IsOwnAssociation(const char* ext) {
  char name[kClassNameChars];
  ReadRegString(HKEY_CLASSES_ROOT, ext, "", name, "", sizeof name);
  return IsOwnClassName(name);
}

void LoadSetupOptions(SetupOptions& options) {
  for (int type = 0; type < kArchiveTypes; ++type) {
    char key[kRegPathChars];
    TypeKeyPath(type, key, sizeof key);
    options.Types[type] = ReadRegDword(key, kTypeSetValue, 1) != 0 ? 1 : 0;
  }
  // Another program's claim on ".iso" wins over an earlier choice: disc
  // images are often meant for a burning or mounting tool.
  if (!IsOwnAssociation(".iso")) {
    char name[kClassNameChars];
    ReadRegString(HKEY_CLASSES_ROOT, ".iso", "", name, "", sizeof name);
    if (name[0] != '\0')
      options.Types[kIsoType] = 0;
  }
  for (const InterfaceChoice& choice : kInterfaceChoices)
    options.*choice.Flag = ReadRegDword(choice.Key, choice.Value, choice.Default) != 0 ? 1 : 0;
}

void SaveSetupOptions(const SetupOptions& options) {
  // The ISO choice is never kept, so that each setup asks the ISO rule again.
  for (int type = 0; type < kArchiveTypes; ++type) {
    if (type == kIsoType)
      continue;
    char key[kRegPathChars];
    TypeKeyPath(type, key, sizeof key);
    WriteRegDword(key, kTypeSetValue, options.Types[type]);
  }
  for (const InterfaceChoice& choice : kInterfaceChoices)
    WriteRegDword(choice.Key, choice.Value, options.*choice.Flag);
}

static unsigned char IsBoxChecked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
}

void ReadSetupChecks(HWND dialog, SetupOptions& options) {
  for (int type = 0; type < kArchiveTypes; ++type)
    options.Types[type] = IsBoxChecked(dialog, TypeCheckBox(type));
  for (const InterfaceChoice& choice : kInterfaceChoices)
    options.*choice.Flag = IsBoxChecked(dialog, choice.CheckBox);
}

void ShowSetupChecks(HWND dialog, const SetupOptions& options) {
  for (int type = 0; type < kArchiveTypes; ++type)
    CheckDlgButton(dialog, TypeCheckBox(type), options.Types[type] ? BST_CHECKED : BST_UNCHECKED);
  for (const InterfaceChoice& choice : kInterfaceChoices)
    CheckDlgButton(dialog, choice.CheckBox, options.*choice.Flag ? BST_CHECKED : BST_UNCHECKED);
  for (int id : kShellDependentBoxes)
    EnableDlgItem(dialog, id, options.ShellExt);
}

void SelectAllTypes(HWND dialog) {
  for (int type = 0; type < kArchiveTypes; ++type)
    CheckDlgButton(dialog, TypeCheckBox(type), BST_CHECKED);
}

void EnableDlgItem(HWND dialog, int id, int flag) {
  EnableWindow(GetDlgItem(dialog, id), flag != 0 ? TRUE : FALSE);
}

void PerformSetup(const SetupOptions& options, char* programGroupPath) {
  RegisterAppPath();
  RegisterShellExtension(options);
  UpdateAssociations(options);
  RegisterFileClasses();
  UpdateShortcuts(options, programGroupPath);
}

static void InitSetupDialog(HWND dialog) {
  SetupOptions options = {};
  LoadSetupOptions(options);
  ShowSetupChecks(dialog, options);
  SetForegroundWindow(dialog);
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(DialogIcon));
  // The description lies on the dialog's face, not on a white field.
  SendDlgItemMessageA(dialog, IDC_DESCRIPTION, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_BTNFACE));
  if (SilentMode)
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

static void AcceptSetup(HWND dialog) {
  SetupOptions options = {};
  ReadSetupChecks(dialog, options);
  SaveSetupOptions(options);
  PerformSetup(options, ProgramGroupPath);
  RecordUninstallEntry();
  EndDialog(dialog, 1);
}

static void OnSetupCommand(HWND dialog, int id) {
  switch (id) {
    case IDOK:
      AcceptSetup(dialog);
      break;
    case IDCANCEL:
      EndDialog(dialog, 0);
      break;
    case IDC_SHELLEXT: {
      // Re-showing the marks as they stand only updates the enabled states.
      SetupOptions options = {};
      ReadSetupChecks(dialog, options);
      ShowSetupChecks(dialog, options);
      break;
    }
    case IDC_SELECT_ALL:
      SelectAllTypes(dialog);
      break;
    case IDC_CONTEXT_ITEMS:
      ShowContextItemsDialog(dialog);
      break;
  }
}

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogMessageFilter(dialog, message, wParam, lParam, kSetupHelpContext, kSetupDialogName);
  switch (message) {
    case WM_INITDIALOG:
      InitSetupDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      OnSetupCommand(dialog, LOWORD(wParam));
      return TRUE;
  }
  return FALSE;
}
