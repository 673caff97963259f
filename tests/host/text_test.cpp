// The text and path helpers natively, in a single-byte and a double-byte
// code page, and the bounded copies that every fixed buffer relies on.
#include <doctest.h>

#include <cstring>
#include <string>

#include "host/path_cases.h"
#include "support/support.h"

TEST_CASE("path helpers step by characters of the code page") {
  SUBCASE("single-byte") { path_cases::CheckAll(path_cases::SingleByteTable()); }
  SUBCASE("double-byte") { path_cases::CheckAll(path_cases::ShiftJisTable()); }
}

TEST_CASE("trailing blanks and line breaks are trimmed") { path_cases::CheckTrimRightSpace(); }

TEST_CASE("NextChar never steps past the terminator") {
  LeadByteTable table = path_cases::ShiftJisTable();
  const char lone[] = "\x95";
  CHECK(NextChar(table, lone) == lone + 1);
  const char pair[] = "\x95\x5C";
  CHECK(NextChar(table, pair) == pair + 2);
}

TEST_CASE("bounded copy, append and format never pass their buffer") {
  struct Case {
    const char* start;
    const char* add;
    size_t size;
    const char* copied;
    bool copyFits;
    const char* appended;
    bool appendFits;
  };
  const Case cases[] = {
    {"ab", "cd", 8, "cd", true, "abcd", true},
    {"ab", "cdefgh", 5, "cdef", false, "abcd", false},
    {"abcd", "x", 5, "x", true, "abcd", false},
    {"", "", 1, "", true, "", true},
  };
  for (const Case& c : cases) {
    CAPTURE(c.add);
    CAPTURE(c.size);
    char copy[16];
    std::string guard(16, '#');
    std::memcpy(copy, guard.data(), sizeof copy);
    CHECK(CopyText(copy, c.size, c.add) == c.copyFits);
    CHECK(std::string(copy) == c.copied);
    CHECK(copy[c.size] == '#');  // nothing written past the buffer

    char append[16];
    std::memcpy(append, guard.data(), sizeof append);
    std::strcpy(append, c.start);
    CHECK(AppendText(append, c.size, c.add) == c.appendFits);
    CHECK(std::string(append) == c.appended);
  }
  char nothing[1] = {'#'};
  CHECK_FALSE(CopyText(nothing, 0, "x"));
  CHECK(nothing[0] == '#');
  char unterminated[3] = {'a', 'b', 'c'};
  CHECK_FALSE(AppendText(unterminated, sizeof unterminated, "d"));
}

TEST_CASE("FormatWithText takes one text and nothing else") {
  struct Case {
    const char* format;
    const char* text;
    size_t size;
    const char* result;
    bool fits;
  };
  const Case cases[] = {
    {"Cannot open list file %s", "C:\\a.lst", 64, "Cannot open list file C:\\a.lst", true},
    {"%s and %s", "x", 64, "x and %s", true},
    {"100%% %d %s", "y", 64, "100% %d y", true},
    {"%s", "abcdef", 4, "abc", false},
    {"tail %", "z", 64, "tail %", true},
  };
  for (const Case& c : cases) {
    CAPTURE(c.format);
    char out[64];
    CHECK(FormatWithText(out, c.size, c.format, c.text) == c.fits);
    CHECK(std::string(out) == c.result);
  }
}

TEST_CASE("CopyWideString copies up to the zero and stays in its buffer") {
  const uint16_t source[] = {'a', 'b', 'c', 0};
  uint16_t wide[4] = {9, 9, 9, 9};
  CopyWideString(wide, 4, source);
  CHECK(wide[0] == 'a');
  CHECK(wide[2] == 'c');
  CHECK(wide[3] == 0);
  uint16_t small[3] = {9, 9, 9};
  CopyWideString(small, 2, source);
  CHECK(small[0] == 'a');
  CHECK(small[1] == 0);
  CHECK(small[2] == 9);
}
