// Registry helpers against Wine's real registry, redirected into a sandbox.
// Every check looks at the registry through the plain Win32 calls, never
// through the helpers under test.
#include <doctest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "common/sandbox.h"
#include "registry/registry.h"
#include "support/support.h"

namespace {

// Keys are opened one component at a time: Wine refuses a path of more than
// 259 characters in one call, and some trees below go deeper than that.
HKEY RawOpen(HKEY root, const std::string& path, bool create) {
  HKEY current = root;
  size_t start = 0;
  for (;;) {
    size_t end = path.find('\\', start);
    std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    HKEY next = nullptr;
    LONG rc = create ? RegCreateKeyExA(current, part.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                       nullptr, &next, nullptr)
                     : RegOpenKeyExA(current, part.c_str(), 0, KEY_ALL_ACCESS, &next);
    if (current != root)
      RegCloseKey(current);
    if (rc != ERROR_SUCCESS)
      return nullptr;
    current = next;
    if (end == std::string::npos)
      return current;
    start = end + 1;
  }
}

bool RawExists(HKEY root, const std::string& path) {
  HKEY key = RawOpen(root, path, false);
  if (key == nullptr)
    return false;
  RegCloseKey(key);
  return true;
}

// Deletes the key at `path` and then each of its ancestors, as far as they are empty.
void RawDeleteChain(HKEY root, std::string path) {
  for (;;) {
    size_t cut = path.rfind('\\');
    if (cut == std::string::npos) {
      RegDeleteKeyA(root, path.c_str());
      return;
    }
    HKEY parent = RawOpen(root, path.substr(0, cut), false);
    if (parent != nullptr) {
      RegDeleteKeyA(parent, path.substr(cut + 1).c_str());
      RegCloseKey(parent);
    }
    path.erase(cut);
  }
}

// The stored bytes and kind; false when the value is missing.
bool RawRead(HKEY root, const std::string& path, const char* name, std::string& bytes,
             DWORD& kind) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  char data[2048];
  DWORD size = sizeof data;
  LONG rc = RegQueryValueExA(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS)
    return false;
  bytes.assign(data, size);
  return true;
}

void RawSet(HKEY root, const std::string& path, const char* name, DWORD kind, const void* data,
            DWORD size) {
  HKEY key;
  REQUIRE(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) == ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, kind, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

void RawSetText(HKEY root, const std::string& path, const char* name, const std::string& text) {
  RawSet(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void RawMakeKey(HKEY root, const std::string& path) {
  HKEY key = RawOpen(root, path, true);
  REQUIRE(key != nullptr);
  RegCloseKey(key);
}

bool IsNt() { return NtMajorVersion() != 0; }

const HKEY kRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};

}  // namespace

TEST_CASE("paths under the user root map onto the product key and others stay unchanged") {
  const std::string s236(236, 'k');
  const std::string s237(237, 'k');
  struct Case {
    HKEY Root;
    std::string Input;
    const char* Expected;  // nullptr: refused
  };
  const Case cases[] = {
    {HKEY_CURRENT_USER, "", "Software\\Tazmor"},
    {HKEY_CURRENT_USER, "Setup\\MenuItems", "Software\\Tazmor\\Setup\\MenuItems"},
    {HKEY_CURRENT_USER, "\\Software\\Other", "Software\\Other"},
    {HKEY_CLASSES_ROOT, ".zip\\ShellNew", ".zip\\ShellNew"},
    {HKEY_CLASSES_ROOT, "\\.zip", "\\.zip"},
    {HKEY_LOCAL_MACHINE, "\\Software\\X", "\\Software\\X"},
    {HKEY_LOCAL_MACHINE, "", ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.Input);
    char out[kRegPathChars] = "untouched";
    REQUIRE(ProductKeyPath(c.Root, c.Input.c_str(), out, sizeof out));
    CHECK(std::string(out) == c.Expected);
  }
  for (HKEY root : kRoots) {
    CAPTURE(reinterpret_cast<uintptr_t>(root));
    char out[kRegPathChars] = "untouched";
    CHECK(ProductKeyPath(root, s236.c_str(), out, sizeof out));
    CHECK(std::string(out) ==
          (root == HKEY_CURRENT_USER ? "Software\\Tazmor\\" + s236 : s236));
    CopyText(out, sizeof out, "untouched");
    CHECK_FALSE(ProductKeyPath(root, s237.c_str(), out, sizeof out));
    CHECK(std::string(out) == "untouched");
    std::string escaped = "\\" + s237;
    CHECK_FALSE(ProductKeyPath(root, escaped.c_str(), out, sizeof out));
  }
}

TEST_CASE("writers create missing keys along the path and store the kind given") {
  RegistrySandbox sandbox;
  WriteRegString("A\\B\\C", "Text", "hello");
  WriteRegString("A\\B\\C", "Empty", "");
  WriteRegDword("A", "Number", 0x01020304);
  const unsigned char block[] = {0, 1, 2, 0xFF, 0};
  WriteRegBinary(HKEY_CLASSES_ROOT, ".x\\ShellNew", "Data", block, sizeof block);
  WriteRegString(HKEY_LOCAL_MACHINE, "Software\\M", "", "default");

  struct Expect {
    HKEY Root;
    const char* Path;
    const char* Name;
    DWORD Kind;
    std::string Bytes;
  };
  const Expect expected[] = {
    {HKEY_CURRENT_USER, "Software\\Tazmor\\A\\B\\C", "Text", REG_SZ, std::string("hello", 6)},
    {HKEY_CURRENT_USER, "Software\\Tazmor\\A\\B\\C", "Empty", REG_SZ, std::string(1, '\0')},
    {HKEY_CURRENT_USER, "Software\\Tazmor\\A", "Number", REG_DWORD, std::string("\4\3\2\1", 4)},
    {HKEY_CLASSES_ROOT, ".x\\ShellNew", "Data", REG_BINARY,
     std::string(reinterpret_cast<const char*>(block), sizeof block)},
    {HKEY_LOCAL_MACHINE, "Software\\M", "", REG_SZ, std::string("default", 8)},
  };
  for (const Expect& e : expected) {
    CAPTURE(e.Path);
    CAPTURE(e.Name);
    std::string bytes;
    DWORD kind = 0;
    REQUIRE(RawRead(e.Root, e.Path, e.Name, bytes, kind));
    CHECK(kind == e.Kind);
    CHECK(bytes == e.Bytes);
  }
}

TEST_CASE("a refused path writes and deletes nothing under any root") {
  RegistrySandbox sandbox;
  const std::string longPath(237, 'p');
  RawSetText(HKEY_CLASSES_ROOT, ".keep", "", "kept");
  for (HKEY root : kRoots) {
    WriteRegString(root, longPath.c_str(), "v", "x");
    WriteRegDword(root, longPath.c_str(), "v", 1);
    WriteRegBinary(root, longPath.c_str(), "v", "x", 1);
    CHECK_FALSE(RegKeyExists(root, longPath.c_str()));
    DeleteRegTree(root, longPath.c_str());
    DeleteRegKey(root, longPath.c_str());
  }
  CHECK_FALSE(RawExists(HKEY_CURRENT_USER, "Software\\Tazmor"));
  CHECK_FALSE(RawExists(HKEY_CLASSES_ROOT, longPath.substr(0, 200)));
  CHECK(RawExists(HKEY_CLASSES_ROOT, ".keep"));
}

TEST_CASE("readers fall back on the default for anything they cannot read whole") {
  RegistrySandbox sandbox;
  const std::string base = "Software\\Tazmor\\R";
  RawSetText(HKEY_CURRENT_USER, base, "Text", "hello");
  RawSet(HKEY_CURRENT_USER, base, "NoNul", REG_BINARY, "abc", 3);
  DWORD seven = 7;
  RawSet(HKEY_CURRENT_USER, base, "Dword", REG_DWORD, &seven, 4);
  RawSet(HKEY_CURRENT_USER, base, "Eight", REG_BINARY, "12345678", 8);
  const unsigned char two[] = {0x34, 0x12};
  RawSet(HKEY_CURRENT_USER, base, "Two", REG_BINARY, two, 2);

  SUBCASE("strings") {
    struct Case {
      const char* Path;
      const char* Name;
      DWORD Size;
      const char* Text;
      bool Read;
    };
    const Case cases[] = {
      {"R", "Text", 256, "hello", true},
      {"R", "Text", 6, "hello", true},    // exactly the text and its NUL
      {"R", "Text", 5, "d", false},       // one byte short
      {"R", "Missing", 256, "d", false},
      {"Missing", "Text", 256, "d", false},
      {"R", "NoNul", 256, "abc", true},   // terminated by the reader
      {"R", "NoNul", 3, "d", false},      // no room left for the NUL
    };
    for (const Case& c : cases) {
      CAPTURE(c.Path);
      CAPTURE(c.Name);
      CAPTURE(c.Size);
      char buffer[256];
      std::memset(buffer, 'x', sizeof buffer);
      CHECK(ReadRegString(c.Path, c.Name, buffer, "d", c.Size) == c.Read);
      CHECK(std::string(buffer) == c.Text);
    }
  }
  SUBCASE("a default longer than the buffer is cut, not overrun") {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    CHECK_FALSE(ReadRegString("R", "Missing", buffer, "abcdefghijkl", 4));
    CHECK(std::string(buffer) == "abc");
    CHECK(buffer[4] == 'x');
  }
  SUBCASE("numbers") {
    struct Case {
      const char* Path;
      const char* Name;
      DWORD Value;
    };
    const Case cases[] = {
      {"R", "Dword", 7},
      {"R", "Missing", 42},
      {"Missing", "Dword", 42},
      {"R", "Eight", 42},    // longer than four bytes
      {"R", "Two", 0x1234},  // shorter: the upper bytes are 0
    };
    for (const Case& c : cases) {
      CAPTURE(c.Name);
      CHECK(ReadRegDword(c.Path, c.Name, 42) == c.Value);
    }
  }
}

TEST_CASE("single deletions remove one value or one key and never a root") {
  RegistrySandbox sandbox;
  RawSetText(HKEY_CLASSES_ROOT, ".k", "", "default");
  RawSetText(HKEY_CLASSES_ROOT, ".k", "Other", "v");
  RawMakeKey(HKEY_CLASSES_ROOT, ".k\\Sub");
  RawMakeKey(HKEY_CLASSES_ROOT, ".leaf");

  DeleteRegValue(HKEY_CLASSES_ROOT, ".k", "");
  std::string bytes;
  DWORD kind;
  CHECK_FALSE(RawRead(HKEY_CLASSES_ROOT, ".k", "", bytes, kind));
  CHECK(RawRead(HKEY_CLASSES_ROOT, ".k", "Other", bytes, kind));
  CHECK(RawExists(HKEY_CLASSES_ROOT, ".k\\Sub"));

  DeleteRegKey(HKEY_CLASSES_ROOT, ".leaf");
  CHECK_FALSE(RawExists(HKEY_CLASSES_ROOT, ".leaf"));

  // One call on a key with sub-keys: refused on NT, a whole tree on 9x.
  DeleteRegKey(HKEY_CLASSES_ROOT, ".k");
  CHECK(RawExists(HKEY_CLASSES_ROOT, ".k") == IsNt());

  // Empty mapped paths name the (sandboxed) roots themselves.
  RawMakeKey(HKEY_CLASSES_ROOT, ".probe");
  RawMakeKey(HKEY_CURRENT_USER, "Outside");
  DeleteRegKey(HKEY_CLASSES_ROOT, "");
  DeleteRegTree(HKEY_CLASSES_ROOT, "");
  DeleteRegKey(HKEY_CURRENT_USER, "\\");
  DeleteRegTree(HKEY_CURRENT_USER, "\\");
  CHECK(RawExists(HKEY_CLASSES_ROOT, ".probe"));
  CHECK(RawExists(HKEY_CURRENT_USER, "Outside"));
}

TEST_CASE("RegKeyExists tells existing keys from missing and refused ones") {
  RegistrySandbox sandbox;
  RawMakeKey(HKEY_CURRENT_USER, "Software\\Tazmor\\Setup");
  RawMakeKey(HKEY_CLASSES_ROOT, ".zip");
  struct Case {
    HKEY Root;
    std::string Path;
    bool Exists;
  };
  const Case cases[] = {
    {HKEY_CURRENT_USER, "", true},
    {HKEY_CURRENT_USER, "Setup", true},
    {HKEY_CURRENT_USER, "Setup\\Links", false},
    {HKEY_CURRENT_USER, "\\Software\\Tazmor\\Setup", true},
    {HKEY_CLASSES_ROOT, ".zip", true},
    {HKEY_CLASSES_ROOT, ".rar", false},
    {HKEY_CLASSES_ROOT, std::string(237, 'z'), false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.Path);
    CHECK(RegKeyExists(c.Root, c.Path.c_str()) == c.Exists);
  }
}

TEST_CASE("DeleteRegTree removes whole trees and leaves their neighbours") {
  RegistrySandbox sandbox;
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 2; ++j)
      RawMakeKey(HKEY_CLASSES_ROOT, "T\\c" + std::to_string(i) + "\\g" + std::to_string(j));
  }
  RawSetText(HKEY_CLASSES_ROOT, "T\\c2", "v", "x");
  RawMakeKey(HKEY_CLASSES_ROOT, "T2");
  RawMakeKey(HKEY_CURRENT_USER, "Software\\Tazmor\\Setup\\.zip");
  RawMakeKey(HKEY_CURRENT_USER, "Software\\Tazmor\\Setup\\Links");
  RawMakeKey(HKEY_CURRENT_USER, "Software\\TazmorOther");

  DeleteRegTree(HKEY_CLASSES_ROOT, "T");
  CHECK_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "T"));
  CHECK_FALSE(RawExists(HKEY_CLASSES_ROOT, "T"));
  CHECK(RawExists(HKEY_CLASSES_ROOT, "T2"));

  DeleteRegTree(HKEY_CURRENT_USER, "");
  CHECK_FALSE(RawExists(HKEY_CURRENT_USER, "Software\\Tazmor"));
  CHECK(RawExists(HKEY_CURRENT_USER, "Software\\TazmorOther"));

  DeleteRegTree(HKEY_CLASSES_ROOT, "Missing");
  CHECK(RawExists(HKEY_CLASSES_ROOT, "T2"));
}

TEST_CASE("DeleteRegTree keeps what it cannot reach and its ancestors, and returns") {
  RegistrySandbox sandbox;
  struct Case {
    const char* What;
    std::string Unreachable;  // path of the key the passes cannot handle
    bool Stays;               // on the NT family
  };
  const std::string n199(199, 'n');
  const std::string n200(200, 'n');
  const std::string level(199, 'a');
  const Case cases[] = {
    {"a name of 199 characters still fits", "T\\B\\" + n199, false},
    {"a name of 200 characters ends the enumeration", "T\\B\\" + n200, true},
    {"a child path beyond 511 characters is not shortened",
     "T\\B\\" + level + "\\" + level + "\\" + level, true},
  };
  for (const Case& c : cases) {
    CAPTURE(c.What);
    RawMakeKey(HKEY_CLASSES_ROOT, "T\\A");
    RawMakeKey(HKEY_CLASSES_ROOT, "T\\C\\D");
    RawMakeKey(HKEY_CLASSES_ROOT, c.Unreachable);
    REQUIRE(RawExists(HKEY_CLASSES_ROOT, c.Unreachable));
    DeleteRegTree(HKEY_CLASSES_ROOT, "T");
    bool stays = c.Stays && IsNt();
    CHECK(RawExists(HKEY_CLASSES_ROOT, c.Unreachable) == stays);
    CHECK(RawExists(HKEY_CLASSES_ROOT, "T\\B") == stays);
    CHECK(RawExists(HKEY_CLASSES_ROOT, "T") == stays);
    CHECK_FALSE(RawExists(HKEY_CLASSES_ROOT, "T\\A"));
    CHECK_FALSE(RawExists(HKEY_CLASSES_ROOT, "T\\C"));
    // Clear the way for the next case without the helper under test.
    RawDeleteChain(HKEY_CLASSES_ROOT, c.Unreachable);
    REQUIRE_FALSE(RawExists(HKEY_CLASSES_ROOT, "T"));
  }
}
