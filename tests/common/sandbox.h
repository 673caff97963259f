// Registry sandbox for in-process tests: HKEY_CLASSES_ROOT, HKEY_CURRENT_USER
// and HKEY_LOCAL_MACHINE are redirected onto fresh scratch keys (named with
// the process id, so parallel test processes never meet) for as long as the
// object lives. The shell's own look-ups in this process see the sandbox too.
#pragma once

#include <windows.h>

#include <cstdio>

class RegistrySandbox {
public:
  RegistrySandbox() {
    std::snprintf(Base, sizeof Base, "Software\\TazmorTests\\%lu", GetCurrentProcessId());
    Drop();
    Override(HKEY_CLASSES_ROOT, "HKCR", Classes);
    Override(HKEY_CURRENT_USER, "HKCU", User);
    Override(HKEY_LOCAL_MACHINE, "HKLM", Machine);
  }
  ~RegistrySandbox() {
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(Classes);
    RegCloseKey(User);
    RegCloseKey(Machine);
    Drop();
  }
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  HKEY Classes = nullptr;
  HKEY User = nullptr;
  HKEY Machine = nullptr;

private:
  void Override(HKEY root, const char* name, HKEY& key) {
    char path[300];
    std::snprintf(path, sizeof path, "%s\\%s", Base, name);
    RegCreateKeyExA(RealUser(), path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegOverridePredefKey(root, key);
  }
  // The real HKEY_CURRENT_USER, opened before any override is in place.
  static HKEY RealUser() {
    static HKEY user = [] {
      HKEY current = nullptr;
      RegOpenCurrentUser(KEY_ALL_ACCESS, &current);
      return current;
    }();
    return user;
  }
  void Drop() { DeleteTree(RealUser(), Base); }
  static void DeleteTree(HKEY parent, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
      return;
    char name[512];
    for (;;) {
      DWORD size = sizeof name;
      if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      DeleteTree(key, name);
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, path);
  }
  char Base[100];
};
