// Shell extension and application path: the registration through which the
// shell finds "vozara.dll" and "Tazmor.exe", written on setup and removed again.
#include "registry/registry.h"
#include "setup/setup.h"
#include "support/support.h"

constexpr char kExtensionClassId[] = "{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}";
constexpr char kExtensionLibrary[] = "vozara.dll";
constexpr char kClassKey[] = "CLSID\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}";
constexpr char kServerKey[] = "CLSID\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}\\InProcServer32";
constexpr char kApprovedKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Tazmor.exe";

// Handlers below the product's own classes and "exefile": keys of their own,
// named by the class identifier, with an empty default value. Removing them
// removes the keys.
const char* const kOwnedHandlerKeys[] = {
  "Tazmor\\shellex\\ContextMenuHandlers\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}",
  "Tazmor\\shellex\\PropertySheetHandlers\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}",
  "Tazmor.ZIP\\shellex\\ContextMenuHandlers\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}",
  "Tazmor.ZIP\\shellex\\PropertySheetHandlers\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}",
  "exefile\\shellex\\PropertySheetHandlers\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}",
};

// Handlers whose default value names the class. The drop handlers sit below
// the product's classes and go with them; the "Tazmor" keys below the shell's
// own classes keep the key on removal and lose only the value.
const char* const kDropHandlerKeys[] = {
  "Tazmor\\shellex\\DropHandler",
  "Tazmor.ZIP\\shellex\\DropHandler",
};
const char* const kSharedHandlerKeys[] = {
  "*\\shellex\\ContextMenuHandlers\\Tazmor",
  "Folder\\shellex\\ContextMenuHandlers\\Tazmor",
  "Folder\\shellex\\DragDropHandlers\\Tazmor",
  "Drive\\shellex\\DragDropHandlers\\Tazmor",
  "Directory\\shellex\\ContextMenuHandlers\\Tazmor",
  "Directory\\shellex\\DragDropHandlers\\Tazmor",
};

static void WriteExtensionRegistration() {
  // The class is registered only when its library is there to be loaded;
  // the handler keys name the class either way.
  char library[kPathChars];
  if (ExeSiblingPath(library, sizeof library, kExtensionLibrary) &&
      GetFileAttributesA(library) != INVALID_FILE_ATTRIBUTES) {
    WriteRegString(HKEY_CLASSES_ROOT, kClassKey, "", "Tazmor");
    WriteRegString(HKEY_CLASSES_ROOT, kServerKey, "", library);
    WriteRegString(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", "Apartment");
  }
  for (const char* key : kOwnedHandlerKeys)
    WriteRegString(HKEY_CLASSES_ROOT, key, "", "");
  for (const char* key : kDropHandlerKeys)
    WriteRegString(HKEY_CLASSES_ROOT, key, "", kExtensionClassId);
  for (const char* key : kSharedHandlerKeys)
    WriteRegString(HKEY_CLASSES_ROOT, key, "", kExtensionClassId);
  WriteRegString(HKEY_LOCAL_MACHINE, kApprovedKey, kExtensionClassId, "Tazmor shell extension");
}

static void RemoveExtensionRegistration() {
  // Child before parent: a key deletion does not descend.
  DeleteRegKey(HKEY_CLASSES_ROOT, kServerKey);
  DeleteRegKey(HKEY_CLASSES_ROOT, kClassKey);
  for (const char* key : kOwnedHandlerKeys)
    DeleteRegKey(HKEY_CLASSES_ROOT, key);
  for (const char* key : kDropHandlerKeys)
    DeleteRegKey(HKEY_CLASSES_ROOT, key);
  for (const char* key : kSharedHandlerKeys)
    DeleteRegValue(HKEY_CLASSES_ROOT, key, "");
  // Other programs' approvals share the key: only our value goes.
  DeleteRegValue(HKEY_LOCAL_MACHINE, kApprovedKey, kExtensionClassId);
}

void RegisterAppPath() {
  char path[kPathChars];
  if (ExeSiblingPath(path, sizeof path, "Tazmor.exe"))
    WriteRegString(HKEY_LOCAL_MACHINE, kAppPathKey, "", path);
  // The folder the program was started in, as the installer chose it.
  char folder[kPathChars];
  DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
  if (length > 0 && length < sizeof folder)
    WriteRegString(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", folder);
}

void RegisterShellExtension(const SetupOptions& options) {
  if (options.ShellExt)
    WriteExtensionRegistration();
  else
    RemoveExtensionRegistration();
}
