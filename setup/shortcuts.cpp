// Shortcuts and program groups: the desktop and start-menu shortcut and the
// "Tazmor" program groups, created for set flags and removed for cleared ones.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>

#include <cstring>

#include "app/app.h"
#include "app/res/resource.h"
#include "setup/setup.h"
#include "support/support.h"

// The link object takes the shortcut's name as a wide string of at most this
// many characters, terminator included.
constexpr int kLinkNameChars = MAX_PATH;
constexpr int kGroupEntries = 3;

static const char kMainProgram[] = "Tazmor.exe";
static const char kLinkFile[] = "Tazmor.lnk";
static const char kGroupName[] = "Tazmor";
static const char kDescription[] = "Tazmor";
static const char kLinkExtension[] = ".lnk";

// One shortcut of a program group: its name without ".lnk" and the file
// beside the executable that it points to.
struct GroupEntry {
  const char* Name;
  char Target[kPathChars];
};

// Path of a special folder, or false when the shell cannot locate it. The
// item list is handed back to the shell's allocator.
static bool SpecialFolderPath(IMalloc* allocator, int folder, char* out) {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &items)) || items == nullptr)
    return false;
  // The shell writes at most MAX_PATH characters into a kPathChars buffer.
  bool found = SHGetPathFromIDListA(items, out) != FALSE;
  allocator->Free(items);
  return found && out[0] != '\0';
}

// Joins folder, a backslash and name into out; false when it does not fit.
static bool JoinPath(char* out, const char* folder, const char* name, const char* extension) {
  if (!CopyText(out, kPathChars, folder) || std::strlen(out) + 1 >= kPathChars)
    return false;
  AddPathSlash(out);
  return AppendText(out, kPathChars, name) && AppendText(out, kPathChars, extension);
}

// A translated name is used only as a file name: one that is empty or would
// lead out of the group folder (a separator or a drive colon) is not used.
static bool IsPlainFileName(const char* name) {
  if (name[0] == '\0')
    return false;
  for (const char* p = name; *p != '\0'; p = NextChar(SystemLeadBytes, p)) {
    if (IsPathSeparator(*p) || IsDriveColon(*p))
      return false;
  }
  return true;
}

// The desktop or start-menu shortcut: created when `create`, else deleted.
static void UpdateFolderLink(IMalloc* allocator, int folder, bool create, const char* target) {
  char path[kPathChars];
  char link[kPathChars];
  if (!SpecialFolderPath(allocator, folder, path) || !JoinPath(link, path, kLinkFile, ""))
    return;
  if (create)
    CreateShortcut(target, link, kDescription);
  else
    DeleteFileA(link);
}

// The "Tazmor" group below a programs folder: made with its shortcuts when
// `create`, else deleted with whatever it holds. `groupPath`, when given,
// receives the group folder of a created group.
static void UpdateGroup(IMalloc* allocator, int folder, bool create, const GroupEntry* entries,
                        char* groupPath) {
  char programs[kPathChars];
  // One more character than a path for the second terminator of the delete.
  char group[kPathChars + 1];
  if (!SpecialFolderPath(allocator, folder, programs) || !JoinPath(group, programs, kGroupName, ""))
    return;
  if (!create) {
    DeleteFolderTree(group);
    return;
  }
  if (groupPath != nullptr)
    CopyText(groupPath, kPathChars, group);
  CreateDirectoryA(group, nullptr);
  for (int i = 0; i < kGroupEntries; ++i) {
    char link[kPathChars];
    if (IsPlainFileName(entries[i].Name) && entries[i].Target[0] != '\0' &&
        JoinPath(link, group, entries[i].Name, kLinkExtension))
      CreateShortcut(entries[i].Target, link, kDescription);
  }
}

void UpdateShortcuts(const SetupOptions& options, char* programGroupPath) {
  char mainProgram[kPathChars];
  if (!ExeSiblingPath(mainProgram, sizeof mainProgram, kMainProgram))
    return;
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr)
    return;

  UpdateFolderLink(allocator, CSIDL_DESKTOPDIRECTORY, options.Desktop != 0, mainProgram);
  UpdateFolderLink(allocator, CSIDL_STARTMENU, options.StartMenu != 0, mainProgram);

  // The names are fetched once and kept: the string buffers rotate.
  char helpName[kUiStringChars];
  char manualName[kUiStringChars];
  CopyText(helpName, sizeof helpName, LoadUiString(IDS_HELP_LINK));
  CopyText(manualName, sizeof manualName, LoadUiString(IDS_MANUAL_LINK));
  GroupEntry entries[kGroupEntries] = {{kGroupName, {}}, {helpName, {}}, {manualName, {}}};
  CopyText(entries[0].Target, kPathChars, mainProgram);
  ExeSiblingPath(entries[1].Target, kPathChars, "Tazmor.hlp");
  ExeSiblingPath(entries[2].Target, kPathChars, "Qel.txt");

  bool programs = options.Programs != 0;
  UpdateGroup(allocator, CSIDL_PROGRAMS, programs, entries, programGroupPath);
  // The group for all users exists on the NT family only.
  if (NtMajorVersion() != 0)
    UpdateGroup(allocator, CSIDL_COMMON_PROGRAMS, programs, entries, nullptr);

  allocator->Release();
}

bool CreateShortcut(const char* target, const char* shortcutPath, const char* description) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return false;
  link->SetPath(target);
  link->SetDescription(description);
  bool saved = false;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    // A name that does not fit is refused, not cut: a cut name would save the
    // shortcut somewhere else.
    WCHAR wideName[kLinkNameChars];
    if (MultiByteToWideChar(CP_ACP, 0, shortcutPath, -1, wideName, kLinkNameChars) > 0)
      saved = SUCCEEDED(file->Save(wideName, TRUE));
    file->Release();
  }
  link->Release();
  return saved;
}

bool DeleteFolderTree(char* path) {
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
    return false;
  // The shell takes a list that ends with an empty entry.
  path[std::strlen(path) + 1] = '\0';
  SHFILEOPSTRUCTA operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = path;
  // No FOF_ALLOWUNDO: the group goes for good, not into the recycle bin.
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
  return SHFileOperationA(&operation) == 0;
}
