// Taking archive extensions over and giving them back, inside a registry
// sandbox. The "New" menu's template files land beside the executable, so the
// file branch is exercised end to end (tests/e2e/setup_test.cpp); here only the
// Windows 98 copy takes the "New" entry, as a binary value.
#include <doctest.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "common/sandbox.h"
#include "setup/setup.h"
#include "support/support.h"

namespace {

const char kNone[] = "<none>";

// A value as text (REG_SZ) or "#n" (REG_DWORD); kNone when missing.
std::string Raw(HKEY root, const std::string& path, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return kNone;
  char data[1024] = {};
  DWORD size = sizeof data - 1, kind = 0;
  LONG rc = RegQueryValueExA(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS)
    return kNone;
  if (kind == REG_DWORD)
    return "#" + std::to_string(*reinterpret_cast<DWORD*>(data));
  if (kind == REG_BINARY)
    return std::string(data, size);
  return data;
}

std::string Class(const std::string& ext, const char* name = "") {
  return Raw(HKEY_CLASSES_ROOT, ext, name);
}

std::string Saved(const std::string& ext, const char* name) {
  return Raw(HKEY_CURRENT_USER, "Software\\Tazmor\\Setup\\" + ext, name);
}

bool Exists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

void Set(HKEY root, const std::string& path, const char* name, const std::string& text) {
  HKEY key;
  REQUIRE(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) == ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

void SetClass(const std::string& path, const char* name, const std::string& text) {
  Set(HKEY_CLASSES_ROOT, path, name, text);
}

void SetSaved(const std::string& ext, const char* name, const std::string& text) {
  Set(HKEY_CURRENT_USER, "Software\\Tazmor\\Setup\\" + ext, name, text);
}

void SetSavedDword(const std::string& ext, const char* name, DWORD value) {
  HKEY key;
  std::string path = "Software\\Tazmor\\Setup\\" + ext;
  REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) == ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

SetupOptions Chosen(std::initializer_list<int> types, bool shellExt = false) {
  SetupOptions options = {};
  for (int type : types)
    options.Types[type] = 1;
  options.ShellExt = shellExt ? 1 : 0;
  return options;
}

const SetupOptions kAllOff = {};

std::string Volume(int n) {
  char name[8];
  std::snprintf(name, sizeof name, ".q%02d", n);
  return name;
}

int TakenVolumes() { return NtMajorVersion() != 0 ? 30 : 100; }

}  // namespace

TEST_CASE("a foreign .zip is saved once, taken over and given back whole") {
  RegistrySandbox sandbox;
  SetClass(".zip", "", "Other.Zip");
  SetClass(".zip", "Content Type", "application/zip");
  SetClass(".zip\\ShellNew", "NullFile", "");

  UpdateAssociations(Chosen({kZipType}));
  CHECK(Saved(".zip", "Exist") == "#1");
  CHECK(Saved(".zip", "Type") == "Other.Zip");
  CHECK(Saved(".zip", "Content") == "application/zip");
  CHECK(Saved(".zip", "ShellNew") == "*");
  CHECK(Class(".zip") == "Tazmor.ZIP");
  CHECK(Class(".zip", "Content Type") == kNone);
  // Without the shell integration the "New" entry stays as it was.
  CHECK(Class(".zip\\ShellNew", "NullFile") == "");
  CHECK_FALSE(Exists(HKEY_CLASSES_ROOT, ".qel"));
  CHECK_FALSE(Exists(HKEY_CURRENT_USER, "Software\\Tazmor\\Setup\\.qel"));

  // A second setup finds .zip already ours and keeps the first record.
  UpdateAssociations(Chosen({kZipType}));
  CHECK(Saved(".zip", "Type") == "Other.Zip");
  CHECK(Saved(".zip", "ShellNew") == "*");

  UpdateAssociations(kAllOff);
  CHECK(Class(".zip") == "Other.Zip");
  CHECK(Class(".zip", "Content Type") == "application/zip");
  CHECK(Class(".zip\\ShellNew", "NullFile") == "");
  CHECK(Class(".zip\\ShellNew", "FileName") == kNone);
  // The record stays for the uninstaller, which removes the whole product key.
  CHECK(Saved(".zip", "Type") == "Other.Zip");
}

TEST_CASE("an extension that had no key is recorded as missing and removed on restore") {
  RegistrySandbox sandbox;
  UpdateAssociations(Chosen({3}));  // ARJ
  CHECK(Saved(".arj", "Exist") == "#0");
  CHECK(Saved(".arj", "Type") == "");
  CHECK(Saved(".arj", "Content") == "");
  CHECK(Saved(".arj", "ShellNew") == "");
  CHECK(Class(".arj") == "Tazmor");
  // Something added a "New" entry meanwhile: it goes first, so the key can go.
  SetClass(".arj\\ShellNew", "NullFile", "");

  UpdateAssociations(kAllOff);
  CHECK_FALSE(Exists(HKEY_CLASSES_ROOT, ".arj\\ShellNew"));
  CHECK_FALSE(Exists(HKEY_CLASSES_ROOT, ".arj"));
}

TEST_CASE("a previous \"New\" entry is recorded by its file name before its empty-file flag") {
  RegistrySandbox sandbox;
  SetClass(".cab", "", "Cabinet");
  SetClass(".cab\\ShellNew", "FileName", "C:\\Templates\\new.cab");
  SetClass(".cab\\ShellNew", "NullFile", "");
  UpdateAssociations(Chosen({2}));  // CAB
  CHECK(Saved(".cab", "ShellNew") == "C:\\Templates\\new.cab");
  CHECK(Saved(".cab", "Content") == "");

  SetClass(".cab\\ShellNew", "FileName", "changed");
  UpdateAssociations(kAllOff);
  CHECK(Class(".cab") == "Cabinet");
  CHECK(Class(".cab\\ShellNew", "FileName") == "C:\\Templates\\new.cab");
}

TEST_CASE("an extension of ours without a record is left with an empty class") {
  RegistrySandbox sandbox;
  SetClass(".ace", "", "Tazmor");
  SetClass(".ace", "Content Type", "x/ace");
  SetClass(".ace\\ShellNew", "FileName", "C:\\x.ace");
  UpdateAssociations(kAllOff);
  CHECK(Class(".ace") == "");
  CHECK(Class(".ace", "Content Type") == kNone);
  CHECK(Class(".ace\\ShellNew", "FileName") == kNone);
}

TEST_CASE("only extensions that are still the archiver's are given back") {
  RegistrySandbox sandbox;
  // Foreign now, whatever the record says.
  SetClass(".tar", "", "Other.Tar");
  SetSavedDword(".tar", "Exist", 0);
  SetSaved(".tar", "Type", "Old.Tar");
  // Ours in another letter case: taken over again, no record written.
  SetClass(".gz", "", "TAZMOR.zip");

  UpdateAssociations(Chosen({7}));  // GZip
  CHECK(Class(".gz") == "Tazmor");
  CHECK(Class(".tgz") == "Tazmor");
  CHECK_FALSE(Exists(HKEY_CURRENT_USER, "Software\\Tazmor\\Setup\\.gz"));
  CHECK(Saved(".tgz", "Exist") == "#0");

  UpdateAssociations(kAllOff);
  CHECK(Class(".tar") == "Other.Tar");
  CHECK(Saved(".tar", "Type") == "Old.Tar");
}

TEST_CASE("every extension of every chosen type is bound to its class") {
  RegistrySandbox sandbox;
  SetupOptions all = {};
  for (unsigned char& t : all.Types)
    t = 1;
  UpdateAssociations(all);
  const char* const extensions[] = {".qel", ".cab", ".arj", ".lzh", ".lha", ".ace", ".tar",
                                    ".gz",  ".tgz", ".uue", ".xxe", ".uu",  ".bz2", ".tbz2",
                                    ".bz",  ".tbz", ".jar", ".iso"};
  for (const char* ext : extensions) {
    CAPTURE(ext);
    CHECK(Class(ext) == "Tazmor");
    CHECK(Saved(ext, "Exist") == "#0");
  }
  CHECK(Class(".zip") == "Tazmor.ZIP");

  UpdateAssociations(kAllOff);
  for (const char* ext : extensions) {
    CAPTURE(ext);
    CHECK_FALSE(Exists(HKEY_CLASSES_ROOT, ext));
  }
  CHECK_FALSE(Exists(HKEY_CLASSES_ROOT, ".zip"));
  for (int n = 0; n < 100; ++n)
    CHECK_FALSE(Exists(HKEY_CLASSES_ROOT, Volume(n)));
}

TEST_CASE("volumes are taken over by family and given back only while they are ours") {
  RegistrySandbox sandbox;
  SetClass(".qel", "", "Old.Qel");
  SetClass(".qel", "Content Type", "x/qel");
  SetClass(".q07", "Content Type", "x/vol");
  SetClass(".q99", "", "Other.Volume");  // on the NT family never taken

  UpdateAssociations(Chosen({kQelType}));
  int taken = TakenVolumes();
  for (int n = 0; n < 100; ++n) {
    CAPTURE(n);
    if (n < taken)
      CHECK(Class(Volume(n)) == "Tazmor");
    else if (n != 99)
      CHECK_FALSE(Exists(HKEY_CLASSES_ROOT, Volume(n)));
  }
  CHECK(Class(".q07", "Content Type") == kNone);
  CHECK(Class(".q99") == (taken == 100 ? "Tazmor" : "Other.Volume"));

  // Another program claims one volume after setup.
  SetClass(".q50", "", "Other.Volume");
  UpdateAssociations(kAllOff);
  CHECK(Class(".qel") == "Old.Qel");
  CHECK(Class(".qel", "Content Type") == "x/qel");
  CHECK(Class(".q00") == "Old.Qel");
  CHECK(Class(".q00", "Content Type") == "x/qel");
  CHECK(Class(".q29") == "Old.Qel");
  CHECK(Class(".q50") == "Other.Volume");
  CHECK(Class(".q99") == (taken == 100 ? "Old.Qel" : "Other.Volume"));
  // Volumes setup never took are not created by the restore.
  if (taken == 30)
    CHECK_FALSE(Exists(HKEY_CLASSES_ROOT, ".q30"));
  else
    CHECK(Class(".q30") == "Old.Qel");
}

TEST_CASE("a recorded class of the archiver's own restores as no class and drops the volumes") {
  RegistrySandbox sandbox;
  SetClass(".qel", "", "Tazmor");
  SetClass(".q00", "", "Tazmor");
  SetClass(".q42", "", "tazmor");
  SetClass(".q43", "", "Somebody.Else");
  SetSavedDword(".qel", "Exist", 1);
  SetSaved(".qel", "Type", "TAZMOR");
  SetSaved(".qel", "Content", "x/qel");
  UpdateAssociations(kAllOff);
  CHECK(Class(".qel") == "");
  CHECK(Class(".qel", "Content Type") == "x/qel");
  CHECK_FALSE(Exists(HKEY_CLASSES_ROOT, ".q00"));
  CHECK_FALSE(Exists(HKEY_CLASSES_ROOT, ".q42"));
  CHECK(Class(".q43") == "Somebody.Else");
}

TEST_CASE("the shell integration handles the \"New\" entry of QEL and ZIP only") {
  RegistrySandbox sandbox;
  SetClass(".cab\\ShellNew", "FileName", "keep.cab");
  SetClass(".tgz\\ShellNew", "NullFile", "");
  UpdateAssociations(Chosen({2, 7}, true));  // CAB, GZip
  CHECK(Class(".cab") == "Tazmor");
  CHECK(Class(".cab\\ShellNew", "FileName") == "keep.cab");
  CHECK(Class(".tgz\\ShellNew", "NullFile") == "");
  CHECK(Class(".tgz\\ShellNew", "Data") == kNone);
}

// Windows 98 reports 4.10: the templates go into the registry, no file is made.
TEST_CASE("on Windows 98 the \"New\" templates are binary values" *
          doctest::skip(NtMajorVersion() != 0)) {
  RegistrySandbox sandbox;
  SetClass(".qel\\ShellNew", "FileName", "C:\\old.qel");
  UpdateAssociations(Chosen({kQelType, kZipType}, true));
  const unsigned char qel[20] = {'Q', 'e', 'l', '!', 0x1A, 0x07, 0x00, 0xCF, 0x90, 0x73,
                                 0x00, 0x00, 0x0D};
  const unsigned char zip[22] = {'P', 'K', 0x05, 0x06};
  CHECK(Class(".qel\\ShellNew", "Data") == std::string(reinterpret_cast<const char*>(qel), 20));
  CHECK(Class(".zip\\ShellNew", "Data") == std::string(reinterpret_cast<const char*>(zip), 22));
  CHECK(Class(".qel\\ShellNew", "FileName") == kNone);
  char path[kPathChars];
  REQUIRE(ExeSiblingPath(path, sizeof path, "qelnew.dat"));
  CHECK(GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES);

  // Given back, the value stays; the recorded file name returns.
  UpdateAssociations(kAllOff);
  CHECK(Class(".qel\\ShellNew", "FileName") == "C:\\old.qel");
  CHECK(Class(".qel\\ShellNew", "Data").size() == 20);
}

TEST_CASE("the three file classes open the main program beside the executable") {
  RegistrySandbox sandbox;
  char program[kPathChars];
  REQUIRE(ExeSiblingPath(program, sizeof program, "Tazmor.exe"));
  const std::string exe = program;
  RegisterFileClasses();
  struct Case {
    const char* Key;
    std::string Value;
  };
  const Case cases[] = {
    {"Tazmor\\shell\\open\\command", "\"" + exe + "\" \"%1\""},
    {"Tazmor\\DefaultIcon", exe + ",0"},
    {"Tazmor.ZIP\\shell\\open\\command", "\"" + exe + "\" \"%1\""},
    {"Tazmor.ZIP\\DefaultIcon", exe + ",0"},
    {".rev", "Tazmor.REV"},
    {"Tazmor.REV\\shell\\open\\command", "\"" + exe + "\" \"%1\""},
    {"Tazmor.REV\\DefaultIcon", exe + ",1"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.Key);
    CHECK(Class(c.Key) == c.Value);
  }
  for (const char* key : {"Tazmor", "Tazmor.ZIP", "Tazmor.REV"})
    CHECK(Class(key) != kNone);
}
