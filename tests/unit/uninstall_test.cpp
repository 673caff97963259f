// The removal script's text, the interpreter's command line, and the checks
// that keep every deletion of the list inside the installation folder.
#include <doctest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/sandbox.h"
#include "registry/registry.h"
#include "uninstall/uninstall.h"

namespace {

std::string Script(bool nt, const char* exe, const char* folder, const char* script) {
  static char text[kScriptChars];
  REQUIRE(ComposeRemovalScript(text, sizeof text, nt, exe, folder, script));
  return text;
}

// The same block five times, as the golden texts below spell it.
std::string Golden(const std::string& start, const std::string& attempt,
                   const std::string& finish) {
  std::string text = start;
  for (int i = 0; i < 5; ++i)
    text += attempt;
  return text + finish;
}

LeadByteTable SingleByteTable() {
  LeadByteTable table = {};
  return table;
}

// Code page 932: lead bytes 0x81-0x9F and 0xE0-0xFC; trail bytes may be '\'.
LeadByteTable DoubleByteTable() {
  LeadByteTable table = {};
  table.MultiByte = true;
  for (int b = 0x81; b <= 0x9F; ++b)
    table.Lead[b] = true;
  for (int b = 0xE0; b <= 0xFC; ++b)
    table.Lead[b] = true;
  return table;
}

// A scratch list file in the temporary folder, removed with the object.
struct ListFile {
  explicit ListFile(const std::string& content) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    Path = std::string(temp) + "uninstall_test_" + std::to_string(GetCurrentProcessId()) + ".lst";
    std::FILE* f = std::fopen(Path.c_str(), "wb");
    REQUIRE(f != nullptr);
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    File = std::fopen(Path.c_str(), "rb");
    REQUIRE(File != nullptr);
  }
  ~ListFile() {
    std::fclose(File);
    DeleteFileA(Path.c_str());
  }
  std::string Path;
  std::FILE* File = nullptr;
};

// Every read of a list, as "E:<entry>" or "S", up to the end.
std::vector<std::string> ReadAll(const std::string& content) {
  ListFile list(content);
  std::vector<std::string> out;
  char line[kListLineChars];
  for (int guard = 0; guard < 100; ++guard) {
    switch (ReadListLine(list.File, line, sizeof line)) {
      case ListLine::Entry: out.push_back("E:" + std::string(line)); break;
      case ListLine::Skip: out.push_back("S"); break;
      case ListLine::End: return out;
    }
  }
  FAIL("the list never ended");
  return out;
}

}  // namespace

TEST_CASE("the removal script for a plain path, word for word") {
  const std::string nt =
      "\"C:\\Tazmor\\uninstall.exe\" /wait\r\n"
      "del \"C:\\Tazmor\\uninstall.exe\"\r\n"
      "rd \"C:\\Tazmor\"\r\n"
      "if not exist \"C:\\Tazmor\\uninstall.exe\" goto done\r\n"
      "del \"C:\\Tazmor\\uninstall.exe\"\r\n"
      "rd \"C:\\Tazmor\"\r\n"
      "if not exist \"C:\\Tazmor\\uninstall.exe\" goto done\r\n"
      "del \"C:\\Tazmor\\uninstall.exe\"\r\n"
      "rd \"C:\\Tazmor\"\r\n"
      "if not exist \"C:\\Tazmor\\uninstall.exe\" goto done\r\n"
      "del \"C:\\Tazmor\\uninstall.exe\"\r\n"
      "rd \"C:\\Tazmor\"\r\n"
      "if not exist \"C:\\Tazmor\\uninstall.exe\" goto done\r\n"
      "del \"C:\\Tazmor\\uninstall.exe\"\r\n"
      "rd \"C:\\Tazmor\"\r\n"
      "if not exist \"C:\\Tazmor\\uninstall.exe\" goto done\r\n"
      ":done\r\n"
      "if exist \"C:\\Tazmor\\uninstall.exe\" \"C:\\Tazmor\\uninstall.exe\" /warning\r\n"
      "del \"C:\\TEMP\\Uninstall_Qel.Bat\"";
  CHECK(Script(true, "C:\\Tazmor\\uninstall.exe", "C:\\Tazmor", "C:\\TEMP\\Uninstall_Qel.Bat") ==
        nt);
  // Windows 9x: only the start line differs; it waits for the pausing run.
  std::string nine = nt;
  nine.replace(0, 0, "start /wait ");
  CHECK(Script(false, "C:\\Tazmor\\uninstall.exe", "C:\\Tazmor", "C:\\TEMP\\Uninstall_Qel.Bat") ==
        nine);
}

TEST_CASE("the removal script for a root folder, blanks and percent signs") {
  struct Case {
    bool nt;
    const char* exe;
    const char* folder;
    const char* script;
    const char* start;
    const char* attempt;
    const char* finish;
  };
  const Case cases[] = {
    {true, "D:\\uninstall.exe", "D:\\", "C:\\TEMP\\Uninstall_Qel.Bat",
     "\"D:\\uninstall.exe\" /wait\r\n",
     "del \"D:\\uninstall.exe\"\r\nrd \"D:\\\"\r\nif not exist \"D:\\uninstall.exe\" goto done\r\n",
     ":done\r\nif exist \"D:\\uninstall.exe\" \"D:\\uninstall.exe\" /warning\r\n"
     "del \"C:\\TEMP\\Uninstall_Qel.Bat\""},
    {false, "C:\\Program Files\\Tazmor\\uninstall.exe", "C:\\Program Files\\Tazmor",
     "C:\\WINDOWS\\TEMP\\Uninstall_Qel.Bat",
     "start /wait \"C:\\Program Files\\Tazmor\\uninstall.exe\" /wait\r\n",
     "del \"C:\\Program Files\\Tazmor\\uninstall.exe\"\r\nrd \"C:\\Program Files\\Tazmor\"\r\n"
     "if not exist \"C:\\Program Files\\Tazmor\\uninstall.exe\" goto done\r\n",
     ":done\r\nif exist \"C:\\Program Files\\Tazmor\\uninstall.exe\" "
     "\"C:\\Program Files\\Tazmor\\uninstall.exe\" /warning\r\n"
     "del \"C:\\WINDOWS\\TEMP\\Uninstall_Qel.Bat\""},
    // The interpreter expands '%' even inside quotes: every path has it doubled.
    {true, "C:\\100% Tools\\Tazmor\\uninstall.exe", "C:\\100% Tools\\Tazmor",
     "C:\\Temp %x%\\Uninstall_Qel.Bat",
     "\"C:\\100%% Tools\\Tazmor\\uninstall.exe\" /wait\r\n",
     "del \"C:\\100%% Tools\\Tazmor\\uninstall.exe\"\r\nrd \"C:\\100%% Tools\\Tazmor\"\r\n"
     "if not exist \"C:\\100%% Tools\\Tazmor\\uninstall.exe\" goto done\r\n",
     ":done\r\nif exist \"C:\\100%% Tools\\Tazmor\\uninstall.exe\" "
     "\"C:\\100%% Tools\\Tazmor\\uninstall.exe\" /warning\r\n"
     "del \"C:\\Temp %%x%%\\Uninstall_Qel.Bat\""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.exe);
    std::string text = Script(c.nt, c.exe, c.folder, c.script);
    CHECK(text == Golden(c.start, c.attempt, c.finish));
    // 19 lines: 18 line ends, none after the last line.
    size_t ends = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
      ++ends;
    CHECK(ends == 18);
    CHECK(text.substr(text.size() - 2) != "\r\n");
  }
}

TEST_CASE("the script text is bounded by its buffer and fits the longest paths") {
  // Paths as long as the path buffers allow, all percent signs: the doubled
  // text still fits the script buffer.
  std::string longest(kPathChars - 1, '%');
  static char text[kScriptChars];
  CHECK(ComposeRemovalScript(text, sizeof text, true, longest.c_str(), longest.c_str(),
                             longest.c_str()));
  CHECK(std::strlen(text) > 19 * 2 * (kPathChars - 1));

  // Too small a buffer: refused, and nothing is written past its end.
  char small[64 + 1];
  std::memset(small, 'Z', sizeof small);
  CHECK_FALSE(ComposeRemovalScript(small, 64, false, "C:\\Tazmor\\uninstall.exe", "C:\\Tazmor",
                                   "C:\\TEMP\\Uninstall_Qel.Bat"));
  CHECK(small[64] == 'Z');
  CHECK(std::strlen(small) < 64);

  char doubled[8 + 1];
  std::memset(doubled, 'Z', sizeof doubled);
  CHECK(DoublePercent(doubled, 8, "a%b%c"));   // "a%%b%%c" is 7 characters
  CHECK(std::string(doubled) == "a%%b%%c");
  CHECK_FALSE(DoublePercent(doubled, 8, "a%b%c%"));
  CHECK(doubled[8] == 'Z');
  CHECK(std::strlen(doubled) < 8);
}

TEST_CASE("the interpreter's command line is whole or not at all") {
  char line[kCommandLineChars];
  REQUIRE(ComposeInterpreterCommand(line, sizeof line, "C:\\WINDOWS\\COMMAND.COM",
                                    "C:\\WINDOWS\\TEMP\\Uninstall_Qel.Bat"));
  CHECK(std::string(line) == "C:\\WINDOWS\\COMMAND.COM /c \"C:\\WINDOWS\\TEMP\\Uninstall_Qel.Bat\"");
  REQUIRE(ComposeInterpreterCommand(line, sizeof line, "", "C:\\T\\Uninstall_Qel.Bat"));
  CHECK(std::string(line) == " /c \"C:\\T\\Uninstall_Qel.Bat\"");

  // " /c \"" and the closing quote take 6 characters besides the two paths.
  const std::string script = "C:\\T\\Uninstall_Qel.Bat";
  std::string fits(kCommandLineChars - 1 - 6 - script.size(), 'c');
  CHECK(ComposeInterpreterCommand(line, sizeof line, fits.c_str(), script.c_str()));
  CHECK(std::strlen(line) == kCommandLineChars - 1);
  std::string tooLong = fits + "c";
  CHECK_FALSE(ComposeInterpreterCommand(line, sizeof line, tooLong.c_str(), script.c_str()));
  CHECK(line[0] == '\0');
}

TEST_CASE("the installation folder is the executable's folder, a root with its backslash") {
  struct Case { const char* exe; bool ok; const char* folder; };
  const Case cases[] = {
    {"C:\\Program Files\\Tazmor\\uninstall.exe", true, "C:\\Program Files\\Tazmor"},
    {"C:\\uninstall.exe", true, "C:\\"},
    {"\\\\server\\share\\uninstall.exe", true, "\\\\server\\share"},
    {"\\uninstall.exe", true, ""},
    {"uninstall.exe", false, ""},
    {"C:uninstall.exe", false, ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.exe);
    char folder[kPathChars] = "unchanged";
    CHECK(InstallFolderOf(SingleByteTable(), c.exe, folder, sizeof folder) == c.ok);
    if (c.ok)
      CHECK(std::string(folder) == c.folder);
  }
  char tiny[4];
  CHECK_FALSE(InstallFolderOf(SingleByteTable(), "C:\\Tazmor\\uninstall.exe", tiny, sizeof tiny));
  // A '\' that is the trail byte of a double-byte character cuts nothing.
  char folder[kPathChars];
  REQUIRE(InstallFolderOf(DoubleByteTable(), "C:\\A\x95\\x\\uninstall.exe", folder, sizeof folder));
  CHECK(std::string(folder) == "C:\\A\x95\\x");
  CHECK_FALSE(InstallFolderOf(DoubleByteTable(), "C:\x95\\uninstall.exe", folder, sizeof folder));
}

TEST_CASE("list lines: trailing white space trimmed, leading kept, empty and over-long skipped") {
  struct Case { std::string content; std::vector<std::string> reads; };
  const std::string maxLine(kListLineChars - 1, 'm');
  const Case cases[] = {
    {"", {}},
    {"a.txt\r\nsub\\b.txt\nlast.txt", {"E:a.txt", "E:sub\\b.txt", "E:last.txt"}},
    {"  lead.txt \t\r\n", {"E:  lead.txt"}},
    {"\r\n\n \t \r\nx\n", {"S", "S", "S", "E:x"}},
    // The remainder of a line longer than one read never passes for an entry.
    {std::string(3000, 'a') + "victim.txt\nnext.txt\n", {"S", "E:next.txt"}},
    {std::string(kListLineChars, 'a') + "\nnext.txt", {"S", "E:next.txt"}},
    {maxLine + "\nnext.txt", {"E:" + maxLine, "E:next.txt"}},
    {maxLine + "\r\nnext.txt", {"S", "E:next.txt"}},
    {maxLine, {"E:" + maxLine}},
    // A NUL would cut the name short and name another file.
    {std::string("keep.txt\0junk\nx\n", 16), {"S", "E:x"}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.content.substr(0, 40));
    CHECK(ReadAll(c.content) == c.reads);
  }
}

TEST_CASE("a list entry only ever names something inside the installation folder") {
  const char* folder = "C:\\Tazmor\\";
  struct Case { const char* entry; const char* path; };  // path nullptr: skipped
  const Case cases[] = {
    {"file.txt", "C:\\Tazmor\\file.txt"},
    {"sub\\file.txt", "C:\\Tazmor\\sub\\file.txt"},
    {"sub/file.txt", "C:\\Tazmor\\sub\\file.txt"},
    {".\\file.txt", "C:\\Tazmor\\file.txt"},
    {"sub\\.\\file.txt", "C:\\Tazmor\\sub\\file.txt"},
    {".hidden", "C:\\Tazmor\\.hidden"},
    {"a..b", "C:\\Tazmor\\a..b"},
    {"  lead.txt", "C:\\Tazmor\\  lead.txt"},
    {"..", nullptr},
    {"..\\outside.txt", nullptr},
    {"../outside.txt", nullptr},
    {"sub\\..\\..\\outside.txt", nullptr},
    {"sub\\..\\inside.txt", nullptr},
    {"...\\outside.txt", nullptr},
    {"sub\\....\\x", nullptr},
    {". .\\outside.txt", nullptr},
    {"sub\\ \\x", nullptr},
    {"sub\\..", nullptr},
    {".", nullptr},
    {"\\Windows\\win.ini", nullptr},
    {"/Windows/win.ini", nullptr},
    {"\\\\server\\share\\x", nullptr},
    {"C:\\Windows\\win.ini", nullptr},
    {"C:outside.txt", nullptr},
    {"D:\\x", nullptr},
    {"file.txt:stream", nullptr},
  };
  for (const Case& c : cases) {
    CAPTURE(c.entry);
    char path[kPathChars] = "unchanged";
    bool ok = ListEntryPath(folder, c.entry, path, sizeof path);
    CHECK(ok == (c.path != nullptr));
    if (c.path != nullptr)
      CHECK(std::string(path) == c.path);
  }

  // The full path must fit the buffer whole: a cut path would name another
  // file. (The system itself refuses full paths beyond its own limit.)
  char path[kPathChars];
  const size_t fits = 20 + std::strlen(folder) + 1;
  CHECK(ListEntryPath(folder, std::string(20, 'f').c_str(), path, fits));
  CHECK(std::string(path) == std::string(folder) + std::string(20, 'f'));
  CHECK_FALSE(ListEntryPath(folder, std::string(21, 'f').c_str(), path, fits));
  CHECK(path[0] == '\0');
  CHECK_FALSE(ListEntryPath(folder, std::string(kPathChars, 'f').c_str(), path, sizeof path));
  CHECK_FALSE(ListEntryPath(folder, std::string(3000, 'f').c_str(), path, sizeof path));

  // In a root folder the entries are relative to the root.
  CHECK(ListEntryPath("D:\\", "x\\y.txt", path, sizeof path));
  CHECK(std::string(path) == "D:\\x\\y.txt");
  CHECK_FALSE(ListEntryPath("D:\\", "..\\y.txt", path, sizeof path));
}

TEST_CASE("entry components are read character by character in a double-byte code page") {
  const LeadByteTable dbcs = DoubleByteTable();
  struct Case { const char* entry; bool relative; };
  const Case cases[] = {
    {"\x95\\..", true},            // one character, then two dots: a name, not ".."
    {"\x95\x40\\..\\x", false},   // a real separator after a whole character
    {"\x95\\\\..", false},         // the second '\' is a separator of its own
    {"sub\\\x95\\", true},      // ends in a character whose trail byte is '\\'
  };
  for (const Case& c : cases) {
    CAPTURE(c.entry);
    CHECK(IsRelativeListEntry(dbcs, c.entry) == c.relative);
  }
  // Without the table every '\' separates: the same entry is refused.
  CHECK_FALSE(IsRelativeListEntry(SingleByteTable(), "\x95\\.."));
}

TEST_CASE("a path lies inside the folder only below it, never as the folder itself") {
  struct Case { const char* folder; const char* path; bool inside; };
  const Case cases[] = {
    {"C:\\Tazmor\\", "C:\\Tazmor\\a.txt", true},
    {"C:\\Tazmor\\", "C:\\Tazmor\\sub\\a.txt", true},
    {"C:\\Tazmor\\", "C:\\Tazmor\\", false},
    {"C:\\Tazmor\\", "C:\\Tazmor", false},
    {"C:\\Tazmor\\", "C:\\Tazmor2\\a.txt", false},
    {"C:\\Tazmor\\", "C:\\a.txt", false},
    {"C:\\", "C:\\a.txt", true},
    {"C:\\Tazmor", "C:\\Tazmor\\a.txt", false},
    {"", "C:\\a.txt", false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.folder);
    CAPTURE(c.path);
    CHECK(LiesInsideFolder(c.folder, c.path) == c.inside);
  }
}

TEST_CASE("undoing the integration keeps what other programs claimed since") {
  struct Case { const char* revClass; bool revStays; };
  const Case cases[] = {
    {"Tazmor.REV", false},
    {"tazmor.rev", false},
    {"OtherTool.Recovery", true},
    {"", true},
  };
  for (const Case& c : cases) {
    CAPTURE(c.revClass);
    RegistrySandbox sandbox;
    WriteRegString(HKEY_CLASSES_ROOT, ".rev", "", c.revClass);
    WriteRegString(HKEY_CLASSES_ROOT, "Tazmor\\shell\\open\\command", "", "x");
    WriteRegString(HKEY_CLASSES_ROOT, "Tazmor.ZIP\\DefaultIcon", "", "x");
    WriteRegString(HKEY_CLASSES_ROOT, "Tazmor.REV", "", "x");
    WriteRegString(HKEY_CLASSES_ROOT, "txtfile", "", "Text Document");
    const char* uninstallKey =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tazmor archiver";
    const char* appPathKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Tazmor.exe";
    WriteRegString(HKEY_LOCAL_MACHINE, uninstallKey, "UninstallString", "C:\\T\\uninstall.exe");
    WriteRegString(HKEY_LOCAL_MACHINE, appPathKey, "", "C:\\T\\Tazmor.exe");
    WriteRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other",
                   "DisplayName", "Other");
    WriteRegString("Setup\\.zip", "Type", "zipfile");
    WriteRegString(HKEY_CURRENT_USER, "\\Software\\TazmorOther", "Kept", "1");

    UnregisterAll();

    CHECK(RegKeyExists(HKEY_CLASSES_ROOT, ".rev") == c.revStays);
    CHECK_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "Tazmor"));
    CHECK_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "Tazmor.ZIP"));
    CHECK_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "Tazmor.REV"));
    CHECK_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, uninstallKey));
    CHECK_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, appPathKey));
    CHECK_FALSE(RegKeyExists(HKEY_CURRENT_USER, ""));
    // Neighbours of our keys stay.
    CHECK(RegKeyExists(HKEY_CLASSES_ROOT, "txtfile"));
    CHECK(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other"));
    CHECK(RegKeyExists(HKEY_CURRENT_USER, "\\Software\\TazmorOther"));
  }
}
