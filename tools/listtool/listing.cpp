#include "tools/listtool/listing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "support/support.h"
#include "uninstall/uninstall.h"

namespace listing {

const char* const kLaterNames[5] = {"qelnew.dat", "zipnew.dat", "qellng.dll", "uninstall.lng",
                                    "tazmor.hlp"};

// Never named in the list, wherever they are compared: the executable that
// is still running while the list is read, and the list itself.
static const char* const kNeverNamed[] = {"uninstall.exe", "Uninstall.lst"};

static bool SameName(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

static bool IsNeverNamed(const std::string& relative) {
  for (const char* name : kNeverNamed) {
    if (SameName(relative, name))
      return true;
  }
  return false;
}

static bool IsLaterName(const std::string& relative) {
  for (const char* name : kLaterNames) {
    if (SameName(relative, name))
      return true;
  }
  return false;
}

// Collects `relative` folder's files and, after their own contents, its
// sub-folders. The order within one folder is by name, so a list written
// twice for the same folder is the same list.
static bool Walk(const std::string& root, const std::string& relative,
                 std::vector<std::string>& files, std::vector<std::string>& folders) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((root + relative + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_FILE_NOT_FOUND;
  std::vector<std::string> fileNames, folderNames;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..")
      continue;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      folderNames.push_back(name);
    else if (!(relative.empty() && IsNeverNamed(name)))
      fileNames.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  auto byName = [](const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
  };
  std::sort(fileNames.begin(), fileNames.end(), byName);
  std::sort(folderNames.begin(), folderNames.end(), byName);
  for (const std::string& name : fileNames)
    files.push_back(relative + name);
  for (const std::string& name : folderNames) {
    if (!Walk(root, relative + name + "\\", files, folders))
      return false;
    folders.push_back(relative + name);
  }
  return true;
}

// The folder as the uninstaller sees it: full, with its trailing backslash.
static bool CanonicalFolder(const std::string& folder, std::string& out) {
  char full[kPathChars];
  char* name = nullptr;
  DWORD n = GetFullPathNameA(folder.c_str(), sizeof full, full, &name);
  if (n == 0 || n >= sizeof full)
    return false;
  if (!AddPathSlash(SystemLeadBytes, full, sizeof full))
    return false;
  DWORD attributes = GetFileAttributesA(full);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return false;
  out = full;
  return true;
}

bool ListFolder(const std::string& folder, std::vector<std::string>& entries) {
  std::string root;
  if (!CanonicalFolder(folder, root))
    return false;
  std::vector<std::string> files, folders;
  if (!Walk(root, "", files, folders))
    return false;
  for (const char* name : kLaterNames) {
    bool present = std::any_of(files.begin(), files.end(),
                               [&](const std::string& f) { return SameName(f, name); });
    if (!present)
      files.push_back(name);
  }
  entries = files;
  entries.insert(entries.end(), folders.begin(), folders.end());
  return true;
}

bool WriteList(const std::string& path, const std::vector<std::string>& entries) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr)
    return false;
  bool ok = true;
  for (const std::string& entry : entries)
    ok = std::fprintf(f, "%s\r\n", entry.c_str()) > 0 && ok;
  return std::fclose(f) == 0 && ok;
}

const char* FindingTitle(FindingKind kind) {
  switch (kind) {
  case FindingKind::Unsafe:
    return "unsafe, the uninstaller skips it";
  case FindingKind::NamesNothing:
    return "names nothing in the folder";
  case FindingKind::Unlisted:
    return "in the folder but not in the list";
  }
  return "";
}

bool CheckList(const std::string& folder, const std::string& listPath,
               std::vector<Finding>& findings, std::string& error) {
  findings.clear();
  std::string root;
  if (!CanonicalFolder(folder, root)) {
    error = "cannot read the folder " + folder;
    return false;
  }
  std::FILE* list = std::fopen(listPath.c_str(), "rb");
  if (list == nullptr) {
    error = "cannot read the list " + listPath;
    return false;
  }
  // Full paths that the entries resolve to, without a trailing backslash,
  // as the uninstaller would hand them to the system.
  std::vector<std::string> named;
  char line[kListLineChars];
  char path[kPathChars];
  int number = 0;
  ListLine kind;
  while ((kind = ReadListLine(list, line, sizeof line)) != ListLine::End) {
    ++number;
    if (kind != ListLine::Entry)
      continue;
    std::string where = "line " + std::to_string(number) + ": " + line;
    if (!ListEntryPath(root.c_str(), line, path, sizeof path)) {
      findings.push_back({FindingKind::Unsafe, where});
      continue;
    }
    std::string full = path;
    while (full.size() > root.size() && full.back() == '\\')
      full.pop_back();
    named.push_back(full);
    if (GetFileAttributesA(full.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !IsLaterName(full.substr(root.size())))
      findings.push_back({FindingKind::NamesNothing, where});
  }
  std::fclose(list);

  std::vector<std::string> files, folders;
  if (!Walk(root, "", files, folders)) {
    error = "cannot read the folder " + folder;
    return false;
  }
  files.insert(files.end(), folders.begin(), folders.end());
  for (const std::string& relative : files) {
    bool listed = std::any_of(named.begin(), named.end(),
                              [&](const std::string& n) { return SameName(n, root + relative); });
    if (!listed)
      findings.push_back({FindingKind::Unlisted, relative});
  }
  return true;
}

}  // namespace listing
