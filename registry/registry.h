// Registry access. Every key is opened or created for one operation and closed
// again before the call returns. HKEY_CURRENT_USER paths are relative to the
// product key "Software\Tazmor"; a leading backslash escapes to the root of
// HKEY_CURRENT_USER. Failures are never reported: writers write nothing,
// readers hand back the caller's default.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr char kProductKey[] = "Software\\Tazmor";
// Room kept in a mapped path buffer for the product-key prefix and the NUL.
constexpr size_t kProductPrefixRoom = 20;

bool ProductKeyPath(HKEY root, const char* path, char* out, size_t outSize);

void WriteRegString(HKEY root, const char* path, const char* name, const char* text);
void WriteRegDword(HKEY root, const char* path, const char* name, DWORD value);
void WriteRegBinary(HKEY root, const char* path, const char* name, const void* data, DWORD size);
bool ReadRegString(HKEY root, const char* path, const char* name, char* dst,
                   const char* defaultText, DWORD dstSize);
DWORD ReadRegDword(HKEY root, const char* path, const char* name, DWORD defaultValue);
void DeleteRegKey(HKEY root, const char* path);
void DeleteRegValue(HKEY root, const char* path, const char* name);
void DeleteRegTree(HKEY root, const char* path);
bool RegKeyExists(HKEY root, const char* path);

// Short forms under the product key.
inline void WriteRegString(const char* path, const char* name, const char* text) {
  WriteRegString(HKEY_CURRENT_USER, path, name, text);
}
inline void WriteRegDword(const char* path, const char* name, DWORD value) {
  WriteRegDword(HKEY_CURRENT_USER, path, name, value);
}
inline bool ReadRegString(const char* path, const char* name, char* dst, const char* defaultText,
                          DWORD dstSize) {
  return ReadRegString(HKEY_CURRENT_USER, path, name, dst, defaultText, dstSize);
}
inline DWORD ReadRegDword(const char* path, const char* name, DWORD defaultValue) {
  return ReadRegDword(HKEY_CURRENT_USER, path, name, defaultValue);
}
inline void DeleteRegKey(const char* path) { DeleteRegKey(HKEY_CURRENT_USER, path); }
