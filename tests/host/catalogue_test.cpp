// The catalogue's text handling natively: the marker search over windows,
// unescaping, the sorted index, the keys, lookups and the bounded copy.
#include <doctest.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "host/memory_reader.h"
#include "lang/catalogue_text.h"

namespace {

std::string Key(int kind, const char* context, const char* text) {
  char key[kKeyChars];
  REQUIRE(MakeKey(key, kind, context, text));
  return key;
}

// A catalogue loaded from the given file bytes.
std::unique_ptr<LanguageResources> LoadBytes(const std::string& bytes) {
  auto catalogue = std::make_unique<LanguageResources>();
  MemoryReader reader(bytes);
  ReadCatalogue(*catalogue, reader);
  return catalogue;
}

const std::string kHead = "Tazmor catalogue\r\n***messages***\r\n";

std::string Translated(const LanguageResources& catalogue, const char* source,
                       const char* context = nullptr, int kind = kStringText,
                       size_t size = 1024) {
  char out[1024];
  std::memset(out, '#', sizeof out);
  catalogue.Translate(out, size, source, context, kind);
  CHECK(std::strlen(out) < size);
  return out;
}

}  // namespace

TEST_CASE("keys are the CRC-32 of kind character, context and text") {
  struct Case { int kind; const char* context; const char* text; const char* key; };
  const Case cases[] = {
    {kStringText, nullptr, "abc", "92ab48be"},
    {kDialogText, "LTR", "LTR", "50a17ae8"},
    {kDialogText, "SETUPDLG", "", "9b889d24"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.text);
    CHECK(Key(c.kind, c.context, c.text) == c.key);
  }
  CHECK(~Crc32Update(0xFFFFFFFFu, "123456789", 9) == 0xCBF43926u);
  // The running value carries over pieces, eight bytes at a time or not.
  uint32_t pieces = Crc32Update(Crc32Update(0xFFFFFFFFu, "1234", 4), "56789", 5);
  CHECK(~pieces == 0xCBF43926u);
  CHECK(Key(2, "ctx", "t") != Key(1, "ctx", "t"));
  char key[kKeyChars];
  CHECK_FALSE(MakeKey(key, 3, nullptr, "abc"));
}

TEST_CASE("the marker is searched in overlapping windows of the first 130832 bytes") {
  const std::string marker = "***messages**";
  struct Case { const char* what; std::string bytes; int64_t offset; };
  std::string wide;
  for (char c : std::string("***messages***"))
    wide += std::string(1, c) + '\0';
  auto at = [&](size_t offset, size_t after) {
    return std::string(offset, 'x') + marker + std::string(after, 'y');
  };
  const Case cases[] = {
    {"at the start", at(0, 100), 0},
    {"straddling the first window's end", at(8185, 100), 8185},
    {"last place of the first window", at(8176, 100), 8176},
    {"at 130816, the last place searched", at(130816, 100), 130816},
    {"after 130816", at(130817, 100), -1},
    {"16 bytes before the end", at(5000, 3), 5000},
    {"15 bytes before the end", at(5000, 2), -1},
    {"file shorter than 16 bytes", marker, -1},
    {"upper case", std::string("xx***MESSAGES***") + std::string(40, 'y'), -1},
    {"two asterisks only", std::string("x**messages**") + std::string(40, 'y'), -1},
    {"UTF-16", wide + std::string(40, 'y'), -1},
    {"the first of two", at(10, 20) + marker + std::string(20, 'z'), 10},
  };
  for (const Case& c : cases) {
    CAPTURE(c.what);
    MemoryReader reader(c.bytes);
    CHECK(SearchMarker(reader) == c.offset);
    CHECK(reader.Reads <= kMarkerWindows);
  }
}

TEST_CASE("loading: unescaping, line breaks and the index") {
  SUBCASE("no marker leaves nothing loaded") {
    CHECK_FALSE(LoadBytes("just text\r\n" + std::string(100, 'x'))->IsLoaded());
  }
  SUBCASE("a read failing after the marker leaves an empty but loaded catalogue") {
    LanguageResources catalogue;
    MemoryReader reader(kHead + Key(0, nullptr, "abc") + "=\"x\"\r\n");
    reader.FailAfter = 1;
    ReadCatalogue(catalogue, reader);
    REQUIRE(catalogue.IsLoaded());
    CHECK(catalogue.Length == 0);
    CHECK(catalogue.Index.Count == 0);
    CHECK(Translated(catalogue, "abc") == "abc");
  }
  SUBCASE("escapes and raw line breaks") {
    struct Case { const char* raw; const char* text; };
    const Case cases[] = {
      {"a\\\"b", "a\"b"},
      {"a\\\\b", "a\\b"},
      {"a\\nb\\rc\\td", "a\nb\rc\td"},
      {"a\\qb", "a\\qb"},
      {"a\\\\\\n", "a\\\n"},
      {"a\r\nb\rc\nd", "a\f\fb\fc\fd"},
      {"end\\", "end\\"},
    };
    for (const Case& c : cases) {
      CAPTURE(c.raw);
      auto catalogue = LoadBytes(std::string("***messages**") + "\n" + c.raw);
      REQUIRE(catalogue->IsLoaded());
      CHECK(std::string(catalogue->Text) == std::string("***messages**\f") + c.text);
      CHECK(catalogue->Length == static_cast<int>(std::strlen(catalogue->Text)));
    }
  }
  SUBCASE("a NUL ends the text and only 65536 bytes from the marker count") {
    auto nul = LoadBytes(std::string("***messages**\nabcdefghijkl\0mnopqrstuvwxyz", 40));
    CHECK(std::string(nul->Text) == "***messages**\fabcdefghijkl");
    std::string big = "***messages**\n" + std::string(70000, 'a');
    auto cut = LoadBytes(big);
    CHECK(cut->Length == kCatalogueChars);
  }
  SUBCASE("each line start after a run of breaks is indexed, except within the last 8") {
    auto catalogue = LoadBytes("***messages**\r\n\r\n12345678=\"a\"\n\nline two is long\nshort");
    REQUIRE(catalogue->IsLoaded());
    std::string text = catalogue->Text;
    REQUIRE(catalogue->Index.Count == 2);
    // Sorted by their first 8 characters.
    CHECK(text.substr(catalogue->Index[0], 8) == "12345678");
    CHECK(text.substr(catalogue->Index[1], 8) == "line two");
  }
}

TEST_CASE("Translate: entries, misses and the bounded copy") {
  const std::string abc = Key(kStringText, nullptr, "abc");
  const std::string quote = Key(kStringText, nullptr, "quote");
  const std::string open = Key(kStringText, nullptr, "open");
  const std::string bare = Key(kStringText, nullptr, "bare");
  const std::string empty = Key(kDialogText, "SETUPDLG", "");
  std::string upper = Key(kStringText, nullptr, "upper");
  for (char& ch : upper)
    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  const std::string body = kHead + "; translations\r\n" +
      abc + "=\"Translated\" trailing words\r\n" +
      quote + "=\"say \\\"hi\\\"\\n\"\r\n" +
      open + "=\"no closing quote\r\n" +
      bare + " has no quote at all here\r\n" +
      upper + "=\"upper-case key\"\r\n" +
      empty + "=\"120*110\"\r\n";
  auto catalogue = LoadBytes(body);
  REQUIRE(catalogue->IsLoaded());

  struct Case {
    const char* what;
    const char* source;
    const char* context;
    int kind;
    size_t size;
    const char* expected;
  };
  const Case cases[] = {
    {"an entry, cut at its last quote", "abc", nullptr, kStringText, 1024, "Translated"},
    {"escaped quotes and line breaks survive", "quote", nullptr, kStringText, 1024, "say \"hi\"\n"},
    {"no closing quote keeps the line break", "open", nullptr, kStringText, 1024,
     "no closing quote\f"},
    {"a line without =\" is taken from its eleventh character", "bare", nullptr, kStringText,
     1024, "as no quote at all here\f"},
    {"upper-case keys never match", "upper", nullptr, kStringText, 1024, "upper"},
    {"a miss copies the source", "missing", nullptr, kStringText, 1024, "missing"},
    {"another kind is another key", "abc", nullptr, kDialogText, 1024, "abc"},
    {"an empty text in a dialog's context", "", "SETUPDLG", kDialogText, 1024, "120*110"},
    {"a small destination holds the start", "abc", nullptr, kStringText, 5, "Tran"},
    {"a small destination cuts a miss too", "missing", nullptr, kStringText, 4, "mis"},
    {"a destination of one character", "abc", nullptr, kStringText, 1, ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.what);
    CHECK(Translated(*catalogue, c.source, c.context, c.kind, c.size) == c.expected);
  }

  SUBCASE("in place") {
    char buffer[kUiStringChars] = "abc";
    catalogue->Translate(buffer, sizeof buffer, buffer, nullptr, kStringText);
    CHECK(std::string(buffer) == "Translated");
    char miss[kUiStringChars] = "not there";
    catalogue->Translate(miss, sizeof miss, miss, nullptr, kStringText);
    CHECK(std::string(miss) == "not there");
  }
  SUBCASE("without a catalogue the source passes") {
    LanguageResources none;
    CHECK(Translated(none, "abc") == "abc");
    int sx = 0, sy = 0;
    CHECK_FALSE(none.GetScale("SETUPDLG", sx, sy));
    CHECK(sx == 100);
    CHECK(sy == 100);
  }
  SUBCASE("the scale entry of a dialog") {
    int sx = 0, sy = 0;
    CHECK(catalogue->GetScale("SETUPDLG", sx, sy));
    CHECK(sx == 120);
    CHECK(sy == 110);
    CHECK_FALSE(catalogue->GetScale("DONEDLG", sx, sy));
  }
}

TEST_CASE("the last line gives at most 255 characters") {
  const std::string key = Key(kStringText, nullptr, "long");
  struct Case { std::string line; std::string expected; };
  const Case cases[] = {
    {key + "=\"" + std::string(300, 'w') + "\"", std::string(255, 'w')},
    {key + "=\"" + std::string(200, 'w') + "\"", std::string(200, 'w')},
    {key + "=\"no closing quote", "no closing quote"},
    {key + "=\"", ""},
    {key + "=", ""},   // shorter than an entry: nothing past the end is read
    {key, "long"},     // too short to be indexed or scanned: a miss
  };
  for (const Case& c : cases) {
    CAPTURE(c.line.size());
    auto catalogue = LoadBytes(kHead + "x\n" + c.line);
    CHECK(Translated(*catalogue, "long") == c.expected);
  }
}

TEST_CASE("duplicate keys: the binary search finds one, the scan the first") {
  const std::string key = Key(kStringText, nullptr, "dup");
  std::string body = kHead;
  for (char c = 'a'; c <= 'e'; ++c)
    body += Key(kStringText, nullptr, std::string(1, c).c_str()) + "=\"" + c + "\"\n";
  body += key + " first, without quote\n" + key + "=\"second\"\n" + key + "=\"third\"\n";
  auto catalogue = LoadBytes(body);
  const char* found = catalogue->FindEntry(key.c_str());
  REQUIRE(found != nullptr);
  CHECK(std::string(found, 8) == key);
  const char* scanned = catalogue->ScanEntries(key.c_str());
  REQUIRE(scanned != nullptr);
  CHECK(std::string(scanned, 17) == key + "=\"second\"");
  CHECK(catalogue->FindEntry("ffffffff") == nullptr);
  CHECK(catalogue->ScanEntries("ffffffff") == nullptr);
  for (char c = 'a'; c <= 'e'; ++c) {
    std::string text(1, c);
    CHECK(Translated(*catalogue, text.c_str()) == text);
  }
}

TEST_CASE("scale entries read as atol reads them") {
  struct Case { const char* text; int sx; int sy; bool scaled; };
  const Case cases[] = {
    {"120*110", 120, 110, true},
    {"100*100", 100, 100, false},
    {"150", 100, 100, false},
    {"", 100, 100, false},
    {"120*110*5", 120, 110, true},
    {"*90", 0, 90, true},
    {"100*", 100, 0, true},
    {"100*80", 100, 80, true},
    {" \t+50*-20", 50, -20, true},
    {"12ab*7x", 12, 7, true},
    {"99999999999999999999*1", 100000, 1, true},
    {"-99999999999999999999*100", -100000, 100, true},
  };
  for (const Case& c : cases) {
    CAPTURE(c.text);
    int sx = 0, sy = 0;
    CHECK(ParseScale(c.text, sx, sy) == c.scaled);
    CHECK(sx == c.sx);
    CHECK(sy == c.sy);
  }
}
