// The uninstall road with the real executable and the prefix's own command
// interpreter: confirmation, the listed deletions, the removal script and
// what a whole setup and uninstall leave of the registry.
#include <doctest.h>

#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "driver.h"

using namespace driver;

namespace {

constexpr DWORD kGoneWithinMs = 10000;
const char kCaption[] = "Uninstall Tazmor";
const char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tazmor archiver";
const char kAppPathKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Tazmor.exe";
const char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\uninstall.exe";

std::string ScriptPath() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  return std::string(temp) + "Uninstall_Qel.Bat";
}

std::string SpecialFolder(int id) {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, id, FALSE);
  return path;
}

void MakeFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

bool WaitGone(const std::vector<std::string>& paths, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    bool all = std::none_of(paths.begin(), paths.end(), FileExists);
    if (all)
      return true;
    if (GetTickCount() - start > timeoutMs)
      return false;
    Sleep(100);
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  lines.push_back(text.substr(start));
  return lines;
}

// Starts the uninstaller as its uninstall entry does (no switch) and answers
// its confirmation.
void StartAndAnswer(Process& p, const std::string& folder, int answer) {
  REQUIRE(p.Start("\"" + folder + "\\uninstall.exe\"", folder));
  HWND box = WaitForWindow(kCaption, p.Id(), 20000, "#32770");
  REQUIRE(box != nullptr);
  CHECK(MessageBoxText(box) == "Continue with uninstall Tazmor");
  AnswerMessageBox(box, answer);
  // The next box of the same caption must not be taken for this one.
  CHECK(WaitForClose(box));
}

// A started program that does not outlive its test case, whatever failed.
struct Started : Process {
  ~Started() { Kill(); }
};

// The recorder's log once it is complete (it runs after the uninstaller ended).
std::vector<std::string> WaitForLog(const std::string& path, size_t lines) {
  std::vector<std::string> log;
  for (DWORD start = GetTickCount(); GetTickCount() - start < kGoneWithinMs; Sleep(100)) {
    log = Lines(ReadTextFile(path));
    if (log.size() >= lines)
      break;
  }
  return log;
}

// COMSPEC for the programs that this test starts, restored afterwards.
class Interpreter {
public:
  explicit Interpreter(const std::string& path) {
    char old[1024] = {};
    Had = GetEnvironmentVariableA("COMSPEC", old, sizeof old) != 0;
    Old = old;
    SetEnvironmentVariableA("COMSPEC", path.c_str());
  }
  ~Interpreter() { SetEnvironmentVariableA("COMSPEC", Had ? Old.c_str() : nullptr); }

private:
  bool Had = false;
  std::string Old;
};

// The script as the interpreter must find it, for this test's paths.
std::string ExpectedScript(bool nt, const std::string& exe, const std::string& folder) {
  std::string text = (nt ? "\"" : "start /wait \"") + exe + "\" /wait\r\n";
  for (int i = 0; i < 5; ++i)
    text += "del \"" + exe + "\"\r\nrd \"" + folder + "\"\r\nif not exist \"" + exe +
            "\" goto done\r\n";
  return text + ":done\r\nif exist \"" + exe + "\" \"" + exe + "\" /warning\r\ndel \"" +
         ScriptPath() + "\"";
}

}  // namespace

TEST_CASE("declining or a missing list changes nothing") {
  struct Case { std::string name; bool list; };
  const Case cases[] = {{"declined", true}, {"no list", false}};
  for (const Case& c : cases) {
    CAPTURE(c.name);
    DeleteFileA(ScriptPath().c_str());
    std::string folder = MakeInstallFolder("C:\\TazmorTest\\unchanged");
    if (c.list)
      WriteTextFile(folder + "\\Uninstall.lst", "a.txt\r\nsub\\b.txt\r\nsub\r\n");
    MakeFolder(folder + "\\sub");
    WriteTextFile(folder + "\\a.txt", "a");
    WriteTextFile(folder + "\\sub\\b.txt", "b");
    WriteTextFile(folder + "\\tazmor.gid", "g");
    WriteString(HKEY_CURRENT_USER, "Software\\Tazmor\\Setup\\.zip", "Type", "zipfile");
    WriteString(HKEY_CLASSES_ROOT, "Tazmor.REV", "", "QEL recovery volume");
    WriteString(HKEY_CLASSES_ROOT, ".rev", "", "Tazmor.REV");
    WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Tazmor archiver");
    std::string group = SpecialFolder(CSIDL_PROGRAMS) + "\\Tazmor";
    MakeFolder(group);
    WriteTextFile(group + "\\Tazmor.lnk", "not a real link");

    Started p;
    if (c.list) {
      StartAndAnswer(p, folder, IDNO);
    } else {
      StartAndAnswer(p, folder, IDYES);
      HWND error = WaitForWindow(kCaption, p.Id(), 20000, "#32770");
      REQUIRE(error != nullptr);
      CHECK(MessageBoxText(error) == "Cannot open list file Uninstall.lst");
      AnswerMessageBox(error, IDOK);
    }
    CHECK(p.Wait(20000) == 0);

    for (const char* name : {"uninstall.exe", "a.txt", "sub\\b.txt", "tazmor.gid"})
      CHECK_MESSAGE(FileExists(folder + "\\" + name), name);
    CHECK(c.list == FileExists(folder + "\\Uninstall.lst"));
    CHECK(FileExists(group + "\\Tazmor.lnk"));
    std::string value;
    CHECK(ReadValue(HKEY_CURRENT_USER, "Software\\Tazmor\\Setup\\.zip", "Type", value));
    CHECK(ReadValue(HKEY_CLASSES_ROOT, ".rev", "", value));
    CHECK(KeyExists(HKEY_CLASSES_ROOT, "Tazmor.REV"));
    CHECK(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    CHECK_FALSE(FileExists(ScriptPath()));

    RemoveTree(group);
    RemoveTree(folder);
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Tazmor");
    DeleteKeyTree(HKEY_CLASSES_ROOT, ".rev");
    DeleteKeyTree(HKEY_CLASSES_ROOT, "Tazmor.REV");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  }
}

TEST_CASE("the listed entries go, then the script removes the executable and its folder") {
  // A blank and a percent sign in the folder: the interpreter expands '%'
  // even inside quotes.
  const std::string parent = "C:\\TazmorTest\\100% Tools";
  RemoveTree("C:\\TazmorTest\\100% Tools");
  std::string folder = MakeInstallFolder(parent + "\\Tazmor");
  DeleteFileA(ScriptPath().c_str());
  MakeFolder(folder + "\\docs");
  MakeFolder(folder + "\\docs\\deep");
  WriteTextFile(folder + "\\docs\\a.txt", "a");
  WriteTextFile(folder + "\\docs\\deep\\b.txt", "b");
  WriteTextFile(folder + "\\readonly.txt", "r");
  SetFileAttributesA((folder + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  WriteTextFile(folder + "\\hidden.txt", "h");
  SetFileAttributesA((folder + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  WriteTextFile(folder + "\\trail.txt", "t");
  WriteTextFile(folder + "\\tazmor.gid", "g");
  WriteTextFile(folder + "\\tazmor.fts", "f");
  // The language library is in use until the deletions begin.
  REQUIRE(CopyFromBuild("fixtures\\strings\\qellng.dll", folder + "\\qellng.dll"));
  // Entries that point outside the folder, each at a file that must stay.
  WriteTextFile(parent + "\\outside.txt", "o");
  WriteTextFile("C:\\TazmorTest\\absolute.txt", "a");
  // A link that someone placed at the script's fixed name: writing through
  // it would overwrite this file.
  WriteTextFile("C:\\TazmorTest\\linked.txt", "original");
  REQUIRE(CreateHardLinkA(ScriptPath().c_str(), "C:\\TazmorTest\\linked.txt", nullptr));
  WriteTextFile(folder + "\\Uninstall.lst",
                "docs\r\n"
                "docs\\deep\r\n"
                "docs\\a.txt\r\n"
                "docs\\deep\\b.txt\r\n"
                "readonly.txt\r\n"
                "\r\n"
                "   \t\r\n"
                "hidden.txt\n"
                "missing.txt\r\n"
                "trail.txt \t \r\n"
                "qellng.dll\r\n"
                "..\\outside.txt\r\n"
                "...\\absolute.txt\r\n"
                "C:\\TazmorTest\\absolute.txt\r\n"
                "\\TazmorTest\\absolute.txt\r\n"
                "uninstall.exe\r\n");

  Started p;
  StartAndAnswer(p, folder, IDYES);
  CHECK(p.Wait(30000) == 0);
  const std::string exe = folder + "\\uninstall.exe";
  CHECK(WaitGone({exe, folder, ScriptPath()}, kGoneWithinMs));
  CHECK_FALSE(FileExists(folder));

  CHECK(FileExists(parent + "\\outside.txt"));
  CHECK(FileExists("C:\\TazmorTest\\absolute.txt"));
  CHECK(ReadTextFile("C:\\TazmorTest\\linked.txt") == "original");
  RemoveTree(parent);
  DeleteFileA("C:\\TazmorTest\\absolute.txt");
  DeleteFileA("C:\\TazmorTest\\linked.txt");
}

TEST_CASE("a file the list does not name keeps its folder, while the executable still goes") {
  std::string folder = MakeInstallFolder("C:\\TazmorTest\\partial");
  DeleteFileA(ScriptPath().c_str());
  MakeFolder(folder + "\\kept");
  WriteTextFile(folder + "\\kept\\listed.txt", "l");
  WriteTextFile(folder + "\\kept\\other.txt", "o");
  WriteTextFile(folder + "\\survivor.txt", "s");
  // A line longer than one read: its remainder names survivor.txt and must
  // never be taken for an entry of its own.
  WriteTextFile(folder + "\\Uninstall.lst",
                "kept\r\nkept\\listed.txt\r\n" + std::string(2047, 'x') + "survivor.txt\r\n");

  Started p;
  StartAndAnswer(p, folder, IDYES);
  CHECK(p.Wait(30000) == 0);
  CHECK(WaitGone({folder + "\\uninstall.exe", ScriptPath()}, kGoneWithinMs));
  CHECK_FALSE(FileExists(folder + "\\kept\\listed.txt"));
  CHECK(FileExists(folder + "\\kept\\other.txt"));
  CHECK(FileExists(folder + "\\survivor.txt"));
  CHECK_FALSE(FileExists(folder + "\\Uninstall.lst"));
  RemoveTree(folder);
}

TEST_CASE("an executable that cannot be deleted leads to the warning") {
  std::string folder = MakeInstallFolder("C:\\TazmorTest\\stuck");
  DeleteFileA(ScriptPath().c_str());
  WriteTextFile(folder + "\\a.txt", "a");
  WriteTextFile(folder + "\\Uninstall.lst", "a.txt\r\n");
  const std::string exe = folder + "\\uninstall.exe";
  // The interpreter's "del" refuses a read-only file.
  SetFileAttributesA(exe.c_str(), FILE_ATTRIBUTE_READONLY);

  Started p;
  StartAndAnswer(p, folder, IDYES);
  CHECK(p.Wait(30000) == 0);
  HWND warning = WaitForWindow(kCaption, 0, 30000, "#32770");
  REQUIRE(warning != nullptr);
  CHECK(MessageBoxText(warning) == "Uninstall completed\nYou should delete " + exe + " manually");
  AnswerMessageBox(warning, IDOK);
  CHECK(WaitGone({ScriptPath()}, kGoneWithinMs));
  CHECK(FileExists(exe));
  CHECK_FALSE(FileExists(folder + "\\a.txt"));

  SetFileAttributesA(exe.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveTree(folder);
}

TEST_CASE("the interpreter is started hidden, or detached on Windows 9x, from the parent folder") {
  struct Case { const char* winver; bool nt; const char* flags; };
  const Case cases[] = {
    {nullptr, true, "flags=1 show=0"},     // STARTF_USESHOWWINDOW, SW_HIDE
    {"win98", false, "flags=256 show=0"},  // STARTF_USESTDHANDLES
  };
  const std::string recorderFolder = "C:\\TazmorTest\\recorder";
  const std::string recorder = recorderFolder + "\\interpreter_recorder.exe";
  RemoveTree(recorderFolder);
  MakeFolder("C:\\TazmorTest");
  MakeFolder(recorderFolder);
  REQUIRE(CopyFromBuild("fixtures\\interpreter_recorder.exe", recorder));
  Interpreter interpreter(recorder);

  for (const Case& c : cases) {
    CAPTURE(c.nt);
    DeleteKeyTree(HKEY_CURRENT_USER, kAppDefaultsKey);
    if (c.winver != nullptr)
      WriteString(HKEY_CURRENT_USER, kAppDefaultsKey, "Version", c.winver);
    std::string folder = MakeInstallFolder("C:\\TazmorTest\\family");
    DeleteFileA(ScriptPath().c_str());
    DeleteFileA((recorder + ".log").c_str());
    WriteTextFile(folder + "\\a.txt", "a");
    WriteTextFile(folder + "\\Uninstall.lst", "a.txt\r\n");

    Started p;
    StartAndAnswer(p, folder, IDYES);
    CHECK(p.Wait(30000) == 0);
    DeleteKeyTree(HKEY_CURRENT_USER, kAppDefaultsKey);
    std::vector<std::string> log = WaitForLog(recorder + ".log", 4);

    const std::string exe = folder + "\\uninstall.exe";
    CHECK(ReadTextFile(ScriptPath()) == ExpectedScript(c.nt, exe, folder));
    REQUIRE(log.size() == 4);
    CHECK(log[0] == recorder + " /c \"" + ScriptPath() + "\"");
    CHECK(log[1] == "C:\\TazmorTest");
    CHECK(log[2] == c.flags);
    // On Windows 9x all three standard handles are the one NUL handle.
    if (!c.nt)
      CHECK(log[3] == "std=2 2 2 write=1");
    // The recorder ran nothing: the executable and the folder stay.
    CHECK(FileExists(exe));
    CHECK_FALSE(FileExists(folder + "\\a.txt"));
    RemoveTree(folder);
    DeleteFileA(ScriptPath().c_str());
  }
  RemoveTree(recorderFolder);
}

TEST_CASE("an interpreter command line that does not fit ends the run without a script") {
  std::string folder = MakeInstallFolder("C:\\TazmorTest\\longcomspec");
  DeleteFileA(ScriptPath().c_str());
  WriteTextFile(folder + "\\a.txt", "a");
  WriteTextFile(folder + "\\Uninstall.lst", "a.txt\r\n");
  Interpreter interpreter("C:\\" + std::string(600, 'c') + "\\cmd.exe");

  Started p;
  StartAndAnswer(p, folder, IDYES);
  CHECK(p.Wait(30000) == 0);
  CHECK_FALSE(FileExists(folder + "\\a.txt"));
  CHECK_FALSE(FileExists(ScriptPath()));
  CHECK(FileExists(folder + "\\uninstall.exe"));
  RemoveTree(folder);
}

namespace {

// A registry export: one line per key ("K path") and per value
// ("V path|name=type:data"), paths and names in lower case.
using Export = std::set<std::string>;

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string ValueData(DWORD type, const BYTE* data, DWORD size) {
  if (type == REG_SZ || type == REG_EXPAND_SZ)
    return std::to_string(type) + ":" +
           std::string(reinterpret_cast<const char*>(data), size > 0 ? strnlen(
               reinterpret_cast<const char*>(data), size) : 0);
  std::string hex = std::to_string(type) + ":";
  static const char digits[] = "0123456789abcdef";
  for (DWORD i = 0; i < size; ++i) {
    hex += digits[data[i] >> 4];
    hex += digits[data[i] & 15];
  }
  return hex;
}

void ExportKey(HKEY root, const std::string& rootName, const std::string& path, Export& out) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return;
  const std::string name = rootName + "\\" + Lower(path);
  out.insert("K " + name);
  for (DWORD i = 0;; ++i) {
    char valueName[1024];
    DWORD nameSize = sizeof valueName;
    BYTE data[8192];
    DWORD dataSize = sizeof data, type = 0;
    if (RegEnumValueA(key, i, valueName, &nameSize, nullptr, &type, data, &dataSize) !=
        ERROR_SUCCESS)
      break;
    out.insert("V " + name + "|" + Lower(valueName) + "=" + ValueData(type, data, dataSize));
  }
  std::vector<std::string> children;
  for (DWORD i = 0;; ++i) {
    char child[1024];
    DWORD size = sizeof child;
    if (RegEnumKeyExA(key, i, child, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    children.push_back(child);
  }
  RegCloseKey(key);
  for (const std::string& child : children)
    ExportKey(root, rootName, path + "\\" + child, out);
}

const char* const kExtensions[] = {".qel", ".zip", ".cab", ".arj", ".lzh", ".lha", ".ace",
                                   ".tar", ".gz",  ".tgz", ".uue", ".xxe", ".uu",  ".bz2",
                                   ".tbz2", ".bz", ".tbz", ".jar", ".iso", ".rev"};
const char kClassId[] = "{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}";

std::string Volume(int n) {
  char name[8];
  snprintf(name, sizeof name, ".q%02d", n);
  return name;
}

// Every key that setup writes into or below, with the class keys that the
// shell-extension handlers hang below.
Export ExportAffected() {
  Export out;
  for (const char* ext : kExtensions)
    ExportKey(HKEY_CLASSES_ROOT, "HKCR", ext, out);
  for (int n = 0; n < 100; ++n)
    ExportKey(HKEY_CLASSES_ROOT, "HKCR", Volume(n), out);
  for (const char* key : {"Tazmor", "Tazmor.ZIP", "Tazmor.REV", "*", "Folder", "Drive",
                          "Directory", "exefile"})
    ExportKey(HKEY_CLASSES_ROOT, "HKCR", key, out);
  ExportKey(HKEY_CLASSES_ROOT, "HKCR", std::string("CLSID\\") + kClassId, out);
  ExportKey(HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions", out);
  ExportKey(HKEY_LOCAL_MACHINE, "HKLM", kUninstallKey, out);
  ExportKey(HKEY_LOCAL_MACHINE, "HKLM", kAppPathKey, out);
  ExportKey(HKEY_CURRENT_USER, "HKCU", "Software\\Tazmor", out);
  return out;
}

struct Line {
  bool added;
  bool key;
  std::string path;  // "HKCR\\.zip\\shellnew"
  std::string name;  // value name, empty for a key or the default value
  std::string data;
};

Line Parse(bool added, const std::string& text) {
  Line line{added, text[0] == 'K', "", "", ""};
  if (line.key) {
    line.path = text.substr(2);
  } else {
    size_t bar = text.find('|');
    size_t eq = text.find('=', bar);
    line.path = text.substr(2, bar - 2);
    line.name = text.substr(bar + 1, eq - bar - 1);
    line.data = text.substr(eq + 1);
  }
  return line;
}

bool HasValues(const Export& e, const std::string& path) {
  auto it = e.lower_bound("V " + path + "|");
  return it != e.end() && it->compare(0, path.size() + 3, "V " + path + "|") == 0;
}

bool StartsWith(const std::string& text, const std::string& head) {
  return text.compare(0, head.size(), head) == 0;
}

// Keys into which setup writes its own keys or values: they may have been
// created by setup and then stay empty.
const char* const kContainers[] = {
    "HKCR\\*\\shellex\\contextmenuhandlers",
    "HKCR\\folder\\shellex\\contextmenuhandlers",
    "HKCR\\folder\\shellex\\dragdrophandlers",
    "HKCR\\drive\\shellex\\dragdrophandlers",
    "HKCR\\directory\\shellex\\contextmenuhandlers",
    "HKCR\\directory\\shellex\\dragdrophandlers",
    "HKCR\\exefile\\shellex\\propertysheethandlers",
    "HKLM\\software\\microsoft\\windows\\currentversion\\shell extensions\\approved",
};

// The handler keys below the shell's own classes: removing the registration
// clears their default value and keeps the key, which other programs' menus
// may share.
const char* const kSharedHandlers[] = {
    "HKCR\\*\\shellex\\contextmenuhandlers\\tazmor",
    "HKCR\\folder\\shellex\\contextmenuhandlers\\tazmor",
    "HKCR\\folder\\shellex\\dragdrophandlers\\tazmor",
    "HKCR\\drive\\shellex\\dragdrophandlers\\tazmor",
    "HKCR\\directory\\shellex\\contextmenuhandlers\\tazmor",
    "HKCR\\directory\\shellex\\dragdrophandlers\\tazmor",
};

struct Allowance {
  const char* reason;
  std::function<bool(const Line&, const Export& before, const Export& after)> applies;
};

// The differences that a setup followed by an uninstall leaves by design.
const std::vector<Allowance>& Allowances() {
  static const std::vector<Allowance> list = {
    {"an extension that had no default value gets the empty text: the saved association "
     "records an empty type, and restoring writes that type back as it is",
     [](const Line& l, const Export& before, const Export&) {
       return l.added && !l.key && l.name.empty() && l.data == "1:" &&
              before.count("K " + l.path) != 0;
     }},
    {"the handler keys below the shell's own classes stay without a default value: other "
     "programs may share them",
     [](const Line& l, const Export&, const Export& after) {
       return l.added && l.key && !HasValues(after, l.path) &&
              std::any_of(std::begin(kSharedHandlers), std::end(kSharedHandlers),
                          [&](const char* k) { return l.path == k; });
     }},
    {"a parent key that setup had to create stays when it holds nothing of ours: it may hold "
     "other programs' entries by then",
     [](const Line& l, const Export&, const Export& after) {
       return l.added && l.key && !HasValues(after, l.path) &&
              std::any_of(std::begin(kContainers), std::end(kContainers), [&](const char* k) {
                std::string c = k;
                return c == l.path || StartsWith(c, l.path + "\\");
              });
     }},
    {"an empty ShellNew key may stay: restoring removes our template value, not the key",
     [](const Line& l, const Export&, const Export& after) {
       return l.added && l.key && l.path.size() > 9 &&
              l.path.compare(l.path.size() - 9, 9, "\\shellnew") == 0 && !HasValues(after, l.path);
     }},
    {"the previous association of .rev and of the volume extensions is not saved: setup binds "
     "them outright",
     [](const Line& l, const Export&, const Export&) {
       if (StartsWith(l.path + "\\", "HKCR\\.rev\\"))
         return true;
       for (int n = 0; n < 30; ++n) {
         if (StartsWith(l.path + "\\", "HKCR\\" + Volume(n) + "\\"))
           return true;
       }
       return false;
     }},
    {"of a previous New-menu entry only its FileName or NullFile value is saved",
     [](const Line& l, const Export&, const Export&) {
       return !l.added && !l.key && l.path.size() > 9 &&
              l.path.compare(l.path.size() - 9, 9, "\\shellnew") == 0 &&
              l.name != "filename" && l.name != "nullfile";
     }},
  };
  return list;
}

void ClearAffected() {
  for (const char* ext : kExtensions)
    DeleteKeyTree(HKEY_CLASSES_ROOT, ext);
  for (int n = 0; n < 100; ++n)
    DeleteKeyTree(HKEY_CLASSES_ROOT, Volume(n));
  for (const char* key : {"Tazmor", "Tazmor.ZIP", "Tazmor.REV"})
    DeleteKeyTree(HKEY_CLASSES_ROOT, key);
  DeleteKeyTree(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kClassId);
  for (const char* handler : kSharedHandlers)
    DeleteKeyTree(HKEY_CLASSES_ROOT, std::string(handler).substr(5));
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kAppPathKey);
  DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Tazmor");
}

}  // namespace

TEST_CASE("setup followed by uninstall gives back the registry that setup found") {
  ClearAffected();
  DeleteKeyTree(HKEY_CURRENT_USER, kAppDefaultsKey);
  // Other programs' associations, of every kind that setup saves.
  WriteString(HKEY_CLASSES_ROOT, ".zip", "", "CompressedFolder");
  WriteString(HKEY_CLASSES_ROOT, ".zip", "Content Type", "application/x-zip-compressed");
  WriteString(HKEY_CLASSES_ROOT, ".zip\\ShellNew", "FileName", "C:\\Templates\\new.zip");
  WriteString(HKEY_CLASSES_ROOT, ".zip\\ShellNew", "Command", "newzip.exe");
  WriteString(HKEY_CLASSES_ROOT, ".cab", "", "CABFolder");
  WriteString(HKEY_CLASSES_ROOT, ".arj", "Content Type", "application/arj");
  WriteString(HKEY_CLASSES_ROOT, ".qel\\ShellNew", "NullFile", "");
  WriteString(HKEY_CLASSES_ROOT, ".q05", "", "OldVolume");
  WriteString(HKEY_CLASSES_ROOT, ".rev", "", "OtherTool.Recovery");
  const Export before = ExportAffected();

  const std::string folder = MakeInstallFolder("C:\\TazmorTest\\life");
  DeleteFileA(ScriptPath().c_str());
  REQUIRE(CopyFromBuild("Tazmor.exe", folder + "\\Tazmor.exe"));
  REQUIRE(CopyFromBuild("vozara.dll", folder + "\\vozara.dll"));
  Started setup;
  REQUIRE(setup.Start("\"" + folder + "\\uninstall.exe\" /s /setup", folder));
  REQUIRE(setup.Wait(60000) == 0);
  const std::string group = SpecialFolder(CSIDL_PROGRAMS) + "\\Tazmor";
  const std::string commonGroup = SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Tazmor";
  std::string value;
  REQUIRE(ReadValue(HKEY_CLASSES_ROOT, ".zip", "", value));
  REQUIRE(value == "Tazmor.ZIP");
  CHECK(FileExists(group + "\\Tazmor.lnk"));
  CHECK(FileExists(commonGroup + "\\Tazmor.lnk"));
  CHECK(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

  WriteTextFile(folder + "\\Uninstall.lst",
                "Tazmor.exe\r\nvozara.dll\r\nqelnew.dat\r\nzipnew.dat\r\n");
  Started p;
  StartAndAnswer(p, folder, IDYES);
  CHECK(p.Wait(60000) == 0);
  CHECK(WaitGone({folder + "\\uninstall.exe", folder, ScriptPath()}, kGoneWithinMs));
  CHECK_FALSE(FileExists(group));
  CHECK_FALSE(FileExists(commonGroup));

  const Export after = ExportAffected();
  std::vector<Line> differences;
  for (const std::string& line : after)
    if (before.count(line) == 0)
      differences.push_back(Parse(true, line));
  for (const std::string& line : before)
    if (after.count(line) == 0)
      differences.push_back(Parse(false, line));
  for (const Line& d : differences) {
    const Allowance* reason = nullptr;
    for (const Allowance& a : Allowances()) {
      if (a.applies(d, before, after)) {
        reason = &a;
        break;
      }
    }
    std::string shown = (d.added ? "added " : "lost ") + d.path +
                        (d.key ? "" : " | " + d.name + " = " + d.data);
    CHECK_MESSAGE(reason != nullptr, "unexplained difference: ", shown);
    if (reason != nullptr)
      MESSAGE(shown, " -- ", std::string(reason->reason));
  }
  ClearAffected();
}
