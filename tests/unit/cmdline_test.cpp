// The command-line tail and the switch scan, as tables of command lines.
#include <doctest.h>

#include <string>
#include <vector>

#include "app/cmdline.h"

namespace {

// Actions of a tail as letters: U setup, S silent, W wait, R warning, - none.
std::string Actions(const char* tail, int* count = nullptr) {
  std::string out;
  SwitchScanner scanner(tail);
  SwitchAction action;
  while (scanner.Next(action)) {
    switch (action) {
      case SwitchAction::Setup: out += 'U'; break;
      case SwitchAction::Silent: out += 'S'; break;
      case SwitchAction::Wait: out += 'W'; break;
      case SwitchAction::Warning: out += 'R'; break;
      case SwitchAction::None: out += '-'; break;
    }
  }
  if (count != nullptr)
    *count = scanner.Count();
  return out;
}

}  // namespace

TEST_CASE("the tail is what follows the program name and its blanks") {
  struct Case { const char* line; const char* tail; };
  const Case cases[] = {
    {"uninstall.exe", ""},
    {"uninstall.exe /setup", "/setup"},
    {"  \t uninstall.exe \t /s /setup", "/s /setup"},
    {"\"C:\\Program Files\\Tazmor\\uninstall.exe\"", ""},
    {"\"C:\\Program Files\\Tazmor\\uninstall.exe\" /wait", "/wait"},
    {"\"C:\\Program Files\\Tazmor\\uninstall.exe\"/warning", "/warning"},
    {"C:\\Program Files\\Tazmor\\uninstall.exe", "Files\\Tazmor\\uninstall.exe"},
    {"\"unterminated name", ""},
    {"\"name\twith tab\" x", "with tab\" x"},
    {"", ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    CHECK(std::string(CommandLineTail(c.line)) == c.tail);
  }
}

TEST_CASE("switches act in order; no switch at all means uninstall") {
  struct Case { const char* tail; const char* actions; };
  const Case cases[] = {
    {"", ""},
    {"Files\\Tazmor\\uninstall.exe", ""},
    {"a-b", "-"},
    {"-setup", "U"},
    {"/SETUP", "U"},
    {"/setupx", "U"},
    {"/s", "S"},
    {"/S", "S"},
    {"/s1", "S"},
    {"/s-x", "S-"},
    {"/silent", "-"},
    {"/sx", "-"},
    {"/wa", "-"},
    {"/wait", "W"},
    {"/waiting", "W"},
    {"/warning", "R"},
    {"/warnings", "R"},
    {"/", "-"},
    {"/s /setup", "SU"},
    {"/setup /s", "US"},
    {"/wait /wait", "WW"},
    {"/setup /setup", "UU"},
    {"-S-SETUP", "SU"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.tail);
    int count = -1;
    CHECK(Actions(c.tail, &count) == c.actions);
    CHECK(count == static_cast<int>(std::string(c.actions).size()));
  }
}
