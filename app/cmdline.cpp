// The command-line tail and the switch scan.
#include "app/cmdline.h"

#include <cstring>

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
static char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
static bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The first `n` characters of text equal word, ignoring ASCII case.
static bool StartsWithNoCase(const char* text, const char* word) {
  for (; *word != '\0'; ++text, ++word) {
    if (UpperAscii(*text) != UpperAscii(*word))
      return false;
  }
  return true;
}

const char* CommandLineTail(const char* commandLine) {
  const char* p = commandLine;
  while (IsBlank(*p))
    ++p;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"' && *p != '\t')
      ++p;
    if (*p == '"')
      ++p;
  } else {
    while (*p != '\0' && !IsBlank(*p))
      ++p;
  }
  while (IsBlank(*p))
    ++p;
  return p;
}

SwitchAction ClassifySwitch(const char* text) {
  if (StartsWithNoCase(text, "setup"))
    return SwitchAction::Setup;
  if (UpperAscii(text[0]) == 'S' && !IsAsciiLetter(text[1]))
    return SwitchAction::Silent;
  if (StartsWithNoCase(text, "wait"))
    return SwitchAction::Wait;
  if (StartsWithNoCase(text, "warning"))
    return SwitchAction::Warning;
  return SwitchAction::None;
}

bool SwitchScanner::Next(SwitchAction& action) {
  const char* found = std::strpbrk(Cursor, "/-");
  if (found == nullptr)
    return false;
  Cursor = found + 1;
  action = ClassifySwitch(Cursor);
  ++Switches;
  return true;
}
