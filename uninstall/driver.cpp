// The uninstall run: confirmation, undoing every integration, deleting what
// "Uninstall.lst" names, then the hand-over to the removal script.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "app/app.h"
#include "app/res/resource.h"
#include "registry/registry.h"
#include "setup/setup.h"
#include "uninstall/uninstall.h"

static constexpr char kListFile[] = "Uninstall.lst";
// Index files that the help viewer leaves beside the help file; no list can
// know of them.
static const char* const kHelpIndexFiles[] = {"tazmor.gid", "tazmor.fts"};

static const char* const kClassKeys[] = {"Tazmor", "Tazmor.ZIP", "Tazmor.REV"};
static constexpr char kRevExt[] = ".rev";
static constexpr char kRevClass[] = "Tazmor.REV";
static constexpr char kUninstallEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tazmor archiver";
static constexpr char kAppPathKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Tazmor.exe";

// Room for a class name read back from ".rev"; a longer one is not ours.
static constexpr DWORD kClassNameChars = 64;
static constexpr size_t kMessageChars = 2 * kUiStringChars;

void UnregisterAll() {
  const SetupOptions allOff = {};
  // The saved associations live under the product key, which goes last.
  UpdateAssociations(allOff);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
  RegisterShellExtension(allOff);
  UpdateShortcuts(allOff, nullptr);
  for (const char* key : kClassKeys)
    DeleteRegTree(HKEY_CLASSES_ROOT, key);
  // A program that claimed ".rev" after our setup keeps it.
  char revClass[kClassNameChars] = {};
  ReadRegString(HKEY_CLASSES_ROOT, kRevExt, "", revClass, "", sizeof revClass);
  if (CompareNoCase(revClass, kRevClass) == 0)
    DeleteRegTree(HKEY_CLASSES_ROOT, kRevExt);
  DeleteRegKey(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
  DeleteRegKey(HKEY_LOCAL_MACHINE, kAppPathKey);
  DeleteRegTree(HKEY_CURRENT_USER, "");
}

bool ListEntryPath(const char* folder, const char* entry, char* out, size_t size) {
  if (size == 0)
    return false;
  out[0] = '\0';
  if (!IsRelativeListEntry(SystemLeadBytes, entry))
    return false;
  char joined[kPathChars];
  if (!CopyText(joined, sizeof joined, folder) || !AppendText(joined, sizeof joined, entry))
    return false;
  char* name = nullptr;
  DWORD n = GetFullPathNameA(joined, static_cast<DWORD>(size), out, &name);
  if (n == 0 || n >= size) {
    out[0] = '\0';
    return false;
  }
  return LiesInsideFolder(folder, out);
}

// Clears the attributes first, so that read-only and hidden entries go too.
static bool RemoveEntry(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  SetFileAttributesA(path, 0);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return RemoveDirectoryA(path) != 0;
  return DeleteFileA(path) != 0;
}

// One pass over the whole list; returns the number of entries removed.
static int DeletionPass(std::FILE* list, const char* folder) {
  int removed = 0;
  char line[kListLineChars];
  char path[kPathChars];
  ListLine kind;
  while ((kind = ReadListLine(list, line, sizeof line)) != ListLine::End) {
    if (kind == ListLine::Entry && ListEntryPath(folder, line, path, sizeof path) &&
        RemoveEntry(path))
      ++removed;
  }
  return removed;
}

// A folder named before its contents goes in the pass after the one that
// emptied it; a pass that removes nothing ends the deletion.
static void DeleteListedEntries(std::FILE* list, const char* folder) {
  while (DeletionPass(list, folder) != 0) {
    if (std::fseek(list, 0, SEEK_SET) != 0)
      break;
  }
}

static bool AskToContinue() {
  return MessageBoxA(nullptr, LoadUiString(IDS_CONFIRM), LoadUiString(IDS_UNINSTALL_CAPTION),
                     MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

static void ReportMissingList() {
  char text[kMessageChars];
  FormatWithText(text, sizeof text, LoadUiString(IDS_NO_LIST), kListFile);
  MessageBoxA(nullptr, text, LoadUiString(IDS_UNINSTALL_CAPTION),
              MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void RunUninstall() {
  char exePath[kPathChars] = {};
  DWORD n = GetModuleFileNameA(nullptr, exePath, sizeof exePath);
  if (n == 0 || n >= sizeof exePath)
    return;  // a cut path would name another file and another folder
  // One more character for the backslash that AddPathSlash appends.
  char folder[kPathChars + 1];
  if (!InstallFolderOf(SystemLeadBytes, exePath, folder, kPathChars))
    return;
  // The list, the help index files and the script's start folder are all
  // relative to the current folder: never go on from any other.
  if (!SetCurrentDirectoryA(folder))
    return;
  AddPathSlash(folder);
  // Entries are checked against the canonical form of the folder, the form
  // that their own full paths take.
  char canonicalFolder[kPathChars];
  char* name = nullptr;
  n = GetFullPathNameA(folder, sizeof canonicalFolder, canonicalFolder, &name);
  if (n == 0 || n >= sizeof canonicalFolder)
    return;

  if (!AskToContinue())
    return;
  std::FILE* list = std::fopen(kListFile, "rb");
  if (list == nullptr) {
    ReportMissingList();
    return;
  }

  UnregisterAll();
  // From here on strings come from the executable, and the language library
  // can be deleted like any other listed file.
  LanguageLibrary.Unload();
  for (const char* file : kHelpIndexFiles) {
    SetFileAttributesA(file, 0);
    DeleteFileA(file);
  }
  DeleteListedEntries(list, canonicalFolder);
  std::fclose(list);
  DeleteFileA(kListFile);

  WriteSelfRemovalScript(exePath);
}
