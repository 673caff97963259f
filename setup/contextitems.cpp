// Context menu item choices: which commands the shell extension shows in
// Explorer's context menus. Stored at once on OK, one DWORD per item under
// the product key, for the shell extension to read.
#include "setup/setup.h"

#include "app/app.h"
#include "app/res/resource.h"
#include "lang/lang.h"
#include "registry/registry.h"

static constexpr char kMenuItemsKey[] = "Setup\\MenuItems";
static constexpr int kContextItemsHelp = 4976;

struct MenuItemChoice {
  int Box;
  const char* Value;
  DWORD Default;
};

// In the order of the dialog's check boxes. Testing and converting are
// rarely wanted from a context menu, so they start hidden.
static const MenuItemChoice kMenuItems[] = {
    {101, "ExtrTo", 1},   {102, "ExtrHere", 1}, {103, "Extr", 1},     {104, "ExtrSep", 1},
    {105, "OpenSFX", 1},  {106, "AddTo", 1},    {107, "AddArc", 1},   {108, "EmailArc", 1},
    {109, "EmailOpt", 1}, {110, "Test", 0},     {111, "Convert", 0},
};

static void ShowMenuItemChoices(HWND dialog) {
  for (const MenuItemChoice& item : kMenuItems) {
    // Any non-zero value, also one written by another program, means shown;
    // the next OK stores it as 1.
    DWORD value = ReadRegDword(kMenuItemsKey, item.Value, item.Default);
    CheckDlgButton(dialog, item.Box, value != 0 ? BST_CHECKED : BST_UNCHECKED);
  }
}

static void SaveMenuItemChoices(HWND dialog) {
  for (const MenuItemChoice& item : kMenuItems)
    WriteRegDword(kMenuItemsKey, item.Value, IsDlgButtonChecked(dialog, item.Box) == BST_CHECKED);
}

INT_PTR ShowContextItemsDialog(HWND owner) {
  return DialogBoxParamA(ResourceModule, "CONTEXTITEMS", owner, ContextItemsDialogProc, 0);
}

INT_PTR CALLBACK ContextItemsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogMessageFilter(dialog, message, wParam, lParam, kContextItemsHelp, "CONTEXTITEMS");
  switch (message) {
    case WM_HELP:
      // Answered here (by the filter); the setup dialog behind must not open
      // its own topic as well.
      return TRUE;
    case WM_INITDIALOG:
      ShowMenuItemChoices(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          SaveMenuItemChoices(dialog);
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}
