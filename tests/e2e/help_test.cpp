// Help with the real viewer: the Help buttons, F1 and "Read help" of the
// program's dialogs make the WinHelp viewer show the right page of the
// tazmor.hlp that the build compiled. The page is read from the viewer's
// topic text; the viewer's caption is its own and says nothing. Every case
// closes any viewer first and last, so no process stays behind.
#include <doctest.h>

#include "app/res/resource.h"
#include "driver.h"

#include <shlobj.h>

#include <cstring>
#include <string>

using namespace driver;

namespace {

constexpr char kViewerClass[] = "MS_WINHELP";
constexpr int kTopicTextId = 0x701;
constexpr UINT kKeyF1 = 0x4D;  // WM_KEYF1: what the F1 key sends to the focused window
constexpr DWORD kWaitMs = 20000;
constexpr DWORD kPollMs = 100;
constexpr char kSetupCaption[] = "Tazmor Setup";
constexpr char kItemsCaption[] = "Context menu items";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tazmor archiver";

// A page of the help file: its title, and a phrase found on that page only.
struct Page {
  const char* Title;
  const char* Phrase;
};
const Page kSetupPage = {"Setup options", "Select all checks all twelve archive types"};
const Page kItemsPage = {"Context menu items",
                         "Extract each archive to separate folder extracts several"};
const Page kContentsPage = {"Tazmor Help Contents", "Setting up Tazmor"};

std::string SpecialFolder(int id) {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, id, FALSE);
  return path;
}

struct ChildSearch {
  int Id;
  HWND Found;
};

BOOL CALLBACK FindChildProc(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (GetDlgCtrlID(window) != search->Id)
    return TRUE;
  search->Found = window;
  return FALSE;
}

// The viewer's topic text, or "" while there is no viewer showing a page.
std::string TopicText() {
  HWND viewer = FindWindowA(kViewerClass, nullptr);
  if (viewer == nullptr || !IsWindowVisible(viewer))
    return "";
  ChildSearch search = {kTopicTextId, nullptr};
  EnumChildWindows(viewer, FindChildProc, reinterpret_cast<LPARAM>(&search));
  if (search.Found == nullptr)
    return "";
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(search.Found, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length))
    return "";
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(search.Found, WM_GETTEXT, text.size(),
                           reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL, 5000, &copied))
    return "";
  text.resize(copied);
  return text;
}

bool Shows(const std::string& text, const Page& page) {
  return text.compare(0, std::strlen(page.Title), page.Title) == 0 &&
         text.find(page.Phrase) != std::string::npos;
}

// Waits until the viewer shows `page`; returns the text last seen.
std::string WaitForPage(const Page& page) {
  std::string text;
  for (DWORD waited = 0; waited < kWaitMs; waited += kPollMs) {
    text = TopicText();
    if (Shows(text, page))
      break;
    Sleep(kPollMs);
  }
  return text;
}

// Closes every viewer and waits until its process has ended; one that does
// not end (a box of its own still open) is ended by force. True when none
// had to be forced.
bool CloseViewers() {
  bool clean = true;
  for (int round = 0; round < 5; ++round) {
    HWND viewer = FindWindowA(kViewerClass, nullptr);
    if (viewer == nullptr)
      return clean;
    DWORD pid = 0;
    GetWindowThreadProcessId(viewer, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    if (process != nullptr) {
      if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) {
        clean = false;
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
      }
      CloseHandle(process);
    } else {
      WaitForClose(viewer, 10000);
    }
  }
  return FindWindowA(kViewerClass, nullptr) == nullptr && clean;
}

// Asks the viewer to quit the way a program does, and waits until it is gone.
bool QuitViewer() {
  HWND viewer = FindWindowA(kViewerClass, nullptr);
  if (viewer == nullptr)
    return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(viewer, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  WinHelpA(GetDesktopWindow(), "tazmor.hlp", HELP_QUIT, 0);
  bool ended = process != nullptr && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
  if (process != nullptr)
    CloseHandle(process);
  return ended;
}

// F1 as the keyboard gives it: WM_KEYF1 to the window that has the focus in
// the program's dialog (the dialog itself when no control has it). Sent, so
// it returns once the program's help call has returned.
void PressF1(HWND dialog) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND target = dialog;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) &&
      info.hwndFocus != nullptr)
    target = info.hwndFocus;
  DWORD_PTR result = 0;
  SendMessageTimeoutA(target, kKeyF1, 0, 0, SMTO_NORMAL, kWaitMs, &result);
}

// A fresh installation folder holding the program and the help file, no
// saved choices, no entry, no groups and no viewer left from before.
std::string Install(const char* folder) {
  CHECK(CloseViewers());
  DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Tazmor");
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  RemoveTree(SpecialFolder(CSIDL_PROGRAMS) + "\\Tazmor");
  RemoveTree(SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Tazmor");
  MakeInstallFolder(folder);
  REQUIRE(CopyFromBuild("tazmor.hlp", std::string(folder) + "\\tazmor.hlp"));
  return folder;
}

// The setup dialog of a program started in `folder`, as the installer does:
// the viewer inherits that folder and finds the help file there by name.
HWND StartSetup(Process& setup, const std::string& folder) {
  REQUIRE(setup.Start("\"" + folder + "\\uninstall.exe\" /setup", folder));
  HWND dialog = WaitForWindow(kSetupCaption, setup.Id());
  REQUIRE(dialog != nullptr);
  return dialog;
}

// Leaves the setup dialog as Esc does and waits for the program to end.
void CancelSetup(Process& setup, HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  CHECK(setup.Wait(20000) == 0);
  setup.Kill();
}

void Uninstall(const std::string& folder) {
  CHECK(CloseViewers());
  RemoveTree(folder);
}

}  // namespace

TEST_CASE("the setup dialog's Help button and F1 show the setup options page") {
  std::string folder = Install("C:\\TazmorTest\\Help setup");
  Process setup;
  HWND dialog = StartSetup(setup, folder);

  Click(dialog, IDC_HELP_BUTTON);
  std::string text = WaitForPage(kSetupPage);
  CHECK_MESSAGE(Shows(text, kSetupPage), text);
  CHECK(QuitViewer());

  PressF1(dialog);
  text = WaitForPage(kSetupPage);
  CHECK_MESSAGE(Shows(text, kSetupPage), text);
  CHECK(QuitViewer());

  CancelSetup(setup, dialog);
  Uninstall(folder);
}

TEST_CASE("the context menu items dialog's Help button and F1 show its own page only") {
  std::string folder = Install("C:\\TazmorTest\\Help items");
  Process setup;
  HWND dialog = StartSetup(setup, folder);
  Click(dialog, 5121);
  HWND items = WaitForWindow(kItemsCaption, setup.Id());
  REQUIRE(items != nullptr);

  Click(items, IDC_HELP_BUTTON);
  std::string text = WaitForPage(kItemsPage);
  CHECK_MESSAGE(Shows(text, kItemsPage), text);
  CHECK(QuitViewer());

  // F1 on a check box: the dialog answers it, and the setup dialog behind
  // must not open its own page as well.
  SetForegroundWindow(items);
  DWORD_PTR result = 0;
  SendMessageTimeoutA(GetDlgItem(items, 101), kKeyF1, 0, 0, SMTO_NORMAL, kWaitMs, &result);
  text = WaitForPage(kItemsPage);
  CHECK_MESSAGE(Shows(text, kItemsPage), text);
  Sleep(1000);
  text = TopicText();
  CHECK_MESSAGE(Shows(text, kItemsPage), text);
  CHECK(QuitViewer());

  Click(items, IDCANCEL);
  CHECK(WaitForClose(items));
  CancelSetup(setup, dialog);
  Uninstall(folder);
}

TEST_CASE("Read help in the completion dialog shows the contents page") {
  std::string folder = Install("C:\\TazmorTest\\Help done");
  Process setup;
  HWND dialog = StartSetup(setup, folder);
  // No program group: it would open in a shell window after Done.
  if (IsChecked(dialog, IDC_PROGRAMS)) {
    Click(dialog, IDC_PROGRAMS);
    for (int i = 0; i < 100 && IsChecked(dialog, IDC_PROGRAMS); ++i)
      Sleep(kPollMs);
  }
  REQUIRE_FALSE(IsChecked(dialog, IDC_PROGRAMS));
  Click(dialog, IDOK);
  REQUIRE(WaitForClose(dialog));
  HWND done = WaitForWindow(kSetupCaption, setup.Id());
  REQUIRE(done != nullptr);

  Click(done, IDC_READ_HELP);
  std::string text = WaitForPage(kContentsPage);
  CHECK_MESSAGE(Shows(text, kContentsPage), text);
  CHECK(QuitViewer());

  Click(done, IDOK);
  CHECK(WaitForClose(done));
  CHECK(setup.Wait(20000) == 0);
  setup.Kill();
  DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Tazmor");
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  Uninstall(folder);
}
