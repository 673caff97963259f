// The setup road into the shell: a silent setup registers the shell extension,
// the application path and the desktop shortcut in the prefix's real registry
// and profile, and a second one with the choices cleared takes them away.
#include <doctest.h>

#include <objbase.h>
#include <shlobj.h>

#include <cstring>

#include "driver.h"

using namespace driver;

namespace {

const char kClassKey[] = "CLSID\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}";
const char kServerKey[] = "CLSID\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}\\InProcServer32";
const char kOwnHandler[] =
    "Tazmor\\shellex\\ContextMenuHandlers\\{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}";
const char kSharedHandler[] = "Directory\\shellex\\DragDropHandlers\\Tazmor";
const char kApprovedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kClassId[] = "{7E3A5C21-94D0-4B6F-8A12-C05D3E69F4B8}";
const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Tazmor.exe";
const CLSID kExtensionClass = {0x7E3A5C21, 0x94D0, 0x4B6F,
                               {0x8A, 0x12, 0xC0, 0x5D, 0x3E, 0x69, 0xF4, 0xB8}};

void WriteDword(const char* path, const char* name, DWORD value) {
  HKEY key;
  REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) == ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

void DeleteValue(HKEY root, const char* path, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return;
  RegDeleteValueA(key, name);
  RegCloseKey(key);
}

void CleanRegistry() {
  DeleteKeyTree(HKEY_CLASSES_ROOT, kClassKey);
  DeleteKeyTree(HKEY_CLASSES_ROOT, "Tazmor");
  DeleteKeyTree(HKEY_CLASSES_ROOT, "Tazmor.ZIP");
  DeleteKeyTree(HKEY_CLASSES_ROOT, kSharedHandler);
  DeleteValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kAppPathKey);
  DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Tazmor");
}

// The choices a silent setup finds: no archive types, the desktop shortcut
// and the shell extension as given, no program group to open afterwards.
void SaveChoices(bool on) {
  static const char* const kTypeKeys[] = {".qel", ".zip", ".cab", ".arj", ".lzh", ".ace",
                                          ".tar", ".gz",  ".uue", ".bz2", ".jar", ".iso"};
  for (const char* type : kTypeKeys)
    WriteDword((std::string("Software\\Tazmor\\Setup\\") + type).c_str(), "Set", 0);
  WriteDword("Software\\Tazmor\\Setup\\Links", "Desktop", on);
  WriteDword("Software\\Tazmor\\Setup\\Links", "StartMenu", 0);
  WriteDword("Software\\Tazmor\\Setup\\Links", "Programs", 0);
  WriteDword("Software\\Tazmor\\Setup", "ShellExt", on);
}

void RunSilentSetup(const std::string& folder) {
  Process setup;
  // Started from C:\ so that the recorded "Path" shows the current folder.
  REQUIRE(setup.Start("\"" + folder + "\\uninstall.exe\" /s /setup", "C:\\"));
  REQUIRE(setup.Wait(60000) == 0);
}

std::string DesktopLink() {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE);
  return std::string(path) + "\\Tazmor.lnk";
}

std::string LinkTarget(const std::string& path) {
  std::string target;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char text[MAX_PATH] = {};
    if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
        SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)))
      target = text;
    file->Release();
  }
  link->Release();
  return target;
}

// What COM makes of the class: with the stand-in registered it loads the
// library, which declines.
HRESULT CreateExtension() {
  IUnknown* object = nullptr;
  HRESULT result = CoCreateInstance(kExtensionClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                    reinterpret_cast<void**>(&object));
  if (object != nullptr)
    object->Release();
  return result;
}

void CheckSetupRoad(bool withLibrary) {
  CleanRegistry();
  DeleteFileA(DesktopLink().c_str());
  std::string folder = MakeInstallFolder(withLibrary ? "C:\\Tazmor Shell\\with library"
                                                     : "C:\\Tazmor Shell\\without library");
  if (withLibrary)
    REQUIRE(CopyFromBuild("vozara.dll", folder + "\\vozara.dll"));
  CoInitialize(nullptr);

  SaveChoices(true);
  RunSilentSetup(folder);
  std::string text;
  CHECK(KeyExists(HKEY_CLASSES_ROOT, kClassKey) == withLibrary);
  CHECK(ReadValue(HKEY_CLASSES_ROOT, kServerKey, "", text) == withLibrary);
  if (withLibrary) {
    CHECK(text == folder + "\\vozara.dll");
    CHECK(ReadValue(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", text));
    CHECK(text == "Apartment");
  }
  CHECK(CreateExtension() == (withLibrary ? CLASS_E_CLASSNOTAVAILABLE : REGDB_E_CLASSNOTREG));
  CHECK(ReadValue(HKEY_CLASSES_ROOT, kOwnHandler, "", text));
  CHECK(text.empty());
  CHECK(ReadValue(HKEY_CLASSES_ROOT, kSharedHandler, "", text));
  CHECK(text == kClassId);
  CHECK(ReadValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId, text));
  CHECK(text == "Tazmor shell extension");
  CHECK(ReadValue(HKEY_LOCAL_MACHINE, kAppPathKey, "", text));
  CHECK(text == folder + "\\Tazmor.exe");
  CHECK(ReadValue(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", text));
  CHECK(text == "C:\\");
  CHECK(LinkTarget(DesktopLink()) == folder + "\\Tazmor.exe");

  SaveChoices(false);
  RunSilentSetup(folder);
  CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
  CHECK_FALSE(KeyExists(HKEY_CLASSES_ROOT, kOwnHandler));
  CHECK(KeyExists(HKEY_CLASSES_ROOT, kSharedHandler));
  CHECK_FALSE(ReadValue(HKEY_CLASSES_ROOT, kSharedHandler, "", text));
  CHECK_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId, text));
  CHECK(CreateExtension() == REGDB_E_CLASSNOTREG);
  CHECK_FALSE(FileExists(DesktopLink()));

  // Leaving the apartment lets COM release the library, so the folder can go.
  CoUninitialize();
  RemoveTree(folder);
  CleanRegistry();
}

}  // namespace

TEST_CASE("setup with the stand-in beside it registers its class and removes it again") {
  CheckSetupRoad(true);
}

TEST_CASE("setup without the library writes the handlers but no class") {
  CheckSetupRoad(false);
}
