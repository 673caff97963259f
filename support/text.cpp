// Text stepping in the ANSI code page and the path helpers built on it.
// Platform-free: the lead-byte table comes in as a parameter.
#include "support/support.h"

#include <cstring>

// A lead byte right before the terminator is taken as a character of its own,
// so no scan ever steps past the end of the text.
const char* NextChar(const LeadByteTable& table, const char* p) {
  if (table.Lead[static_cast<unsigned char>(*p)] && p[1] != '\0')
    return p + 2;
  return p + 1;
}

static const char* Step(const LeadByteTable& table, const char* p) {
  return table.MultiByte ? NextChar(table, p) : p + 1;
}

const char* GetNamePart(const LeadByteTable& table, const char* path) {
  const char* afterSeparator = nullptr;
  for (const char* p = path; *p != '\0'; p = Step(table, p)) {
    if (IsPathSeparator(*p))
      afterSeparator = p + 1;
  }
  if (afterSeparator != nullptr)
    return afterSeparator;
  if (*path == '\0')
    return path;
  if (Step(table, path) == path + 1 && IsDriveColon(path[1]))
    return path + 2;
  return path;
}

char* GetNamePart(const LeadByteTable& table, char* path) {
  return const_cast<char*>(GetNamePart(table, static_cast<const char*>(path)));
}

const char* LastCharPos(const LeadByteTable& table, const char* text) {
  const char* last = text;
  for (const char* p = text; *p != '\0'; p = Step(table, p))
    last = p;
  return last;
}

void AddPathSlash(const LeadByteTable& table, char* path) {
  if (*path == '\0' || *LastCharPos(table, path) == '\\')
    return;
  size_t n = std::strlen(path);
  path[n] = '\\';
  path[n + 1] = '\0';
}

bool AddPathSlash(const LeadByteTable& table, char* path, size_t size) {
  size_t n = 0;
  while (n < size && path[n] != '\0')
    ++n;
  if (n == size)
    return false;  // not even terminated within its buffer
  if (n == 0 || *LastCharPos(table, path) == '\\')
    return true;
  if (n + 2 > size)
    return false;
  path[n] = '\\';
  path[n + 1] = '\0';
  return true;
}

char* TrimRightSpace(char* text) {
  for (size_t n = std::strlen(text); n > 0; --n) {
    char c = text[n - 1];
    if (c != '\r' && c != '\n' && c != ' ' && c != '\t')
      break;
    text[n - 1] = '\0';
  }
  return text;
}

void CopyWideString(uint16_t* dst, size_t dstUnits, const uint16_t* src) {
  if (dstUnits == 0)
    return;
  size_t i = 0;
  for (; i + 1 < dstUnits && src[i] != 0; ++i)
    dst[i] = src[i];
  dst[i] = 0;
}

bool CopyText(char* dst, size_t size, const char* src) {
  if (size == 0)
    return false;
  size_t n = std::strlen(src);
  bool fits = n < size;
  if (!fits)
    n = size - 1;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
  return fits;
}

bool AppendText(char* dst, size_t size, const char* src) {
  size_t used = 0;
  while (used < size && dst[used] != '\0')
    ++used;
  if (used >= size)
    return false;
  return CopyText(dst + used, size - used, src);
}

bool FormatWithText(char* dst, size_t size, const char* format, const char* text) {
  if (size == 0)
    return false;
  size_t used = 0;
  bool substituted = false;
  bool fits = true;
  auto put = [&](char c) {
    if (used + 1 < size)
      dst[used++] = c;
    else
      fits = false;
  };
  for (const char* p = format; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] == '%') {
      put('%');
      ++p;
    } else if (p[0] == '%' && p[1] == 's' && !substituted) {
      for (const char* t = text; *t != '\0'; ++t)
        put(*t);
      substituted = true;
      ++p;
    } else {
      put(*p);
    }
  }
  dst[used] = '\0';
  return fits;
}
