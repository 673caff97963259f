// Shell-extension registration and application path in a registry sandbox,
// and the stand-in shell extension itself. The test executable lies in the
// build folder beside vozara.dll, so "beside the executable" means there.
#include <doctest.h>

#include <windows.h>
#include <objbase.h>

#include <cstring>
#include <string>

#include "common/sandbox.h"
#include "setup/setup.h"

namespace {

const char kClassId[] = "{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}";
const char kClassKey[] = "CLSID\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}";
const char kServerKey[] = "CLSID\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}\\InProcServer32";
const char kApprovedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Tazmor.exe";
const CLSID kExtensionClass = {0x7E3A5C21, 0x94D0, 0x4B6F,
                               {0x8A, 0x12, 0xC0, 0x5D, 0x3E, 0x69, 0xF4, 0xB8}};

// The handler keys with what their default value holds after registration;
// the first seven go on removal, the others only lose that value.
struct Handler {
  const char* Key;
  const char* Default;
};
const Handler kHandlers[] = {
  {"Tazmor\\shellex\\ContextMenuHandlers\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}", ""},
  {"Tazmor\\shellex\\PropertySheetHandlers\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}", ""},
  {"Tazmor.ZIP\\shellex\\ContextMenuHandlers\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}", ""},
  {"Tazmor.ZIP\\shellex\\PropertySheetHandlers\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}", ""},
  {"exefile\\shellex\\PropertySheetHandlers\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}", ""},
  {"Tazmor\\shellex\\DropHandler", kClassId},
  {"Tazmor.ZIP\\shellex\\DropHandler", kClassId},
  {"*\\shellex\\ContextMenuHandlers\\Tazmor", kClassId},
  {"Folder\\shellex\\ContextMenuHandlers\\Tazmor", kClassId},
  {"Folder\\shellex\\DragDropHandlers\\Tazmor", kClassId},
  {"Drive\\shellex\\DragDropHandlers\\Tazmor", kClassId},
  {"Directory\\shellex\\ContextMenuHandlers\\Tazmor", kClassId},
  {"Directory\\shellex\\DragDropHandlers\\Tazmor", kClassId},
};
constexpr int kRemovedHandlers = 7;

std::string ExeFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  *std::strrchr(path, '\\') = '\0';
  return path;
}

bool KeyExists(HKEY root, const char* path) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// A REG_SZ value; false when the key or the value is missing or of another type.
bool ReadText(HKEY root, const char* path, const char* name, std::string& out) {
  out.clear();
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  char text[1024] = {};
  DWORD size = sizeof text - 1;
  DWORD type = 0;
  LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ)
    return false;
  out = text;
  return true;
}

bool HasValue(HKEY root, const char* path, const char* name) {
  std::string ignored;
  return ReadText(root, path, name, ignored);
}

void WriteText(HKEY root, const char* path, const char* name, const char* text) {
  HKEY key;
  REQUIRE(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
          ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
  RegCloseKey(key);
}

SetupOptions ShellExtOptions(bool on) {
  SetupOptions options = {};
  options.ShellExt = on;
  return options;
}

bool IsNt() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExA(&info);
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

TEST_CASE("registration writes the class, the thirteen handler keys and the approval") {
  RegistrySandbox sandbox;
  const std::string library = ExeFolder() + "\\vozara.dll";
  REQUIRE(GetFileAttributesA(library.c_str()) != INVALID_FILE_ATTRIBUTES);
  RegisterShellExtension(ShellExtOptions(true));

  std::string text;
  CHECK(ReadText(HKEY_CLASSES_ROOT, kClassKey, "", text));
  CHECK(text == "Tazmor");
  CHECK(ReadText(HKEY_CLASSES_ROOT, kServerKey, "", text));
  CHECK(text == library);
  CHECK(ReadText(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", text));
  CHECK(text == "Apartment");
  for (const Handler& handler : kHandlers) {
    CAPTURE(handler.Key);
    CHECK(ReadText(HKEY_CLASSES_ROOT, handler.Key, "", text));
    CHECK(text == handler.Default);
  }
  CHECK(ReadText(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId, text));
  CHECK(text == "Tazmor shell extension");
  // Nothing lands in the user's part of the registry.
  CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Tazmor"));
}

TEST_CASE("removal deletes the own keys, only the values of the shared ones and only our approval") {
  RegistrySandbox sandbox;
  const char otherApproval[] = "{00000000-1111-2222-3333-444444444444}";
  WriteText(HKEY_LOCAL_MACHINE, kApprovedKey, otherApproval, "Another extension");
  WriteText(HKEY_CLASSES_ROOT, kHandlers[7].Key, "Other", "kept");
  RegisterShellExtension(ShellExtOptions(true));

  // A second removal finds nothing to remove and changes nothing.
  for (int round = 0; round < 2; ++round) {
    CAPTURE(round);
    RegisterShellExtension(ShellExtOptions(false));
    CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, kServerKey));
    CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    CHECK(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    for (int i = 0; i < static_cast<int>(sizeof kHandlers / sizeof kHandlers[0]); ++i) {
      CAPTURE(kHandlers[i].Key);
      CHECK(KeyExists(HKEY_CLASSES_ROOT, kHandlers[i].Key) == (i >= kRemovedHandlers));
      CHECK_FALSE(HasValue(HKEY_CLASSES_ROOT, kHandlers[i].Key, ""));
    }
    // The parents of the removed keys stay.
    CHECK(KeyExists(HKEY_CLASSES_ROOT, "Tazmor\\shellex\\ContextMenuHandlers"));
    CHECK(KeyExists(HKEY_CLASSES_ROOT, "exefile\\shellex\\PropertySheetHandlers"));
    std::string text;
    CHECK(ReadText(HKEY_CLASSES_ROOT, kHandlers[7].Key, "Other", text));
    CHECK(text == "kept");
    CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId));
    CHECK(ReadText(HKEY_LOCAL_MACHINE, kApprovedKey, otherApproval, text));
    CHECK(text == "Another extension");
  }
}

TEST_CASE("an all-off record removes the registration the same way") {
  RegistrySandbox sandbox;
  RegisterShellExtension(ShellExtOptions(true));
  SetupOptions allOff = {};
  RegisterShellExtension(allOff);
  CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
  CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, kHandlers[0].Key));
  CHECK(KeyExists(HKEY_CLASSES_ROOT, kHandlers[12].Key));
  CHECK_FALSE(HasValue(HKEY_CLASSES_ROOT, kHandlers[12].Key, ""));
  CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId));
}

TEST_CASE("on NT a handler key that holds a sub-key is not removed") {
  RegistrySandbox sandbox;
  RegisterShellExtension(ShellExtOptions(true));
  std::string child = std::string(kHandlers[0].Key) + "\\Child";
  WriteText(HKEY_CLASSES_ROOT, child.c_str(), "", "someone's");
  RegisterShellExtension(ShellExtOptions(false));
  if (IsNt()) {
    CHECK(KeyExists(HKEY_CLASSES_ROOT, child.c_str()));
  }
  // The key beside it, without children, is gone on either family.
  CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, kHandlers[1].Key));
}

TEST_CASE("the application path names Tazmor.exe beside the program and the current folder") {
  RegistrySandbox sandbox;
  char saved[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof saved, saved);
  // A current folder other than the program's own: "Path" must follow it.
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, sizeof windows);
  REQUIRE(SetCurrentDirectoryA(windows));
  RegisterAppPath();
  SetCurrentDirectoryA(saved);

  std::string text;
  CHECK(ReadText(HKEY_LOCAL_MACHINE, kAppPathKey, "", text));
  CHECK(text == ExeFolder() + "\\Tazmor.exe");
  CHECK(ReadText(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", text));
  CHECK(text == windows);
}

TEST_CASE("the stand-in shell extension declines every class and may always be unloaded") {
  HMODULE library = LoadLibraryA((ExeFolder() + "\\vozara.dll").c_str());
  REQUIRE(library != nullptr);
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  auto getClassObject =
      reinterpret_cast<GetClassObject>(GetProcAddress(library, "DllGetClassObject"));
  auto canUnloadNow = reinterpret_cast<CanUnloadNow>(GetProcAddress(library, "DllCanUnloadNow"));
  REQUIRE((getClassObject != nullptr));
  REQUIRE((canUnloadNow != nullptr));

  const CLSID* classes[] = {&kExtensionClass, &CLSID_NULL, &IID_IUnknown};
  const IID* interfaces[] = {&IID_IClassFactory, &IID_IUnknown};
  for (const CLSID* requested : classes) {
    for (const IID* iid : interfaces) {
      void* object = reinterpret_cast<void*>(1);
      CHECK(getClassObject(*requested, *iid, &object) == CLASS_E_CLASSNOTAVAILABLE);
      CHECK(object == nullptr);
    }
  }
  CHECK(getClassObject(kExtensionClass, IID_IClassFactory, nullptr) == E_POINTER);
  CHECK(canUnloadNow() == S_OK);
  FreeLibrary(library);
}
