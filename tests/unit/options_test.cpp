// The setup choices under the product key: defaults, the ".iso" rule, saving,
// and the test for the archiver's own association. The dialog itself is
// driven end to end (tests/e2e/setup_test.cpp).
#include <doctest.h>

#include <cstring>
#include <string>

#include "common/sandbox.h"
#include "setup/setup.h"

namespace {

const char* const kTypeKeys[kArchiveTypes] = {".qel", ".zip", ".cab", ".arj", ".lzh", ".ace",
                                              ".tar", ".gz",  ".uue", ".bz2", ".jar", ".iso"};

void RawSetText(const std::string& path, const char* name, const std::string& text) {
  HKEY key;
  REQUIRE(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) == ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

// Under the product key of the sandboxed HKEY_CURRENT_USER.
void RawSetDword(const std::string& path, const char* name, DWORD value) {
  HKEY key;
  std::string full = "Software\\Tazmor\\" + path;
  REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) == ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

// The stored DWORD, or -1 when the value is missing or not a DWORD.
long long RawDword(const std::string& path, const char* name) {
  HKEY key;
  std::string full = "Software\\Tazmor\\" + path;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return -1;
  DWORD value = 0, size = sizeof value, kind = 0;
  LONG rc = RegQueryValueExA(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && kind == REG_DWORD && size == 4 ? value : -1;
}

// The record as a string of 0/1: twelve types, then the six interface flags.
std::string Flags(const SetupOptions& o) {
  std::string s;
  for (unsigned char t : o.Types)
    s += static_cast<char>('0' + t);
  for (unsigned char f : {o.Desktop, o.StartMenu, o.Programs, o.ShellExt, o.CascadedMenu,
                          o.MenuIcons})
    s += static_cast<char>('0' + f);
  return s;
}

SetupOptions Loaded() {
  SetupOptions options;
  std::memset(&options, 0x77, sizeof options);
  LoadSetupOptions(options);
  return options;
}

}  // namespace

TEST_CASE("the archive-type table names the types' extensions in check-box order") {
  for (int type = 0; type < kArchiveTypes; ++type) {
    CAPTURE(type);
    std::string row = ArchiveTypeTable[type];
    CHECK(row.compare(0, std::strlen(kTypeKeys[type]), kTypeKeys[type]) == 0);
  }
  CHECK(std::string(ArchiveTypeTable[kQelType]) == ".qel");
  CHECK(std::string(ArchiveTypeTable[kZipType]) == ".zip");
  CHECK(std::string(ArchiveTypeTable[kIsoType]) == ".iso");
}

TEST_CASE("a first installation starts from the defaults, and another claim on .iso unchecks ISO") {
  struct Case {
    const char* IsoClass;  // default value of HKCR\.iso; nullptr: no key
    long IsoSet;           // saved "Set" of ISO; -1: none
    char Iso;              // expected ISO flag
  };
  const Case cases[] = {
    {nullptr, -1, '1'},
    {"", -1, '1'},                 // a key without a class claims nothing
    {"Burner.Image", -1, '0'},
    {"Burner.Image", 1, '0'},      // the claim wins over a saved choice
    {"tazmor", -1, '1'},           // ours already: the saved choice decides
    {"Tazmor", 0, '0'},
    {"Tazmor.ZIP", 5, '1'},
    {nullptr, 0, '0'},
  };
  for (const Case& c : cases) {
    CAPTURE(c.IsoClass ? c.IsoClass : "(no key)");
    CAPTURE(c.IsoSet);
    RegistrySandbox sandbox;
    if (c.IsoClass != nullptr)
      RawSetText(".iso", "", c.IsoClass);
    if (c.IsoSet >= 0)
      RawSetDword("Setup\\.iso", "Set", static_cast<DWORD>(c.IsoSet));
    CHECK(Flags(Loaded()) == std::string("11111111111") + c.Iso + "001101");
  }
}

TEST_CASE("saved choices are read back, any non-zero value counting as set") {
  RegistrySandbox sandbox;
  RawSetDword("Setup\\.zip", "Set", 0);
  RawSetDword("Setup\\.lzh", "Set", 5);
  RawSetDword("Setup\\.bz2", "Set", 0);
  RawSetDword("Setup\\Links", "Desktop", 5);
  RawSetDword("Setup\\Links", "Programs", 0);
  RawSetDword("Setup", "ShellExt", 0);
  RawSetDword("Setup", "CascadedMenu", 1);
  RawSetDword("Setup", "MenuIcons", 0);
  // Values under an extension that is not a type's first one are not looked at.
  RawSetDword("Setup\\.lha", "Set", 0);
  CHECK(Flags(Loaded()) == "101111111011" "100010");
}

TEST_CASE("saving writes every choice but ISO's and loads back the same") {
  const std::string patterns[] = {
    "101010101010" "101010",
    "010101010101" "010101",
    "000000000000" "000000",
  };
  for (const std::string& pattern : patterns) {
    CAPTURE(pattern);
    RegistrySandbox sandbox;
    SetupOptions options = {};
    unsigned char* flags[] = {&options.Desktop, &options.StartMenu, &options.Programs,
                              &options.ShellExt, &options.CascadedMenu, &options.MenuIcons};
    for (int i = 0; i < kArchiveTypes; ++i)
      options.Types[i] = pattern[i] == '1';
    for (int i = 0; i < 6; ++i)
      *flags[i] = pattern[kArchiveTypes + i] == '1';
    SaveSetupOptions(options);

    for (int i = 0; i < kArchiveTypes; ++i) {
      CAPTURE(kTypeKeys[i]);
      long long expected = i == kIsoType ? -1 : pattern[i] - '0';
      CHECK(RawDword(std::string("Setup\\") + kTypeKeys[i], "Set") == expected);
    }
    const char* names[] = {"Desktop", "StartMenu", "Programs", "ShellExt", "CascadedMenu",
                           "MenuIcons"};
    for (int i = 0; i < 6; ++i) {
      CAPTURE(names[i]);
      CHECK(RawDword(i < 3 ? "Setup\\Links" : "Setup", names[i]) == pattern[kArchiveTypes + i] - '0');
    }
    // ISO is not kept: with ".iso" unclaimed it starts checked again.
    std::string expected = pattern;
    expected[kIsoType] = '1';
    CHECK(Flags(Loaded()) == expected);
  }
}

TEST_CASE("an extension is the archiver's when it names one of its classes in any case") {
  RegistrySandbox sandbox;
  struct Case {
    const char* Value;  // nullptr: no key
    bool Own;
  };
  const Case cases[] = {
    {"Tazmor", true},       {"TAZMOR.zip", true},  {"tazmor", true},
    {"Tazmor.REV", false},  {"Tazmor ", false},    {"Other.Zip", false},
    {"", false},            {nullptr, false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.Value ? c.Value : "(no key)");
    if (c.Value != nullptr)
      RawSetText(".ext", "", c.Value);
    else
      RegDeleteKeyA(HKEY_CLASSES_ROOT, ".ext");
    CHECK(IsOwnAssociation(".ext") == c.Own);
  }
  // A value that does not fit the 80-byte read is no class name of ours.
  RawSetText(".long", "", "Tazmor" + std::string(80, ' '));
  CHECK_FALSE(IsOwnAssociation(".long"));
  RawSetText(".zip", "", "Tazmor");
  RawSetText(".qel", "", "Tazmor.ZIP");
  CHECK(IsOwnAssociation(".zip"));
  CHECK(IsOwnAssociation(".qel"));
}
