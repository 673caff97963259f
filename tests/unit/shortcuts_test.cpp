// Shortcuts and program groups under Wine's real shell. The special folders
// are pointed into a scratch folder on drive C: through "User Shell Folders"
// values in the registry sandbox; shortcuts are read back through the shell
// link object.
#include <doctest.h>

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <cwchar>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "common/files.h"
#include "common/sandbox.h"
#include "setup/setup.h"

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";


bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}


void WriteFile(const std::string& path, const char* text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  REQUIRE(file != INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ::WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
  CloseHandle(file);
}

std::string FolderPath(int csidl) {
  char path[MAX_PATH] = {};
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items)))
    return "";
  SHGetPathFromIDListA(items, path);
  CoTaskMemFree(items);
  return path;
}

// What a saved shortcut says.
struct Link {
  bool Loaded = false;
  std::string Target;
  std::string Description;
};

Link ReadLink(const std::string& path) {
  Link link;
  IShellLinkA* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shellLink))))
    return link;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      char text[MAX_PATH] = {};
      shellLink->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
      link.Target = text;
      text[0] = '\0';
      shellLink->GetDescription(text, MAX_PATH);
      link.Description = text;
      link.Loaded = true;
    }
    file->Release();
  }
  shellLink->Release();
  return link;
}

// OLE for the link object, as the program's entry point provides it.
struct Ole {
  Ole() { OleInitialize(nullptr); }
  ~Ole() { OleUninitialize(); }
};

SetupOptions Options(bool desktop, bool startMenu, bool programs) {
  SetupOptions options = {};
  options.Desktop = desktop;
  options.StartMenu = startMenu;
  options.Programs = programs;
  return options;
}

// The program's own string table, read from uninstall.exe as data only.
struct ProgramStrings {
  ProgramStrings() {
    Module = LoadLibraryExA((ExeFolder() + "\\uninstall.exe").c_str(), nullptr,
                            LOAD_LIBRARY_AS_DATAFILE);
    REQUIRE(Module != nullptr);
    ResourceModule = Module;
    ExeModule = Module;
  }
  ~ProgramStrings() {
    ResourceModule = nullptr;
    ExeModule = nullptr;
    FreeLibrary(Module);
  }
  HMODULE Module = nullptr;
};

// A registry sandbox whose "User Shell Folders" point the four folders that
// shortcuts use into a fresh scratch folder.
struct ShellFolders {
  ShellFolders() {
    Root = "C:\\tazmor-shortcuts-" + std::to_string(GetCurrentProcessId());
    RemoveTree(Root);
    CreateDirectoryA(Root.c_str(), nullptr);
    Desktop = MakeFolder("Desktop");
    StartMenu = MakeFolder("Start Menu");
    Programs = MakeFolder("Start Menu\\Programs");
    CommonPrograms = MakeFolder("Common Programs");
    Point(HKEY_CURRENT_USER, "Desktop", Desktop);
    Point(HKEY_CURRENT_USER, "Start Menu", StartMenu);
    Point(HKEY_CURRENT_USER, "Programs", Programs);
    Point(HKEY_LOCAL_MACHINE, "Common Programs", CommonPrograms);
  }
  ~ShellFolders() { RemoveTree(Root); }

  std::string MakeFolder(const char* name) {
    std::string path = Root + "\\" + name;
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
  }
  static void Point(HKEY root, const char* name, const std::string& path) {
    HKEY key;
    REQUIRE(RegCreateKeyExA(root, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) == ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
    RegCloseKey(key);
  }

  Ole ole;
  RegistrySandbox sandbox;
  ProgramStrings strings;
  std::string Root, Desktop, StartMenu, Programs, CommonPrograms;
};

bool IsNt() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExA(&info);
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Names of the three group entries with their targets beside the executable.
struct Entry {
  const char* File;
  const char* Target;
};
const Entry kGroupEntries[] = {
  {"Tazmor.lnk", "Tazmor.exe"},
  {"Tazmor help.lnk", "Tazmor.hlp"},
  {"Console QEL manual.lnk", "Qel.txt"},
};

void CheckGroup(const std::string& group) {
  for (const Entry& entry : kGroupEntries) {
    CAPTURE(entry.File);
    Link link = ReadLink(group + "\\" + entry.File);
    REQUIRE(link.Loaded);
    CHECK(link.Target == ExeFolder() + "\\" + entry.Target);
    CHECK(link.Description == "Tazmor");
  }
}

}  // namespace

TEST_CASE("the special folders follow the sandbox's User Shell Folders") {
  ShellFolders folders;
  CHECK(FolderPath(CSIDL_DESKTOPDIRECTORY) == folders.Desktop);
  CHECK(FolderPath(CSIDL_STARTMENU) == folders.StartMenu);
  CHECK(FolderPath(CSIDL_PROGRAMS) == folders.Programs);
  CHECK(FolderPath(CSIDL_COMMON_PROGRAMS) == folders.CommonPrograms);
}

TEST_CASE("a set flag creates the desktop or start-menu shortcut and a cleared flag deletes it") {
  ShellFolders folders;
  struct Case { bool desktop, startMenu; };
  const Case cases[] = {{true, false}, {false, true}, {true, true}, {false, false}};
  for (const Case& c : cases) {
    CAPTURE(c.desktop);
    CAPTURE(c.startMenu);
    // Whoever made a "Tazmor.lnk" there, a cleared flag removes it.
    WriteFile(folders.Desktop + "\\Tazmor.lnk", "someone else's");
    WriteFile(folders.StartMenu + "\\Tazmor.lnk", "someone else's");
    UpdateShortcuts(Options(c.desktop, c.startMenu, false), nullptr);
    const std::pair<bool, std::string> places[] = {{c.desktop, folders.Desktop},
                                                   {c.startMenu, folders.StartMenu}};
    for (const auto& place : places) {
      CAPTURE(place.second);
      Link link = ReadLink(place.second + "\\Tazmor.lnk");
      CHECK(link.Loaded == place.first);
      CHECK(Exists(place.second + "\\Tazmor.lnk") == place.first);
      if (place.first) {
        CHECK(link.Target == ExeFolder() + "\\Tazmor.exe");
        CHECK(link.Description == "Tazmor");
      }
    }
    // Neither flag touches the program groups.
    CHECK_FALSE(Exists(folders.Programs + "\\Tazmor"));
  }
}

TEST_CASE("the program groups get three shortcuts and the buffer names the per-user one") {
  ShellFolders folders;
  char groupPath[kPathChars] = {};
  UpdateShortcuts(Options(false, false, true), groupPath);

  CHECK(std::string(groupPath) == folders.Programs + "\\Tazmor");
  CheckGroup(folders.Programs + "\\Tazmor");
  // The group for all users belongs to the NT family; 9x never sees it.
  if (IsNt()) {
    CheckGroup(folders.CommonPrograms + "\\Tazmor");
  } else {
    CHECK_FALSE(Exists(folders.CommonPrograms + "\\Tazmor"));
  }
  CHECK_FALSE(Exists(folders.Desktop + "\\Tazmor.lnk"));
  CHECK_FALSE(Exists(folders.StartMenu + "\\Tazmor.lnk"));

  // A second run overwrites what is there and leaves the user's files alone.
  WriteFile(folders.Programs + "\\Tazmor\\mine.txt", "mine");
  UpdateShortcuts(Options(false, false, true), nullptr);
  CheckGroup(folders.Programs + "\\Tazmor");
  CHECK(Exists(folders.Programs + "\\Tazmor\\mine.txt"));
}

// The prefix's $XDG_DATA_HOME as seen from Windows (Z: is the Linux root).
static std::string HostDataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  REQUIRE(data != nullptr);
  std::string path = std::string("Z:") + data;
  for (char& c : path) {
    if (c == '/')
      c = '\\';
  }
  return path;
}

TEST_CASE("a cleared Programs flag deletes the groups with the user's files and bypasses the trash") {
  ShellFolders folders;
  const std::string trash = HostDataFolder() + "\\Trash";
  RemoveTree(trash);

  // A delete that allows undo does fill the host's trash here, so its
  // absence below means something.
  std::string probe = folders.Root + "\\probe.txt";
  WriteFile(probe, "probe");
  std::vector<char> from(probe.begin(), probe.end());
  from.insert(from.end(), 2, '\0');
  SHFILEOPSTRUCTA op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.data();
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_ALLOWUNDO;
  SHFileOperationA(&op);
  REQUIRE(Exists(trash));
  RemoveTree(trash);

  const std::string groups[] = {folders.Programs + "\\Tazmor",
                                folders.CommonPrograms + "\\Tazmor"};
  for (const std::string& group : groups) {
    CreateDirectoryA(group.c_str(), nullptr);
    CreateDirectoryA((group + "\\old").c_str(), nullptr);
    WriteFile(group + "\\Tazmor.lnk", "link");
    WriteFile(group + "\\old\\notes.txt", "the user's notes");
    SetFileAttributesA((group + "\\old\\notes.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  }
  char groupPath[kPathChars] = "untouched";
  UpdateShortcuts(Options(false, false, false), groupPath);

  CHECK(std::string(groupPath) == "untouched");
  CHECK_FALSE(Exists(groups[0]));
  // On 9x the all-users folder is never touched.
  CHECK(Exists(groups[1]) == !IsNt());
  CHECK(Exists(folders.Programs));
  CHECK_FALSE(Exists(trash));
  SetFileAttributesA((groups[1] + "\\old\\notes.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_CASE("group shortcut names come from the string table, only the first is fixed") {
  ShellFolders folders;
  // A copy of the program whose string table says something else, with a
  // manual name that would lead out of the group folder.
  std::string names = folders.Root + "\\names.dll";
  REQUIRE(CopyFileA((ExeFolder() + "\\uninstall.exe").c_str(), names.c_str(), FALSE));
  std::vector<WCHAR> block;
  const wchar_t* const texts[] = {L"Aide de Tazmor", L"..\\Manuel"};
  for (int i = 0; i < 16; ++i) {
    const wchar_t* text = i == 14 ? texts[0] : i == 15 ? texts[1] : L"";
    block.push_back(static_cast<WCHAR>(std::wcslen(text)));
    block.insert(block.end(), text, text + std::wcslen(text));
  }
  HANDLE update = BeginUpdateResourceA(names.c_str(), TRUE);
  REQUIRE(update != nullptr);
  // Strings 5088 to 5103 form block 319; 5102 and 5103 are its last two.
  REQUIRE(UpdateResourceA(update, RT_STRING, MAKEINTRESOURCEA(319),
                          MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), block.data(),
                          static_cast<DWORD>(block.size() * sizeof(WCHAR))));
  REQUIRE(EndUpdateResourceA(update, FALSE));
  HMODULE module = LoadLibraryExA(names.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  REQUIRE(module != nullptr);
  ResourceModule = module;
  ExeModule = module;

  UpdateShortcuts(Options(false, false, true), nullptr);
  const std::string group = folders.Programs + "\\Tazmor";
  CHECK(ReadLink(group + "\\Tazmor.lnk").Target == ExeFolder() + "\\Tazmor.exe");
  Link help = ReadLink(group + "\\Aide de Tazmor.lnk");
  CHECK(help.Loaded);
  CHECK(help.Target == ExeFolder() + "\\Tazmor.hlp");
  // The name that would escape the group is not used at all.
  CHECK_FALSE(Exists(folders.Programs + "\\Manuel.lnk"));
  CHECK_FALSE(Exists(group + "\\Console QEL manual.lnk"));

  ResourceModule = folders.strings.Module;
  ExeModule = folders.strings.Module;
  FreeLibrary(module);
}

TEST_CASE("CreateShortcut saves only where the whole name fits and the folder exists") {
  ShellFolders folders;
  const std::string target = ExeFolder() + "\\Tazmor.exe";
  struct Case { std::string path; bool saved; };
  const Case cases[] = {
    {folders.Root + "\\plain.lnk", true},
    {folders.Root + "\\missing\\plain.lnk", false},
    // 259 characters and the terminator fill the wide name exactly.
    {folders.Root + "\\" + std::string(259 - folders.Root.size() - 5, 'a') + ".lnk", true},
    {folders.Root + "\\" + std::string(260 - folders.Root.size() - 5, 'b') + ".lnk", false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.path);
    CHECK(CreateShortcut(target.c_str(), c.path.c_str(), "Tazmor") == c.saved);
    CHECK(Exists(c.path) == c.saved);
    if (c.saved)
      CHECK(ReadLink(c.path).Description == "Tazmor");
  }
  // Nothing was saved under a cut name either.
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folders.Root + "\\b*").c_str(), &found);
  CHECK(search == INVALID_HANDLE_VALUE);
  if (search != INVALID_HANDLE_VALUE)
    FindClose(search);
}

TEST_CASE("DeleteFolderTree deletes a whole tree and reports a missing one") {
  ShellFolders folders;
  char path[kPathChars + 1] = {};
  std::string tree = folders.Root + "\\tree";
  CreateDirectoryA(tree.c_str(), nullptr);
  CreateDirectoryA((tree + "\\sub").c_str(), nullptr);
  WriteFile(tree + "\\sub\\file.txt", "x");
  std::strcpy(path, tree.c_str());
  CHECK(DeleteFolderTree(path));
  CHECK_FALSE(Exists(tree));
  CHECK(Exists(folders.Root));

  std::strcpy(path, tree.c_str());
  CHECK_FALSE(DeleteFolderTree(path));
}

// True when no folder on the way from the drive's root to `path` is a link
// (Wine shows a Unix symbolic link as a reparse point).
static bool NoLinkOnTheWay(const std::string& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '\\')
      continue;
    DWORD attributes = GetFileAttributesA(path.substr(0, i).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return false;
  }
  return true;
}

TEST_CASE("the real desktop and start-menu shortcuts land inside the prefix") {
  Ole ole;
  const int folders[] = {CSIDL_DESKTOPDIRECTORY, CSIDL_STARTMENU};
  UpdateShortcuts(Options(true, true, false), nullptr);
  const char* prefix = std::getenv("WINEPREFIX");
  REQUIRE(prefix != nullptr);
  for (int folder : folders) {
    std::string path = FolderPath(folder);
    CAPTURE(path);
    REQUIRE(path.size() > 3);
    CHECK(path.compare(0, 3, "C:\\") == 0);
    CHECK(NoLinkOnTheWay(path));
    // The same file seen through the Linux root: inside the prefix's drive_c.
    std::string unixView = std::string("Z:") + prefix + "\\drive_c" + path.substr(2);
    for (char& c : unixView) {
      if (c == '/')
        c = '\\';
    }
    CHECK(Exists(unixView + "\\Tazmor.lnk"));
  }
  UpdateShortcuts(Options(false, false, false), nullptr);
  for (int folder : folders)
    CHECK_FALSE(Exists(FolderPath(folder) + "\\Tazmor.lnk"));
}
