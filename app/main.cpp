// Entry point: prepares the shared interface resources, then acts on each
// switch of the command line in the order in which they stand.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdlib>
#include <exception>

#include "app/app.h"
#include "app/cmdline.h"
#include "app/res/resource.h"
#include "lang/lang.h"
#include "setup/setup.h"
#include "uninstall/uninstall.h"

// The library's verbose handler for an uncaught exception drags a demangler
// into the executable; ending quietly is all this program needs.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

static constexpr DWORD kWaitSwitchMs = 2000;
static constexpr int kWarningChars = 512;
static constexpr char kCatalogueFile[] = "uninstall.lng";
static constexpr char kRichEditLibrary[] = "riched32.dll";

// The rich-edit library from the system folder only: a file of that name
// beside the executable is never loaded.
static HMODULE LoadRichEdit() {
  char path[kPathChars] = {};
  UINT n = GetSystemDirectoryA(path, sizeof path);
  if (n == 0 || n >= sizeof path)
    return nullptr;
  if (!AppendText(path, sizeof path, "\\") || !AppendText(path, sizeof path, kRichEditLibrary))
    return nullptr;
  return LoadLibraryA(path);
}

static void RunSetupRoad() {
  if (DialogBoxParamA(ResourceModule, "SETUPDLG", nullptr, SetupDialogProc, 0) == 0)
    return;
  DialogBoxParamA(ResourceModule, "DONEDLG", nullptr, CompletionDialogProc, 0);
  OpenProgramGroupFolder();
}

static void ShowWarning() {
  char exePath[kPathChars] = {};
  if (GetModuleFileNameA(nullptr, exePath, sizeof exePath) >= sizeof exePath)
    exePath[sizeof exePath - 1] = '\0';
  char text[kWarningChars];
  ComposeWarningText(text, sizeof text, exePath);
  MessageBoxA(nullptr, text, LoadUiString(IDS_UNINSTALL_CAPTION),
              MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  LanguageLibrary.Load(instance, nullptr);
  Language.Init(kCatalogueFile);
  OleInitialize(nullptr);
  // Windows XP creates dialogs of a program with this manifest only after the
  // common controls have been initialised.
  InitCommonControls();
  HMODULE richEdit = LoadRichEdit();
  DialogIcon = LoadIconA(ResourceModule, "QELICON");
  BoldFont = CreateFontA(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0,
                         "MS Sans Serif");

  SwitchScanner scanner(CommandLineTail(GetCommandLineA()));
  SwitchAction action;
  while (scanner.Next(action)) {
    switch (action) {
      case SwitchAction::Setup:
        RunSetupRoad();
        break;
      case SwitchAction::Silent:
        SilentMode = true;
        break;
      case SwitchAction::Wait:
        Sleep(kWaitSwitchMs);
        break;
      case SwitchAction::Warning:
        ShowWarning();
        break;
      case SwitchAction::None:
        break;
    }
  }
  if (scanner.Count() == 0)
    RunUninstall();

  if (richEdit != nullptr)
    FreeLibrary(richEdit);
  OleUninitialize();
  DeleteObject(BoldFont);
  return 0;
}
