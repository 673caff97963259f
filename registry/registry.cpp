// Registry helpers: not written yet.
#include "registry/registry.h"

bool ProductKeyPath(HKEY root, const char* path, char* out, size_t outSize) { return false; }
void WriteRegString(HKEY root, const char* path, const char* name, const char* text) {}
void WriteRegDword(HKEY root, const char* path, const char* name, DWORD value) {}
void WriteRegBinary(HKEY root, const char* path, const char* name, const void* data, DWORD size) {}
bool ReadRegString(HKEY root, const char* path, const char* name, char* dst,
                   const char* defaultText, DWORD dstSize) { return false; }
DWORD ReadRegDword(HKEY root, const char* path, const char* name, DWORD defaultValue) {
  return defaultValue;
}
void DeleteRegKey(HKEY root, const char* path) {}
void DeleteRegValue(HKEY root, const char* path, const char* name) {}
void DeleteRegTree(HKEY root, const char* path) {}
bool RegKeyExists(HKEY root, const char* path) { return false; }
