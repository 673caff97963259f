// The context menu items dialog, opened from the setup dialog's button: its
// eleven choices, stored at once on OK and not at all on Cancel, and its help
// kept to itself.
#include <doctest.h>

#include "driver.h"

#include <map>

using namespace driver;

static constexpr char kProductKey[] = "Software\\Tazmor";
static constexpr char kMenuItemsKey[] = "Software\\Tazmor\\Setup\\MenuItems";
static constexpr char kItemsCaption[] = "Context menu items";
static constexpr int kContextItemsButton = 5121;
static constexpr int kHelpButton = 9;
static constexpr UINT kKeyF1 = 0x4D;  // WM_KEYF1
static constexpr DWORD kSetupHelpTopic = 4288;
static constexpr DWORD kItemsHelpTopic = 4976;

struct Item {
  int Box;
  const char* Value;
  bool Default;
};

static const Item kItems[] = {
    {101, "ExtrTo", true},   {102, "ExtrHere", true}, {103, "Extr", true},
    {104, "ExtrSep", true},  {105, "OpenSFX", true},  {106, "AddTo", true},
    {107, "AddArc", true},   {108, "EmailArc", true}, {109, "EmailOpt", true},
    {110, "Test", false},    {111, "Convert", false},
};

static void WriteDword(const char* name, DWORD value) {
  HKEY key;
  REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, kMenuItemsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                          nullptr) == ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

// The check marks the dialog shows, by value name.
static void CheckShown(HWND items, const std::map<std::string, bool>& expected) {
  for (const Item& item : kItems) {
    CAPTURE(item.Value);
    CHECK(IsChecked(items, item.Box) == expected.at(item.Value));
  }
}

static std::map<std::string, bool> Defaults() {
  std::map<std::string, bool> shown;
  for (const Item& item : kItems)
    shown[item.Value] = item.Default;
  return shown;
}

// The setup program waiting in its first dialog, with no choices saved.
class SetupRun {
public:
  explicit SetupRun(const std::string& folder) : Folder(MakeInstallFolder(folder)) {
    REQUIRE(Program.Start("\"" + Folder + "\\uninstall.exe\" /setup", Folder));
    Dialog = WaitForWindow("Tazmor Setup", Program.Id());
    REQUIRE(Dialog != nullptr);
  }
  ~SetupRun() {
    Program.Kill();
    RemoveTree(Folder);
  }

  HWND OpenItems() {
    Click(Dialog, kContextItemsButton);
    HWND items = WaitForWindow(kItemsCaption, Program.Id());
    REQUIRE(items != nullptr);
    return items;
  }
  void Close(HWND items, int button) {
    Click(items, button);
    REQUIRE(WaitForClose(items));
  }
  // Closes the setup dialog by its close box: the run ends without setting
  // anything up.
  void Cancel() {
    PostMessageA(Dialog, WM_CLOSE, 0, 0);
    CHECK(Program.Wait(20000) == 0);
  }

  std::string Folder;
  Process Program;
  HWND Dialog = nullptr;
};

TEST_CASE("the items start with their defaults, Cancel stores nothing and OK stores all eleven") {
  DeleteKeyTree(HKEY_CURRENT_USER, kProductKey);
  SetupRun setup("C:\\TazmorTest\\items");

  HWND items = setup.OpenItems();
  CheckShown(items, Defaults());
  Click(items, 101);
  Click(items, 110);
  setup.Close(items, IDCANCEL);
  CHECK(!KeyExists(HKEY_CURRENT_USER, kMenuItemsKey));

  // Reopened, the dialog forgets the cancelled marks.
  items = setup.OpenItems();
  CheckShown(items, Defaults());
  Click(items, 101);
  Click(items, 110);
  setup.Close(items, IDOK);
  std::map<std::string, bool> chosen = Defaults();
  chosen["ExtrTo"] = false;
  chosen["Test"] = true;
  for (const Item& item : kItems) {
    CAPTURE(item.Value);
    std::string value;
    CHECK(ReadValue(HKEY_CURRENT_USER, kMenuItemsKey, item.Value, value));
    CHECK(value == (chosen[item.Value] ? "1" : "0"));
  }

  items = setup.OpenItems();
  CheckShown(items, chosen);
  setup.Close(items, IDCANCEL);

  // Cancelling setup afterwards keeps the items: they were stored on OK.
  setup.Cancel();
  std::string value;
  CHECK(ReadValue(HKEY_CURRENT_USER, kMenuItemsKey, "ExtrTo", value));
  CHECK(value == "0");
}

TEST_CASE("stored items are shown, any value but 0 counts as shown and OK stores it as 1") {
  DeleteKeyTree(HKEY_CURRENT_USER, kProductKey);
  WriteDword("ExtrHere", 0);
  WriteDword("Convert", 1);
  WriteDword("Test", 5);
  SetupRun setup("C:\\TazmorTest\\stored items");

  HWND items = setup.OpenItems();
  std::map<std::string, bool> shown = Defaults();
  shown["ExtrHere"] = false;
  shown["Convert"] = true;
  shown["Test"] = true;
  CheckShown(items, shown);
  setup.Close(items, IDOK);

  struct Stored {
    const char* Name;
    const char* Value;
  };
  for (const Stored& stored : {Stored{"ExtrHere", "0"}, Stored{"Convert", "1"},
                               Stored{"Test", "1"}, Stored{"ExtrTo", "1"}}) {
    CAPTURE(stored.Name);
    std::string value;
    CHECK(ReadValue(HKEY_CURRENT_USER, kMenuItemsKey, stored.Name, value));
    CHECK(value == stored.Value);
  }
  setup.Cancel();
}

TEST_CASE("Help and F1 in the items dialog ask for its own topic, never the setup dialog's") {
  DeleteKeyTree(HKEY_CURRENT_USER, kProductKey);
  HelpWatcher help;
  SetupRun setup("C:\\TazmorTest\\items help");
  HWND items = setup.OpenItems();

  // F1 arrives at the focused check box; unanswered, its help request would
  // climb to the dialog and on to the setup dialog behind it.
  Click(items, kHelpButton);
  help.WaitForRequests(1, 10000);
  DWORD_PTR result = 0;
  SendMessageTimeoutA(GetDlgItem(items, 101), kKeyF1, 0, 0, SMTO_NORMAL, 5000, &result);
  help.WaitForRequests(2, 10000);
  help.Pump(1000);

  for (const HelpRequest& request : help.Requests) {
    CHECK(request.Data != kSetupHelpTopic);
    CHECK(request.Data == kItemsHelpTopic);
    CHECK(request.Command == HELP_CONTEXT);
  }
  CHECK(help.Requests.size() == 2);
  CHECK(IsWindow(items));
  setup.Close(items, IDCANCEL);
  setup.Cancel();
}
