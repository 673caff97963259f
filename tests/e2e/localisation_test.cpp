// Language packs with the real program: the sample catalogue translates and
// scales all three dialogs, the sample library replaces them, right-to-left
// packs mirror them, Help and F1 reach WinHelp with each dialog's topic, and
// the catalogue tool writes and checks catalogues for the built program.
//
// Expected texts and places are derived, never written down: the test makes
// each dialog itself from the installed program's template (no catalogue,
// no scaling) and takes every translation from the catalogue file.
#include <doctest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/res/resource.h"
#include "driver.h"
#include "lang/catalogue_text.h"
#include "lang/lang.h"

using namespace driver;

namespace {

constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tazmor archiver";
constexpr char kAppPathKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Tazmor.exe";
constexpr char kEnglishCaption[] = "Tazmor Setup";
constexpr UINT kKeyF1 = 0x4D;  // WM_KEYF1: what the F1 key sends
constexpr DWORD kQuietMs = 1500;

// Each case starts from a prefix without the program's traces.
std::string Install(const std::string& folder) {
  DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Tazmor");
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kAppPathKey);
  return MakeInstallFolder(folder);
}

void CleanUp(const std::string& folder) {
  DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Tazmor");
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kAppPathKey);
  RemoveTree(folder);
}

std::vector<HWND> Children(HWND dialog) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

LONG ExStyle(HWND window) { return GetWindowLongA(window, GWL_EXSTYLE); }

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

// A dialog made by the test from a module's template, with no filter: the
// texts and places as they are before any adaptation.
class ReferenceDialog {
public:
  ReferenceDialog(const std::string& module, const char* name) {
    LoadLibraryA("riched32.dll");
    Module = LoadLibraryExA(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (Module != nullptr)
      Window = CreateDialogParamA(Module, name, nullptr, PlainDialogProc, 0);
  }
  ~ReferenceDialog() {
    if (Window != nullptr)
      DestroyWindow(Window);
    if (Module != nullptr)
      FreeLibrary(Module);
  }
  ReferenceDialog(const ReferenceDialog&) = delete;
  ReferenceDialog& operator=(const ReferenceDialog&) = delete;

  HMODULE Module = nullptr;
  HWND Window = nullptr;
};

// The catalogue file read as the program reads it.
struct Catalogue {
  explicit Catalogue(const std::string& path) { Lines.Load(path.c_str()); }

  // The entry for a text, asserting that there is one.
  std::string Entry(const std::string& text, const char* context, int kind = kDialogText) {
    char key[kKeyChars];
    REQUIRE(MakeKey(key, kind, context, text.c_str()));
    char translation[kPathChars];
    INFO("text without an entry: " << text);
    REQUIRE(Lines.TranslateKey(translation, sizeof translation, key));
    return translation;
  }

  LanguageResources Lines;
};

// Compares every text of a running dialog with the catalogue's translation of
// the same control in the unadapted dialog, and its geometry with the
// unadapted one scaled by the catalogue's scale entry.
void CheckAdapted(HWND dialog, const std::string& exe, const char* name, Catalogue& catalogue) {
  CAPTURE(name);
  ReferenceDialog reference(exe, name);
  REQUIRE(reference.Window != nullptr);
  CHECK(WindowText(dialog) == catalogue.Entry(WindowText(reference.Window), name));

  std::vector<HWND> before = Children(reference.Window);
  std::vector<HWND> after = Children(dialog);
  REQUIRE(before.size() == after.size());

  int sx = 100;
  int sy = 100;
  REQUIRE(catalogue.Lines.GetScale(name, sx, sy));
  RECT w;
  RECT c;
  GetWindowRect(reference.Window, &w);
  GetClientRect(reference.Window, &c);
  int bx = (w.right - w.left + 1) - c.right;
  int by = (w.bottom - w.top + 1) - c.bottom;
  RECT scaled;
  GetWindowRect(dialog, &scaled);
  CHECK(scaled.right - scaled.left == c.right * sx / 100 + bx);
  CHECK(scaled.bottom - scaled.top == c.bottom * sy / 100 + by);
  by -= GetSystemMetrics(SM_CYDLGFRAME);

  for (size_t i = 0; i < before.size(); ++i) {
    CAPTURE(GetDlgCtrlID(before[i]));
    std::string english = WindowText(before[i]);
    if (!english.empty())
      CHECK(WindowText(after[i]) == catalogue.Entry(english, name));

    RECT r;
    GetWindowRect(before[i], &r);
    RECT placed;
    GetWindowRect(after[i], &placed);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
    CHECK(placed.left == (r.left - w.left - bx / 2) * sx / 100);
    CHECK(placed.top == (r.top - w.top - by) * sy / 100);
    CHECK(placed.right - placed.left == (r.right - r.left + 1) * sx / 100);
    CHECK(placed.bottom - placed.top == (r.bottom - r.top + 1) * sy / 100);
  }
}

void UncheckAll(HWND dialog) {
  for (int id = IDC_TYPE_FIRST; id <= IDC_MENUICONS; ++id)
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, BST_UNCHECKED, 0);
}

// Runs a program with its output into a file; returns the exit code.
long RunTool(const std::string& commandLine, const std::string& outputFile) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, 0, nullptr);
  REQUIRE(out != INVALID_HANDLE_VALUE);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION info = {};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &info);
  CloseHandle(out);
  REQUIRE(started);
  DWORD code = 259;
  if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return static_cast<long>(code);
}

}  // namespace

TEST_CASE("the sample catalogue translates and scales the setup, items and completion dialogs") {
  std::string folder = Install("C:\\TazmorTest\\french");
  std::string exe = folder + "\\uninstall.exe";
  REQUIRE(CopyFromBuild("samples\\french\\uninstall.lng", folder + "\\uninstall.lng"));
  Catalogue catalogue(folder + "\\uninstall.lng");
  REQUIRE(catalogue.Lines.IsLoaded());

  Process setup;
  REQUIRE(setup.Start("\"" + exe + "\" /setup", folder));
  HWND dialog =
      WaitForWindow(catalogue.Entry(kEnglishCaption, "SETUPDLG").c_str(), setup.Id());
  REQUIRE(dialog != nullptr);
  CheckAdapted(dialog, exe, "SETUPDLG", catalogue);
  CHECK((ExStyle(dialog) & WS_EX_LAYOUTRTL) == 0);

  Click(dialog, IDC_CONTEXT_ITEMS);
  HWND items =
      WaitForWindow(catalogue.Entry("Context menu items", "CONTEXTITEMS").c_str(), setup.Id());
  REQUIRE(items != nullptr);
  CheckAdapted(items, exe, "CONTEXTITEMS", catalogue);
  Click(items, IDCANCEL);
  REQUIRE(WaitForClose(items));

  // Nothing chosen: setup then undoes rather than adds, and opens no group.
  UncheckAll(dialog);
  Click(dialog, IDOK);
  REQUIRE(WaitForClose(dialog));
  HWND done = WaitForWindow(catalogue.Entry(kEnglishCaption, "DONEDLG").c_str(), setup.Id());
  REQUIRE(done != nullptr);
  CheckAdapted(done, exe, "DONEDLG", catalogue);
  // The folder is filled in after the translation and stays as it is.
  CHECK(ControlText(done, IDC_FOLDER) == folder);
  Click(done, IDOK);
  CHECK(setup.Wait(30000) == 0);
  CleanUp(folder);
}

TEST_CASE("the sample language library supplies the dialogs, the icon and the strings") {
  std::string folder = Install("C:\\TazmorTest\\german");
  std::string exe = folder + "\\uninstall.exe";
  std::string library = folder + "\\qellng.dll";
  REQUIRE(CopyFromBuild("samples\\german\\qellng.dll", library));

  ReferenceDialog reference(library, "SETUPDLG");
  REQUIRE(reference.Window != nullptr);
  std::string caption = WindowText(reference.Window);
  CHECK(caption != kEnglishCaption);

  Process setup;
  REQUIRE(setup.Start("\"" + exe + "\" /setup", folder));
  HWND dialog = WaitForWindow(caption.c_str(), setup.Id());
  REQUIRE(dialog != nullptr);
  std::vector<HWND> expected = Children(reference.Window);
  std::vector<HWND> shown = Children(dialog);
  REQUIRE(expected.size() == shown.size());
  for (size_t i = 0; i < shown.size(); ++i) {
    CAPTURE(GetDlgCtrlID(expected[i]));
    CHECK(WindowText(shown[i]) == WindowText(expected[i]));
  }
  // The dialog icon comes from the library too (the program loads it by name).
  CHECK(FindResourceA(reference.Module, "QELICON", RT_GROUP_ICON) != nullptr);
  PostMessageA(dialog, WM_CLOSE, 0, 0);
  CHECK(setup.Wait(30000) == 0);

  // Strings: the /warning message comes from the library's string table.
  char text[256];
  REQUIRE(LoadStringA(reference.Module, IDS_UNINSTALL_CAPTION, text, sizeof text) > 0);
  Process warning;
  REQUIRE(warning.Start("\"" + exe + "\" /warning", folder));
  HWND box = WaitForWindow(text, warning.Id(), 15000, "#32770");
  REQUIRE(box != nullptr);
  REQUIRE(LoadStringA(reference.Module, IDS_UNINSTALL_DONE, text, sizeof text) > 0);
  CHECK(MessageBoxText(box).rfind(text, 0) == 0);
  AnswerMessageBox(box, IDOK);
  CHECK(warning.Wait(15000) == 0);
  CleanUp(folder);
}

TEST_CASE("a right-to-left pack mirrors the setup and items dialogs") {
  struct Pack {
    const char* What;
    const char* From;  // in the build folder
    const char* To;    // beside the program
  };
  const Pack packs[] = {
      {"catalogue entry LTR=RTL", "samples\\hebrew\\uninstall.lng", "uninstall.lng"},
      {"library with an RTL dialog", "fixtures\\rtl_dialogs\\qellng.dll", "qellng.dll"},
  };
  for (const Pack& pack : packs) {
    CAPTURE(pack.What);
    std::string folder = Install("C:\\TazmorTest\\rtl");
    std::string exe = folder + "\\uninstall.exe";
    REQUIRE(CopyFromBuild(pack.From, folder + "\\" + pack.To));
    Catalogue catalogue(folder + "\\uninstall.lng");

    Process setup;
    REQUIRE(setup.Start("\"" + exe + "\" /setup", folder));
    char caption[kPathChars];
    catalogue.Lines.Translate(caption, sizeof caption, kEnglishCaption, "SETUPDLG", kDialogText);
    HWND dialog = WaitForWindow(caption, setup.Id());
    REQUIRE(dialog != nullptr);
    CHECK((ExStyle(dialog) & WS_EX_LAYOUTRTL) != 0);
    // The controls are made after the style is set and inherit it.
    CHECK((ExStyle(GetDlgItem(dialog, IDOK)) & WS_EX_LAYOUTRTL) != 0);

    Click(dialog, IDC_CONTEXT_ITEMS);
    catalogue.Lines.Translate(caption, sizeof caption, "Context menu items", "CONTEXTITEMS",
                              kDialogText);
    HWND items = WaitForWindow(caption, setup.Id());
    REQUIRE(items != nullptr);
    CHECK((ExStyle(items) & WS_EX_LAYOUTRTL) != 0);
    Click(items, IDCANCEL);
    REQUIRE(WaitForClose(items));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    CHECK(setup.Wait(30000) == 0);
    CleanUp(folder);
  }
}

TEST_CASE("Help and F1 open each dialog's topic, and nothing for the completion dialog") {
  std::string folder = Install("C:\\TazmorTest\\help");
  HelpWatcher help;
  REQUIRE(help.Window != nullptr);

  Process setup;
  REQUIRE(setup.Start("\"" + folder + "\\uninstall.exe\" /setup", folder));
  HWND dialog = WaitForWindow(kEnglishCaption, setup.Id());
  REQUIRE(dialog != nullptr);
  CHECK((ExStyle(dialog) & WS_EX_LAYOUTRTL) == 0);

  // Each action, in turn, must bring exactly one request for the topic.
  auto expectTopic = [&](DWORD context) {
    REQUIRE(help.WaitForRequests(1));
    help.Pump(300);
    REQUIRE(help.Requests.size() == 1);
    CHECK(help.Requests[0].Command == HELP_CONTEXT);
    CHECK(help.Requests[0].Data == context);
    CHECK(help.Requests[0].File == "tazmor.hlp");
    help.Requests.clear();
  };

  Click(dialog, IDC_HELP_BUTTON);
  expectTopic(4288);
  SendMessageA(dialog, kKeyF1, 0, 0);
  expectTopic(4288);

  Click(dialog, IDC_CONTEXT_ITEMS);
  HWND items = WaitForWindow("Context menu items", setup.Id());
  REQUIRE(items != nullptr);
  Click(items, IDC_HELP_BUTTON);
  expectTopic(4976);
  SendMessageA(items, kKeyF1, 0, 0);
  expectTopic(4976);
  Click(items, IDCANCEL);
  REQUIRE(WaitForClose(items));

  UncheckAll(dialog);
  Click(dialog, IDOK);
  REQUIRE(WaitForClose(dialog));
  HWND done = WaitForWindow(kEnglishCaption, setup.Id());
  REQUIRE(done != nullptr);
  // The completion dialog has no topic: neither id 9 nor F1 asks for help.
  PostMessageA(done, WM_COMMAND, MAKEWPARAM(IDC_HELP_BUTTON, BN_CLICKED), 0);
  SendMessageA(done, kKeyF1, 0, 0);
  help.Pump(kQuietMs);
  CHECK(help.Requests.empty());
  CHECK(IsWindow(done));
  Click(done, IDOK);
  CHECK(setup.Wait(30000) == 0);
  CleanUp(folder);
}

TEST_CASE("the catalogue tool writes a template for the program and its check finds a stale line") {
  std::string folder = Install("C:\\TazmorTest\\tool");
  std::string exe = folder + "\\uninstall.exe";
  std::string tool = "\"" + BuildDir() + "\\lngtool.exe\"";
  std::string templatePath = folder + "\\template.lng";
  std::string output = folder + "\\tool.txt";

  REQUIRE(RunTool(tool + " template \"" + exe + "\" \"" + templatePath + "\"", output) == 0);
  Catalogue made(templatePath);
  REQUIRE(made.Lines.IsLoaded());

  // Every string of the table and every text of every dialog has its line,
  // holding the source text itself.
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  REQUIRE(module != nullptr);
  for (UINT id = IDS_DISPLAY_NAME; id <= IDS_HOME_PAGE; ++id) {
    CAPTURE(id);
    char text[256];
    REQUIRE(LoadStringA(module, id, text, sizeof text) > 0);
    CHECK(made.Entry(text, nullptr, kStringText) == text);
  }
  FreeLibrary(module);
  for (const char* name : {"SETUPDLG", "DONEDLG", "CONTEXTITEMS"}) {
    CAPTURE(name);
    ReferenceDialog reference(exe, name);
    REQUIRE(reference.Window != nullptr);
    CHECK(made.Entry(WindowText(reference.Window), name) == WindowText(reference.Window));
    for (HWND child : Children(reference.Window)) {
      std::string text = WindowText(child);
      if (!text.empty())
        CHECK(made.Entry(text, name) == text);
    }
    // The scale entry is there, empty: no scaling until it is filled in.
    int sx = 0;
    int sy = 0;
    CHECK(made.Entry("", name).empty());
    CHECK_FALSE(made.Lines.GetScale(name, sx, sy));
  }
  CHECK(made.Entry("LTR", "LTR") == "LTR");

  // The template itself checks clean; the sample catalogue as well.
  CHECK(RunTool(tool + " check \"" + exe + "\" \"" + templatePath + "\"", output) == 0);
  CHECK(ReadTextFile(output).find("0 finding(s)") != std::string::npos);
  std::string sample = BuildDir() + "\\samples\\french\\uninstall.lng";
  CHECK(RunTool(tool + " check \"" + exe + "\" \"" + sample + "\"", output) == 0);

  // A mistyped key and a dropped line are both reported.
  std::string text = ReadTextFile(templatePath);
  char key[kKeyChars];
  REQUIRE(MakeKey(key, kDialogText, "DONEDLG", "Done"));
  size_t line = text.find(std::string(key) + "=");
  REQUIRE(line != std::string::npos);
  text.replace(line, 8, "0badc0de");
  text += "\r\n; a line of an older edition\r\nfeedf00d=\"Old text\"\r\n";
  REQUIRE(WriteTextFile(templatePath, text));
  CHECK(RunTool(tool + " check \"" + exe + "\" \"" + templatePath + "\"", output) == 1);
  std::string report = ReadTextFile(output);
  CHECK(report.find("stale: 0badc0de=\"Done\"") != std::string::npos);
  CHECK(report.find("stale: feedf00d=\"Old text\"") != std::string::npos);
  CHECK(report.find("missing: " + std::string(key) + "=\"Done\" (DONEDLG control 1)") !=
        std::string::npos);
  CHECK(report.find("3 finding(s)") != std::string::npos);
  CleanUp(folder);
}

