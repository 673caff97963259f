// The end of the setup road: the uninstall entry, the completion dialog with
// its buttons, the program group folder, and the archiver that the shell
// starts for an associated archive afterwards.
#include <doctest.h>

#include "driver.h"

#include <shellapi.h>
#include <shlobj.h>

using namespace driver;

static constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tazmor archiver";
static constexpr char kShellLog[] = "C:\\TazmorTest\\shell.log";
static constexpr char kArchiverLog[] = "C:\\TazmorTest\\tazmor.log";
static constexpr UINT kKeyF1 = 0x4D;  // WM_KEYF1

static std::string SpecialFolder(int id) {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, id, FALSE);
  return path;
}

static std::string ProgramGroup() { return SpecialFolder(CSIDL_PROGRAMS) + "\\Tazmor"; }

// A first installation: no saved choices, no entry, no group, the product's
// files in `folder`, and the archiver asked to log its command lines.
static std::string Install(const std::string& folder) {
  DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Tazmor");
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  RemoveTree(ProgramGroup());
  RemoveTree(SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Tazmor");
  MakeInstallFolder(folder);
  CopyFromBuild("Tazmor.exe", folder + "\\Tazmor.exe");
  WriteTextFile(folder + "\\license.txt", "licence\r\n");
  WriteTextFile(folder + "\\order.txt", "prices\r\n");
  DeleteFileA(kArchiverLog);
  SetEnvironmentVariableA("TAZMOR_STANDIN_LOG", kArchiverLog);
  return folder;
}

static void RunSilentSetup(const std::string& folder) {
  Process setup;
  REQUIRE(setup.Start("\"" + folder + "\\uninstall.exe\" /s /setup", folder));
  long code = setup.Wait(60000);
  if (code == -1)
    setup.Kill();
  REQUIRE(code == 0);
}

// Closes the stand-in archiver's window and waits until it is gone, so that
// no process stays behind.
static void CloseArchiver(HWND window) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  CHECK(WaitForClose(window, 10000));
}

TEST_CASE("silent setup records the uninstall entry, closes both dialogs and opens no folder") {
  // A space and a '-' in the folder: the registered string must still start
  // this file and must not hand the uninstaller a switch.
  std::string folder = Install("C:\\TazmorTest\\Silent -x setup");
  ShellRecorder shell(kShellLog);
  RunSilentSetup(folder);

  struct Expected {
    const char* Name;
    std::string Value;
  };
  const Expected values[] = {
      {"DisplayName", "Tazmor archiver"},
      {"UninstallString", "\"" + folder + "\\uninstall.exe\""},
      {"DisplayIcon", "\"" + folder + "\\Tazmor.exe\",0"},
      {"InstallLocation", folder},
      {"NoModify", "1"},
      {"NoRepair", "1"},
  };
  for (const Expected& expected : values) {
    CAPTURE(expected.Name);
    std::string value;
    CHECK(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, expected.Name, value));
    CHECK(value == expected.Value);
  }

  // The group was made, yet silent mode shows it nowhere.
  CHECK(FileExists(ProgramGroup()));
  Sleep(2000);
  CHECK(shell.Lines().empty());
  CHECK(!FileExists(kArchiverLog));
  RemoveTree(folder);
}

TEST_CASE("the registered uninstall string runs the uninstaller from a folder with a space and a dash") {
  std::string folder = Install("C:\\TazmorTest\\Space -dir");
  RunSilentSetup(folder);
  std::string command;
  REQUIRE(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", command));

  // Started as the system starts it: the string as the whole command line,
  // from another folder. (Wine quotes an unquoted program path with a space
  // before the program sees it, so only the value check of the silent case
  // above can tell a bare path from a quoted one here.)
  Process uninstall;
  REQUIRE(uninstall.Start(command, "C:\\"));
  HWND box = WaitForWindow("Uninstall Tazmor", uninstall.Id(), 20000, "#32770");
  REQUIRE(box != nullptr);
  CHECK(MessageBoxText(box) == "Continue with uninstall Tazmor");
  AnswerMessageBox(box, IDNO);
  CHECK(uninstall.Wait(20000) == 0);
  CHECK(FileExists(folder + "\\uninstall.exe"));
  CHECK(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  RemoveTree(folder);
}

TEST_CASE("the completion dialog shows the folder, its buttons open what they name, and Done opens the group") {
  std::string folder = Install("C:\\TazmorTest\\Done dialog");
  ShellRecorder shell(kShellLog);
  HelpWatcher help;

  Process setup;
  REQUIRE(setup.Start("\"" + folder + "\\uninstall.exe\" /setup", folder));
  HWND setupDialog = WaitForWindow("Tazmor Setup", setup.Id());
  REQUIRE(setupDialog != nullptr);
  Click(setupDialog, IDOK);
  REQUIRE(WaitForClose(setupDialog));
  HWND done = WaitForWindow("Tazmor Setup", setup.Id());
  REQUIRE(done != nullptr);
  CHECK(ControlText(done, IDOK) == "Done");
  CHECK(ControlText(done, 5101) == folder);

  // The bold face of the thanks line (5107) is not checked here: under Wine
  // WM_GETFONT sent from another process answers 0 even for the dialog's own
  // font, and a font handle could not be read outside its process anyway.

  {
    Click(done, 5102);
    HWND archiver = WaitForWindow("Tazmor", 0, 20000);
    REQUIRE(archiver != nullptr);
    // Quoted, so that no program named after the folder's first word runs.
    std::vector<std::string> lines = ReadLines(kArchiverLog);
    REQUIRE(lines.size() == 1);
    CHECK(lines[0] == "\"" + folder + "\\Tazmor.exe\"");
    CloseArchiver(archiver);
  }

  Click(done, 5103);
  REQUIRE(help.WaitForRequests(1));
  CHECK(help.Requests[0].Command == HELP_FINDER);
  CHECK(help.Requests[0].Data == 0);
  CHECK(lstrcmpiA(help.Requests[0].File.c_str(), "tazmor.hlp") == 0);

  struct Opened {
    int Button;
    std::string Line;
  };
  const Opened opened[] = {
      {5104, "txtfile \"" + folder + "\\license.txt\""},
      {5105, "txtfile \"" + folder + "\\order.txt\""},
      {5106, "https \"https://www.tazmor.example/\""},
  };
  size_t count = 0;
  for (const Opened& item : opened) {
    CAPTURE(item.Button);
    Click(done, item.Button);
    REQUIRE(shell.WaitForLines(++count));
    CHECK(shell.Lines()[count - 1] == item.Line);
  }

  // The dialog has no help topic of its own: F1 asks the viewer for nothing.
  DWORD_PTR result = 0;
  SendMessageTimeoutA(done, kKeyF1, 0, 0, SMTO_NORMAL, 5000, &result);
  help.Pump(1000);
  CHECK(help.Requests.size() == 1);
  CHECK(IsWindow(done));

  Click(done, IDOK);
  CHECK(WaitForClose(done));
  REQUIRE(shell.WaitForLines(count + 1));
  std::string group = shell.Lines()[count];
  CHECK(group.substr(group.find(' ')) == " \"" + ProgramGroup() + "\"");
  CHECK(setup.Wait(20000) == 0);
  RemoveTree(folder);
  RemoveTree(ProgramGroup());
}

TEST_CASE("after setup an archive opened through the shell starts the stand-in archiver with its path") {
  std::string folder = Install("C:\\TazmorTest\\Zip open");
  RunSilentSetup(folder);
  std::string archive = folder + "\\sample one.zip";
  WriteTextFile(archive, "PK\x05\x06" + std::string(18, '\0'));

  HINSTANCE result = ShellExecuteA(nullptr, "open", archive.c_str(), nullptr, "", SW_SHOWNORMAL);
  CHECK(reinterpret_cast<INT_PTR>(result) > 32);
  HWND archiver = WaitForWindow(("Tazmor - " + archive).c_str(), 0, 20000);
  REQUIRE(archiver != nullptr);
  std::vector<std::string> lines = ReadLines(kArchiverLog);
  REQUIRE(lines.size() == 1);
  CHECK(lines[0] == "\"" + folder + "\\Tazmor.exe\" \"" + archive + "\"");
  CloseArchiver(archiver);

  // The file types' icons refer to index 0 (archives) and 1 (recovery volumes).
  CHECK(ExtractIconExA((folder + "\\Tazmor.exe").c_str(), -1, nullptr, nullptr, 0) == 2);
  RemoveTree(folder);
}
