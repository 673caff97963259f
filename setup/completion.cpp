// Completion dialog and uninstall entry: the end of a setup run. The entry
// lets the system's list of installed programs start the uninstaller; the
// dialog offers the archiver, its help and documents; afterwards the new
// program group is shown in a shell window.
#include "setup/setup.h"

#include <shellapi.h>

#include "app/app.h"
#include "app/res/resource.h"
#include "lang/lang.h"
#include "registry/registry.h"

static constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tazmor archiver";
static constexpr char kArchiverFile[] = "Tazmor.exe";
static constexpr char kHelpFile[] = "tazmor.hlp";
static constexpr char kLicenseFile[] = "license.txt";
static constexpr char kPriceListFile[] = "order.txt";
static constexpr char kOpenVerb[] = "open";
// Room for a path between two quotes, or a quoted path and ",0".
static constexpr int kQuotedPathChars = kPathChars + 4;

// Encloses `path` in double quotes. False when it does not fit.
static bool QuotePath(char* out, size_t size, const char* path) {
  return CopyText(out, size, "\"") && AppendText(out, size, path) && AppendText(out, size, "\"");
}

// The running executable's full path. False when the path is longer than
// the buffer: a cut path would name another file.
static bool GetExePath(char* path, DWORD size) {
  DWORD n = GetModuleFileNameA(nullptr, path, size);
  return n != 0 && n < size;
}

// The folder part of an executable path, without a closing separator unless
// it is the root of a drive ("C:\").
static void CutToFolder(char* path) {
  char* name = GetNamePart(path);
  *name = '\0';
  if (name - path >= 2 && IsPathSeparator(name[-1]) && !IsDriveColon(name[-2]))
    name[-1] = '\0';
}

void RecordUninstallEntry() {
  WriteRegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", LoadUiString(IDS_DISPLAY_NAME));

  char exePath[kPathChars];
  if (!GetExePath(exePath, sizeof exePath))
    return;
  // Quoted, so that the system starts this very file even when the folder
  // holds a space, and the uninstaller sees no '-' or '/' of the path as a
  // switch.
  char quoted[kQuotedPathChars];
  if (QuotePath(quoted, sizeof quoted, exePath))
    WriteRegString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", quoted);

  CutToFolder(exePath);
  WriteRegString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", exePath);

  // The archiver's icon in the list of installed programs.
  char archiver[kPathChars];
  char icon[kQuotedPathChars];
  if (CopyText(archiver, sizeof archiver, exePath) && AddPathSlash(archiver, sizeof archiver) &&
      AppendText(archiver, sizeof archiver, kArchiverFile) &&
      QuotePath(icon, sizeof icon, archiver) && AppendText(icon, sizeof icon, ",0"))
    WriteRegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon", icon);

  // There is no modify or repair mode: setup runs only from the installer.
  WriteRegDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify", 1);
  WriteRegDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair", 1);
}

// `name` in the installation folder, which is the current folder: the
// installer starts setup there. False when the path does not fit.
static bool InstalledFilePath(char* path, DWORD size, const char* name) {
  DWORD n = GetCurrentDirectoryA(size, path);
  if (n == 0 || n >= size)
    return false;
  return AddPathSlash(path, size) && AppendText(path, size, name);
}

static void OpenDocument(const char* document) {
  ShellExecuteA(nullptr, kOpenVerb, document, nullptr, "", SW_SHOWNORMAL);
}

static void OpenInstalledFile(const char* name) {
  char path[kPathChars];
  if (InstalledFilePath(path, sizeof path, name))
    OpenDocument(path);
}

static void RunArchiver() {
  char path[kPathChars];
  char commandLine[kQuotedPathChars];
  // Quoted: an unquoted path with a space would let the system try a
  // program named after the path's first word before this one.
  if (InstalledFilePath(path, sizeof path, kArchiverFile) &&
      QuotePath(commandLine, sizeof commandLine, path))
    RunProgram(commandLine, nullptr, 0);
}

static void InitCompletionDialog(HWND dialog) {
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(DialogIcon));
  SendDlgItemMessageA(dialog, IDC_THANKS, WM_SETFONT, reinterpret_cast<WPARAM>(BoldFont), FALSE);
  // Set after the filter has translated the dialog, so the folder never
  // meets the catalogue.
  char folder[kPathChars];
  DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder)
    folder[0] = '\0';
  SetDlgItemTextA(dialog, IDC_FOLDER, folder);
  // Sent, not posted: the dialog has ended before initialisation returns.
  if (SilentMode)
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

INT_PTR CALLBACK CompletionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogMessageFilter(dialog, message, wParam, lParam, 0, "DONEDLG");
  switch (message) {
    case WM_INITDIALOG:
      InitCompletionDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
          EndDialog(dialog, 1);
          break;
        case IDC_RUN:
          RunArchiver();
          break;
        case IDC_READ_HELP:
          WinHelpA(dialog, kHelpFile, HELP_FINDER, 0);
          break;
        case IDC_LICENSE:
          OpenInstalledFile(kLicenseFile);
          break;
        case IDC_PRICES:
          OpenInstalledFile(kPriceListFile);
          break;
        case IDC_HOME_PAGE:
          OpenDocument(LoadUiString(IDS_HOME_PAGE));
          break;
      }
      return TRUE;
  }
  return FALSE;
}

void OpenProgramGroupFolder() {
  if (ProgramGroupPath[0] != '\0' && !SilentMode)
    OpenDocument(ProgramGroupPath);
}
