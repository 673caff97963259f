// The path and text helpers' cases, shared by the native tests and the unit
// tests under Wine. Each path case gives the expected result once for a
// single-byte code page and once for a double-byte one; "\x95\x5C" is one
// double-byte character whose trail byte is a backslash.
#pragma once

#include <doctest.h>

#include <cstring>
#include <string>

#include "support/support.h"

namespace path_cases {

// The lead bytes of code page 932, as the system reports them.
inline LeadByteTable ShiftJisTable() {
  LeadByteTable table = {};
  for (int b = 0x81; b <= 0x9F; ++b)
    table.Lead[b] = true;
  for (int b = 0xE0; b <= 0xFC; ++b)
    table.Lead[b] = true;
  table.MultiByte = true;
  return table;
}

inline LeadByteTable SingleByteTable() { return LeadByteTable{}; }

// Offsets into the argument; single-byte and double-byte expectations.
struct OffsetCase {
  const char* text;
  int single;
  int dual;
};

inline void CheckNamePart(const LeadByteTable& table) {
  const OffsetCase cases[] = {
    {"C:\\dir\\file.txt", 7, 7},
    {"dir/file", 4, 4},
    {"C:\\dir\\", 7, 7},
    {"C:file", 2, 2},
    {"file", 0, 0},
    {"", 0, 0},
    {"\\\\server\\share", 9, 9},
    {"C:\\dir\\\x95\x5C", 9, 7},      // the trail byte is no separator
    {"C:\\\x95\x5C\\name", 6, 6},
    {"\x95:file", 2, 0},               // a double-byte first character is no drive
    {"dir\\\x95", 4, 4},               // a lead byte right before the end
    {"\x95", 0, 0},
  };
  for (const OffsetCase& c : cases) {
    CAPTURE(c.text);
    int expected = table.MultiByte ? c.dual : c.single;
    CHECK(GetNamePart(table, c.text) - c.text == expected);
  }
}

inline void CheckLastCharPos(const LeadByteTable& table) {
  const OffsetCase cases[] = {
    {"", 0, 0},
    {"a", 0, 0},
    {"abc", 2, 2},
    {"a\x95\x5C", 2, 1},
    {"\x95\x5C\x95\x5C", 3, 2},
    {"ab\x95", 2, 2},                  // a lead byte right before the end
  };
  for (const OffsetCase& c : cases) {
    CAPTURE(c.text);
    int expected = table.MultiByte ? c.dual : c.single;
    CHECK(LastCharPos(table, c.text) - c.text == expected);
  }
}

struct EditCase {
  const char* text;
  const char* single;
  const char* dual;
};

inline void CheckAddPathSlash(const LeadByteTable& table) {
  const EditCase cases[] = {
    {"C:", "C:\\", "C:\\"},
    {"C:\\", "C:\\", "C:\\"},
    {"", "", ""},
    {"C:\\dir/", "C:\\dir/\\", "C:\\dir/\\"},
    {"C:\\dir", "C:\\dir\\", "C:\\dir\\"},
    {"C:\\\x95\x5C", "C:\\\x95\x5C", "C:\\\x95\x5C\\"},
  };
  for (const EditCase& c : cases) {
    CAPTURE(c.text);
    char buffer[kPathChars];
    std::strcpy(buffer, c.text);
    AddPathSlash(table, buffer);
    CHECK(std::string(buffer) == (table.MultiByte ? c.dual : c.single));
  }
  // The bounded form appends nothing where the buffer has no room.
  char full[4] = "C:x";
  CHECK_FALSE(AddPathSlash(table, full, sizeof full));
  CHECK(std::string(full) == "C:x");
  char roomy[5] = "C:x";
  CHECK(AddPathSlash(table, roomy, sizeof roomy));
  CHECK(std::string(roomy) == "C:x\\");
  char done[3] = "C\\";
  CHECK(AddPathSlash(table, done, sizeof done));
  CHECK(std::string(done) == "C\\");
}

inline void CheckTrimRightSpace() {
  const EditCase cases[] = {
    {"abc \r\n", "abc", nullptr},
    {"   \t ", "", nullptr},
    {"", "", nullptr},
    {"a b\t\t", "a b", nullptr},
    {"\tx", "\tx", nullptr},
    {"\x95\x5C ", "\x95\x5C", nullptr},
  };
  for (const EditCase& c : cases) {
    CAPTURE(c.text);
    char buffer[64];
    std::strcpy(buffer, c.text);
    CHECK(TrimRightSpace(buffer) == buffer);
    CHECK(std::string(buffer) == c.single);
  }
}

inline void CheckAll(const LeadByteTable& table) {
  CheckNamePart(table);
  CheckLastCharPos(table);
  CheckAddPathSlash(table);
}

}  // namespace path_cases
