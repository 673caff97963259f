// The support library under Wine: path helpers with the system's own
// lead-byte table, the system helpers, File, the error tracker, the array and
// the uncaught memory error ending a child process.
#include <windows.h>

#include <doctest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/path_cases.h"
#include "support/support.h"
#include "common/files.h"

namespace {

const char kScratch[] = "C:\\support_test";


std::string ChildPath() { return BuildPath("fixtures/support_child.exe"); }

std::string Scratch(const char* name) {
  CreateDirectoryA(kScratch, nullptr);
  return std::string(kScratch) + "\\" + name;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Runs a command line to its end; its exit code, or -1.
long RunToEnd(const std::string& commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return static_cast<long>(code);
}

bool IsWindows98Copy() {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  return std::string(exe).find("_98.exe") != std::string::npos;
}

}  // namespace

TEST_CASE("path helpers with the system's table and a double-byte table") {
  path_cases::CheckAll(SystemLeadBytes);
  path_cases::CheckAll(path_cases::ShiftJisTable());
  path_cases::CheckTrimRightSpace();
  // The short forms use the system's table.
  char path[kPathChars] = "C:\\dir";
  AddPathSlash(path);
  CHECK(std::string(path) == "C:\\dir\\");
  CHECK(std::string(GetNamePart("C:\\dir\\file.txt")) == "file.txt");
}

TEST_CASE("ExeSiblingPath names a file beside the running executable") {
  char exe[kPathChars] = {};
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  *GetNamePart(exe) = '\0';
  char path[kPathChars];
  REQUIRE(ExeSiblingPath(path, sizeof path, "Tazmor.exe"));
  CHECK(std::string(path) == std::string(exe) + "Tazmor.exe");
  // A buffer too small for the whole path gives nothing rather than a cut path.
  char small[8] = "junk";
  CHECK_FALSE(ExeSiblingPath(small, sizeof small, "Tazmor.exe"));
  CHECK(std::string(small).empty());
}

TEST_CASE("the lead-byte table follows the ANSI code page") {
  char expected[16] = {};
  if (GetEnvironmentVariableA("TAZ_EXPECT_CODE_PAGE", expected, sizeof expected) != 0) {
    // The run started in a double-byte locale must really be in it.
    CHECK(GetACP() == static_cast<UINT>(std::atoi(expected)));
    CHECK(SystemLeadBytes.MultiByte);
    LeadByteTable shiftJis = path_cases::ShiftJisTable();
    for (int b = 0; b < 256; ++b) {
      CAPTURE(b);
      CHECK(SystemLeadBytes.Lead[b] == shiftJis.Lead[b]);
    }
  } else {
    CHECK_FALSE(SystemLeadBytes.MultiByte);
    for (int b = 0; b < 256; ++b)
      CHECK_FALSE(SystemLeadBytes.Lead[b]);
  }
}

TEST_CASE("CompareNoCase orders as the user's locale, ignoring case") {
  struct Case { const char* a; const char* b; int result; };
  const Case cases[] = {
    {"COMBOBOX", "ComboBox", 0},
    {"abc", "abd", -1},
    {"b", "A", 1},
    {"", "", 0},
    {"", "a", -1},
  };
  for (const Case& c : cases) {
    CAPTURE(c.a);
    CAPTURE(c.b);
    CHECK(CompareNoCase(c.a, c.b) == c.result);
  }
}

TEST_CASE("NtMajorVersion tells the Windows family") {
  if (IsWindows98Copy())
    CHECK(NtMajorVersion() == 0);
  else
    CHECK(NtMajorVersion() >= 5);
  CHECK(NtMajorVersion() == NtMajorVersion());

  // Children under other names see the versions faked for those names.
  struct Case { const char* name; const char* version; long major; };
  const Case cases[] = {
    {"child_2k.exe", "win2k", 5},
    {"child_me.exe", "winme", 0},
  };
  for (const Case& c : cases) {
    CAPTURE(c.name);
    std::string copy = Scratch(c.name);
    REQUIRE(CopyFileA(ChildPath().c_str(), copy.c_str(), FALSE));
    std::string key = std::string("Software\\Wine\\AppDefaults\\") + c.name;
    HKEY h = nullptr;
    REQUIRE(RegCreateKeyA(HKEY_CURRENT_USER, key.c_str(), &h) == ERROR_SUCCESS);
    RegSetValueExA(h, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.version),
                   static_cast<DWORD>(std::strlen(c.version) + 1));
    RegCloseKey(h);
    CHECK(RunToEnd("\"" + copy + "\" version") == c.major);
  }
}

TEST_CASE("RunProgram starts a program and waits for it, or reports failure") {
  std::string folder = Scratch("run");
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string made = folder + "\\made.txt";
  DeleteFileA(made.c_str());

  std::string line = "\"" + ChildPath() + "\" touch made.txt";
  CHECK(RunProgram(&line[0], folder.c_str(), 30000));
  CHECK(Exists(made));  // created in the given folder before the wait ended

  DeleteFileA(made.c_str());
  line = "\"" + ChildPath() + "\" touch made.txt";
  CHECK(RunProgram(&line[0], folder.c_str(), 0));
  CHECK_FALSE(Exists(made));  // no wait: the child is still in its pause
  for (int i = 0; i < 100 && !Exists(made); ++i)
    Sleep(100);
  CHECK(Exists(made));

  char missing[] = "C:\\no such folder\\no such program.exe";
  CHECK_FALSE(RunProgram(missing, nullptr, 1000));
}

TEST_CASE("File reads, positions, closes and tells a missing file") {
  std::string path = Scratch("data.bin");
  std::string bytes(10000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(i * 7);
  FILE* out = std::fopen(path.c_str(), "wb");
  REQUIRE(out != nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);

  SUBCASE("reading in windows and positioning") {
    File file;
    REQUIRE(file.Open(path.c_str(), nullptr, false, true));
    CHECK(file.NotFound == 0);
    CHECK(std::string(file.Name) == path);
    CHECK_FALSE(file.IsDevice());
    std::string buffer(8192, '\0');
    CHECK(file.Read(&buffer[0], 8192) == 8192);
    CHECK(buffer == bytes.substr(0, 8192));
    CHECK(file.Tell() == 8192);
    CHECK(file.Read(&buffer[0], 8192) == 1808);
    CHECK(file.Read(&buffer[0], 8192) == 0);  // the end is no failure
    CHECK(file.Seek(8176, FILE_BEGIN));
    CHECK(file.Tell() == 8176);
    CHECK(file.Read(&buffer[0], 16) == 16);
    CHECK(buffer.substr(0, 16) == bytes.substr(8176, 16));
    CHECK(file.Close());
    CHECK(file.Close());  // closed already: true, and counted
    CHECK(file.CloseCount == 2);
    CHECK(file.Seek(0, FILE_BEGIN));  // nothing to position: success
    CHECK(file.Read(&buffer[0], 16) == -1);
  }
  SUBCASE("open failures") {
    struct Case { std::string name; int notFound; };
    const Case cases[] = {
      {Scratch("missing.bin"), 1},
      {std::string(kScratch) + "\\no folder\\missing.bin", 0},
    };
    for (const Case& c : cases) {
      CAPTURE(c.name);
      File file;
      CHECK_FALSE(file.Open(c.name.c_str(), nullptr, false, false));
      CHECK(file.NotFound == c.notFound);
      CHECK(file.Close());
    }
  }
  SUBCASE("the wide name is used on the NT family only") {
    std::wstring wide(path.begin(), path.end());
    File file;
    bool opened = file.Open("C:\\support_test\\missing.bin", wide.c_str(), false, false);
    CHECK(opened == (NtMajorVersion() != 0));
    if (opened)
      CHECK(std::wstring(file.WideName) == wide);
  }
  SUBCASE("opening again releases the first handle") {
    File file;
    REQUIRE(file.Open(path.c_str(), nullptr, false, false));
    REQUIRE(file.Open(path.c_str(), nullptr, false, false));
    CHECK(file.CloseCount == 1);
    // Both opens shared reading only: a writer gets in only if no handle leaked.
    CHECK(file.Close());
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(writer != INVALID_HANDLE_VALUE);
    CloseHandle(writer);
  }
}

TEST_CASE("the error tracker records codes by rank and counts every one") {
  struct Case { int current; int code; int recorded; };
  const Case cases[] = {
    {0, 1, 1},   {8, 1, 8},   {0, 255, 255}, {1, 255, 1},
    {0, 2, 2},   {1, 2, 2},   {8, 2, 8},     {255, 2, 255},
    {1, 8, 8},   {2, 8, 8},   {255, 8, 8},   {3, 4, 4},
  };
  for (const Case& c : cases) {
    CAPTURE(c.current);
    CAPTURE(c.code);
    ErrorTracker tracker;
    tracker.Code = c.current;
    tracker.SetCode(c.code);
    CHECK(tracker.Code == c.recorded);
    CHECK(tracker.Count == 1);
  }

  ErrorTracker tracker;
  tracker.RaiseOn255 = false;
  tracker.Raise(255);  // returns
  CHECK(tracker.Code == 0);
  CHECK(tracker.Count == 0);
  tracker.RaiseOn255 = true;
  int thrown = 0;
  try {
    tracker.Raise(255);
  } catch (int code) {
    thrown = code;
  }
  CHECK(thrown == 255);
  try {
    tracker.MemoryError();
  } catch (int code) {
    thrown = code;
  }
  CHECK(thrown == 8);
  CHECK(tracker.Code == 8);
  CHECK(tracker.Count == 2);
}

TEST_CASE("the array grows by a quarter and 32, or straight to the count") {
  Array<int> array;
  std::string capacities = std::to_string(array.Capacity);
  for (int i = 0; i < 359; ++i) {
    int before = array.Capacity;
    array.Append(i * 3);
    if (array.Capacity != before)
      capacities += "," + std::to_string(array.Capacity);
  }
  CHECK(capacities == "0,32,72,122,184,262,359");
  CHECK(array.Count == 359);
  bool kept = true;
  for (int i = 0; i < array.Count; ++i)
    kept = kept && array[i] == i * 3;
  CHECK(kept);

  Array<int> big;
  big.Extend(100);
  CHECK(big.Capacity == 100);
  CHECK(big.Count == 100);
  big.Extend(0);
  CHECK(big.Capacity == 100);
}

TEST_CASE("an uncaught memory error ends the process with the run time's code 3") {
  const char* modes[] = {"memory", "array"};
  for (const char* mode : modes) {
    CAPTURE(mode);
    CHECK(RunToEnd("\"" + ChildPath() + "\" " + mode) == 3);
  }
}
