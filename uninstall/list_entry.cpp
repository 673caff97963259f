// Reading "Uninstall.lst" and deciding which entries may be deleted at all.
// Platform-free: the list is damaged or hostile as often as it is right, and
// nothing outside the installation folder may ever be touched because of it.
#include "uninstall/uninstall.h"

#include <cstring>

static const char* Step(const LeadByteTable& table, const char* p) {
  return table.MultiByte ? NextChar(table, p) : p + 1;
}

bool InstallFolderOf(const LeadByteTable& table, const char* exePath, char* folder, size_t size) {
  const char* last = nullptr;
  for (const char* p = exePath; *p != '\0'; p = Step(table, p)) {
    if (*p == '\\')
      last = p;
  }
  if (last == nullptr)
    return false;
  // A root keeps its backslash: "X:" alone would mean the drive's current
  // folder, not its root.
  size_t length = static_cast<size_t>(last - exePath);
  if (last != exePath && IsDriveColon(last[-1]))
    ++length;
  if (length >= size)
    return false;
  std::memcpy(folder, exePath, length);
  folder[length] = '\0';
  return true;
}

static void SkipToLineEnd(std::FILE* list) {
  unsigned char c;
  while (std::fread(&c, 1, 1, list) == 1 && c != '\n') {
  }
}

ListLine ReadListLine(std::FILE* list, char* line, size_t size) {
  if (size == 0)
    return ListLine::End;
  size_t used = 0;
  bool any = false;
  bool holdsNul = false;
  unsigned char c;
  while (std::fread(&c, 1, 1, list) == 1) {
    any = true;
    if (c == '\n')
      break;
    if (used + 1 >= size) {
      SkipToLineEnd(list);
      return ListLine::Skip;
    }
    // A NUL would cut the entry short and name another file.
    if (c == '\0')
      holdsNul = true;
    line[used++] = static_cast<char>(c);
  }
  if (!any)
    return ListLine::End;
  line[used] = '\0';
  if (holdsNul)
    return ListLine::Skip;
  TrimRightSpace(line);
  return line[0] != '\0' ? ListLine::Entry : ListLine::Skip;
}

// A component of dots and blanks alone climbs out of its folder: ".." on
// every system, "..." and longer on Windows 9x, and the system drops
// trailing dots and blanks, so ". ." is ".." as well. A single "." stays.
static bool ClimbsOut(const char* begin, const char* end) {
  if (begin == end)
    return false;
  if (end - begin == 1 && *begin == '.')
    return false;
  for (const char* p = begin; p != end; ++p) {
    if (*p != '.' && *p != ' ')
      return false;
  }
  return true;
}

bool IsRelativeListEntry(const LeadByteTable& table, const char* entry) {
  if (IsPathSeparator(entry[0]))
    return false;
  const char* component = entry;
  for (const char* p = entry;; p = Step(table, p)) {
    // A colon names a drive or a stream of another file; neither belongs in
    // a path relative to the folder.
    if (IsDriveColon(*p))
      return false;
    if (*p == '\0' || IsPathSeparator(*p)) {
      if (ClimbsOut(component, p))
        return false;
      if (*p == '\0')
        return true;
      component = p + 1;
    }
  }
}

bool LiesInsideFolder(const char* folder, const char* fullPath) {
  size_t n = std::strlen(folder);
  if (n == 0 || folder[n - 1] != '\\')
    return false;
  return std::strncmp(fullPath, folder, n) == 0 && fullPath[n] != '\0';
}
