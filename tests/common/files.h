// Files and folders for the in-process tests: where the build folder is, and
// deleting a folder tree.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

// Folder of the running test executable: the build folder, where the program,
// the stand-ins and the fixtures lie.
inline std::string ExeFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  if (char* slash = std::strrchr(path, '\\'))
    *slash = '\0';
  return path;
}

// A file or folder of the build folder; '/' in `relative` may stand for '\'.
inline std::string BuildPath(std::string relative) {
  for (char& c : relative) {
    if (c == '/')
      c = '\\';
  }
  return ExeFolder() + "\\" + relative;
}

// Deletes `path` with everything below it, read-only files included, without
// asking and without the recycle bin. A missing path is no error.
inline void RemoveTree(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    return;
  std::vector<char> from(path.begin(), path.end());
  from.push_back('\0');
  from.push_back('\0');
  SHFILEOPSTRUCTA op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.data();
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  SHFileOperationA(&op);
}
