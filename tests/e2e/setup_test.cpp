// The setup road with the real program: the silent run and the setup dialog,
// checked through the registry and the files they leave. Each case first
// removes the product key and every class key it looks at.
#include <doctest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/res/resource.h"
#include "driver.h"

using namespace driver;

namespace {

const char kCaption[] = "Tazmor Setup";
const char kNone[] = "<none>";

const char* const kExtensions[] = {".qel", ".zip", ".cab", ".arj", ".lzh", ".lha", ".ace",
                                   ".tar", ".gz",  ".tgz", ".uue", ".xxe", ".uu",  ".bz2",
                                   ".tbz2", ".bz", ".tbz", ".jar", ".iso"};
// The keys of the product's first extensions, where the choices are kept.
const char* const kTypeKeys[] = {".qel", ".zip", ".cab", ".arj", ".lzh", ".ace",
                                 ".tar", ".gz",  ".uue", ".bz2", ".jar", ".iso"};

std::string Volume(int n) {
  char name[8];
  std::snprintf(name, sizeof name, ".q%02d", n);
  return name;
}

std::vector<std::string> ClassKeys() {
  std::vector<std::string> keys(std::begin(kExtensions), std::end(kExtensions));
  for (int n = 0; n < 100; ++n)
    keys.push_back(Volume(n));
  for (const char* k : {".rev", "Tazmor", "Tazmor.ZIP", "Tazmor.REV"})
    keys.push_back(k);
  return keys;
}

void ResetRegistry() {
  DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Tazmor");
  DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\uninstall.exe");
  // HKEY_CLASSES_ROOT is a view of both of these.
  for (const std::string& key : ClassKeys()) {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + key);
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Classes\\" + key);
  }
}

std::string Value(HKEY root, const std::string& path, const char* name = "") {
  std::string out;
  return ReadValue(root, path, name, out) ? out : kNone;
}

std::string Class(const std::string& path, const char* name = "") {
  return Value(HKEY_CLASSES_ROOT, path, name);
}

// A binary value's bytes, NULs included; kNone when missing.
std::string Binary(const std::string& path, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return kNone;
  char data[256];
  DWORD size = sizeof data, kind = 0;
  LONG rc = RegQueryValueExA(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && kind == REG_BINARY ? std::string(data, size) : kNone;
}

std::string Choice(const std::string& path, const char* name) {
  return Value(HKEY_CURRENT_USER, "Software\\Tazmor\\" + path, name);
}

long RunSilentSetup(const std::string& folder) {
  Process p;
  if (!p.Start("\"" + folder + "\\uninstall.exe\" /s /setup", folder))
    return -2;
  long code = p.Wait(90000);
  if (code == -1)
    p.Kill();
  return code;
}

// Waits until `done` holds; the dialog handles posted clicks in its own time.
template <typename Condition>
bool WaitUntil(Condition done) {
  for (int i = 0; i < 200; ++i) {
    if (done())
      return true;
    Sleep(50);
  }
  return false;
}

void ClickAndWait(HWND dialog, int id, bool checked) {
  Click(dialog, id);
  CHECK(WaitUntil([&] { return IsChecked(dialog, id) == checked; }));
}

// The check marks 5101..5118 as 0/1 and the enabled states of 5117 and 5118.
std::string Marks(HWND dialog) {
  std::string s;
  for (int id = IDC_TYPE_FIRST; id <= IDC_MENUICONS; ++id)
    s += IsChecked(dialog, id) ? '1' : '0';
  s += ' ';
  s += IsEnabled(dialog, IDC_CASCADED) ? 'e' : 'd';
  s += IsEnabled(dialog, IDC_MENUICONS) ? 'e' : 'd';
  return s;
}

std::string FileBytes(const std::string& path) { return ReadTextFile(path); }

const std::string kQelTemplate("Qel!\x1A\x07\x00\xCF\x90\x73\x00\x00\x0D\x00\x00\x00\x00\x00\x00\x00",
                               20);
const std::string kZipTemplate = std::string("PK\x05\x06", 4) + std::string(18, '\0');

}  // namespace

TEST_CASE("a silent setup writes the associations, records, New entries, classes and choices") {
  ResetRegistry();
  WriteString(HKEY_CLASSES_ROOT, ".zip", "", "Other.Zip");
  WriteString(HKEY_CLASSES_ROOT, ".zip", "Content Type", "application/zip");
  std::string folder = MakeInstallFolder("C:\\TazmorTest\\silent");
  REQUIRE(RunSilentSetup(folder) == 0);

  for (const char* ext : kExtensions) {
    CAPTURE(ext);
    CHECK(Class(ext) == (std::string(ext) == ".zip" ? "Tazmor.ZIP" : "Tazmor"));
    CHECK(Class(ext, "Content Type") == kNone);
  }
  for (int n = 0; n < 100; ++n) {
    CAPTURE(n);
    CHECK(Class(Volume(n)) == (n < 30 ? "Tazmor" : kNone));
  }
  CHECK(Choice("Setup\\.zip", "Exist") == "1");
  CHECK(Choice("Setup\\.zip", "Type") == "Other.Zip");
  CHECK(Choice("Setup\\.zip", "Content") == "application/zip");
  CHECK(Choice("Setup\\.zip", "ShellNew") == "");
  CHECK(Choice("Setup\\.qel", "Exist") == "0");
  CHECK(Choice("Setup\\.tbz", "Exist") == "0");

  CHECK(Class(".qel\\ShellNew", "FileName") == folder + "\\qelnew.dat");
  CHECK(Class(".zip\\ShellNew", "FileName") == folder + "\\zipnew.dat");
  CHECK(FileBytes(folder + "\\qelnew.dat") == kQelTemplate);
  CHECK(FileBytes(folder + "\\zipnew.dat") == kZipTemplate);
  CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".cab\\ShellNew"));

  const std::string program = folder + "\\Tazmor.exe";
  const std::string command = "\"" + program + "\" \"%1\"";
  struct Expect {
    const char* Key;
    std::string Value;
  };
  const Expect classes[] = {
    {"Tazmor", "Tazmor archive"},
    {"Tazmor\\shell\\open\\command", command},
    {"Tazmor\\DefaultIcon", program + ",0"},
    {"Tazmor.ZIP", "Tazmor ZIP archive"},
    {"Tazmor.ZIP\\shell\\open\\command", command},
    {"Tazmor.ZIP\\DefaultIcon", program + ",0"},
    {".rev", "Tazmor.REV"},
    {"Tazmor.REV", "QEL recovery volume"},
    {"Tazmor.REV\\shell\\open\\command", command},
    {"Tazmor.REV\\DefaultIcon", program + ",1"},
  };
  for (const Expect& e : classes) {
    CAPTURE(e.Key);
    CHECK(Class(e.Key) == e.Value);
  }

  for (const char* key : kTypeKeys) {
    CAPTURE(key);
    CHECK(Choice(std::string("Setup\\") + key, "Set") ==
          (std::string(key) == ".iso" ? kNone : "1"));
  }
  const Expect choices[] = {
    {"Desktop", "0"}, {"StartMenu", "0"}, {"Programs", "1"},
    {"ShellExt", "1"}, {"CascadedMenu", "0"}, {"MenuIcons", "1"},
  };
  for (int i = 0; i < 6; ++i) {
    CAPTURE(choices[i].Key);
    CHECK(Choice(i < 3 ? "Setup\\Links" : "Setup", choices[i].Key) == choices[i].Value);
  }
  RemoveTree(folder);
}

TEST_CASE("the New menu templates and the volume count follow the system version") {
  struct Case {
    const char* Version;
    bool File;    // template files, else binary "Data" values
    int Volumes;
  };
  const Case cases[] = {
    {"win98", false, 100},
    {"winme", true, 100},
    {"win2k", true, 30},
  };
  for (const Case& c : cases) {
    std::string version = c.Version;
    CAPTURE(version);
    ResetRegistry();
    WriteString(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\uninstall.exe", "Version",
                c.Version);
    std::string folder = MakeInstallFolder("C:\\TazmorTest\\version");
    // A template already there is the user's or an earlier setup's: kept.
    WriteTextFile(folder + "\\zipnew.dat", "kept");
    long code = RunSilentSetup(folder);
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\uninstall.exe");
    REQUIRE(code == 0);

    CHECK(FileExists(folder + "\\qelnew.dat") == c.File);
    CHECK(FileBytes(folder + "\\zipnew.dat") == "kept");
    if (c.File) {
      CHECK(FileBytes(folder + "\\qelnew.dat") == kQelTemplate);
      CHECK(Class(".qel\\ShellNew", "FileName") == folder + "\\qelnew.dat");
      CHECK(Class(".zip\\ShellNew", "FileName") == folder + "\\zipnew.dat");
      CHECK(Binary(".qel\\ShellNew", "Data") == kNone);
    } else {
      CHECK(Class(".qel\\ShellNew", "FileName") == kNone);
      CHECK(Binary(".qel\\ShellNew", "Data") == kQelTemplate);
      CHECK(Binary(".zip\\ShellNew", "Data") == kZipTemplate);
    }
    CHECK(Class(Volume(c.Volumes - 1)) == "Tazmor");
    if (c.Volumes < 100)
      CHECK(Class(Volume(c.Volumes)) == kNone);
    RemoveTree(folder);
  }
}

TEST_CASE("the setup dialog shows the first-installation choices and Cancel changes nothing") {
  ResetRegistry();
  std::string folder = MakeInstallFolder("C:\\TazmorTest\\dialog");
  Process p;
  REQUIRE(p.Start("\"" + folder + "\\uninstall.exe\" /setup", folder));
  HWND dialog = WaitForWindow(kCaption, p.Id(), 30000, "#32770");
  REQUIRE(dialog != nullptr);
  CHECK(GetDlgItem(dialog, IDC_CONTEXT_ITEMS) != nullptr);
  //                    types        D S P I C N
  CHECK(Marks(dialog) == "111111111111" "001101 ee");

  // The shell box only enables or disables its two dependants.
  ClickAndWait(dialog, IDC_SHELLEXT, false);
  CHECK(Marks(dialog) == "111111111111" "001001 dd");
  ClickAndWait(dialog, IDC_SHELLEXT, true);
  CHECK(Marks(dialog) == "111111111111" "001101 ee");

  // Select all checks the types and leaves the interface choices alone.
  ClickAndWait(dialog, IDC_TYPE_FIRST + 1, false);
  ClickAndWait(dialog, IDC_TYPE_FIRST + 4, false);
  ClickAndWait(dialog, IDC_DESKTOP, true);
  CHECK(Marks(dialog) == "101101111111" "101101 ee");
  Click(dialog, IDC_SELECT_ALL);
  CHECK(WaitUntil([&] { return IsChecked(dialog, IDC_TYPE_FIRST + 4); }));
  CHECK(Marks(dialog) == "111111111111" "101101 ee");

  // The close box is the dialog's cancel command.
  PostMessageA(dialog, WM_CLOSE, 0, 0);
  CHECK(WaitForClose(dialog, 15000));
  CHECK(p.Wait(30000) == 0);
  CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Tazmor"));
  CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".qel"));
  CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Tazmor"));
  CHECK_FALSE(FileExists(folder + "\\qelnew.dat"));
  RemoveTree(folder);
}

TEST_CASE("OK in the setup dialog saves and applies the marks as they are shown") {
  ResetRegistry();
  std::string folder = MakeInstallFolder("C:\\TazmorTest\\dialog");
  Process p;
  REQUIRE(p.Start("\"" + folder + "\\uninstall.exe\" /setup", folder));
  HWND dialog = WaitForWindow(kCaption, p.Id(), 30000, "#32770");
  REQUIRE(dialog != nullptr);
  ClickAndWait(dialog, IDC_TYPE_FIRST + 1, false);  // ZIP
  ClickAndWait(dialog, IDC_DESKTOP, true);
  // Without a program group no shell window is opened after the run.
  ClickAndWait(dialog, IDC_PROGRAMS, false);
  ClickAndWait(dialog, IDC_CASCADED, true);
  ClickAndWait(dialog, IDC_SHELLEXT, false);
  REQUIRE(Marks(dialog) == "101111111111" "100011 dd");

  Click(dialog, IDOK);
  REQUIRE(WaitForClose(dialog, 30000));
  HWND done = WaitForWindow(kCaption, p.Id(), 30000, "#32770");
  REQUIRE(done != nullptr);
  CHECK(GetDlgItem(done, IDC_CONTEXT_ITEMS) == nullptr);
  Click(done, IDOK);
  CHECK(p.Wait(30000) == 0);

  for (const char* key : kTypeKeys) {
    CAPTURE(key);
    std::string k = key;
    CHECK(Choice("Setup\\" + k, "Set") == (k == ".iso" ? kNone : k == ".zip" ? "0" : "1"));
  }
  CHECK(Choice("Setup\\Links", "Desktop") == "1");
  CHECK(Choice("Setup\\Links", "StartMenu") == "0");
  CHECK(Choice("Setup\\Links", "Programs") == "0");
  CHECK(Choice("Setup", "ShellExt") == "0");
  CHECK(Choice("Setup", "CascadedMenu") == "1");
  CHECK(Choice("Setup", "MenuIcons") == "1");

  CHECK(Class(".qel") == "Tazmor");
  CHECK(Class(".iso") == "Tazmor");
  CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".zip"));
  CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".qel\\ShellNew"));
  CHECK_FALSE(FileExists(folder + "\\qelnew.dat"));
  CHECK(Class("Tazmor") == "Tazmor archive");
  RemoveTree(folder);
}
