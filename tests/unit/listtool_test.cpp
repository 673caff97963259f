// The list tool's writing and checking of "Uninstall.lst", on small folders
// made in C: for each case.
#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tools/listtool/listing.h"
#include "common/files.h"

namespace {

const std::string kBase = "C:\\listtool cases";

void WriteFile(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  REQUIRE(f != nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// A fresh folder holding `items`: a name ending in '\' is a folder, any
// other a small file. Parents come before their contents in `items`.
std::string MakeFolder(const std::string& name, const std::vector<std::string>& items) {
  CreateDirectoryA(kBase.c_str(), nullptr);
  std::string folder = kBase + "\\" + name;
  RemoveTree(folder);
  REQUIRE(CreateDirectoryA(folder.c_str(), nullptr));
  for (const std::string& item : items) {
    std::string path = folder + "\\" + item;
    if (item.back() == '\\')
      REQUIRE(CreateDirectoryA(path.substr(0, path.size() - 1).c_str(), nullptr));
    else
      WriteFile(path, "x");
  }
  return folder;
}

std::string Describe(const std::vector<listing::Finding>& findings) {
  std::string text;
  for (const listing::Finding& f : findings)
    text += std::string(listing::FindingTitle(f.Kind)) + ": " + f.Text + "\n";
  return text;
}

}  // namespace

TEST_CASE("the written list names files first and deeper folders before their parents") {
  struct Case {
    const char* Name;
    std::vector<std::string> Items;
    std::vector<std::string> Expected;
  };
  const Case cases[] = {
      {"empty folder",
       {},
       {"qelnew.dat", "zipnew.dat", "qellng.dll", "uninstall.lng", "tazmor.hlp"}},
      {"installed product",
       {"uninstall.exe", "Uninstall.lst", "Tazmor.exe", "TAZMOR.HLP", "docs\\", "docs\\a.txt",
        "docs\\deep\\", "docs\\deep\\b.txt", "empty\\", "zipnew.dat"},
       {"Tazmor.exe", "TAZMOR.HLP", "zipnew.dat", "docs\\a.txt", "docs\\deep\\b.txt",
        "qelnew.dat", "qellng.dll", "uninstall.lng", "docs\\deep", "docs", "empty"}},
      // Only the executable beside the list is the running one: a copy in a
      // sub-folder is an ordinary file of the product.
      {"executable in a sub-folder",
       {"old\\", "old\\uninstall.exe", "old\\Uninstall.lst"},
       {"old\\uninstall.exe", "old\\Uninstall.lst", "qelnew.dat", "zipnew.dat", "qellng.dll",
        "uninstall.lng", "tazmor.hlp", "old"}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.Name);
    std::string folder = MakeFolder("write", c.Items);
    std::vector<std::string> entries;
    REQUIRE(listing::ListFolder(folder, entries));
    CHECK(entries == c.Expected);

    // What the tool writes, its own check accepts.
    REQUIRE(listing::WriteList(folder + "\\Uninstall.lst", entries));
    std::vector<listing::Finding> findings;
    std::string error;
    REQUIRE(listing::CheckList(folder, folder + "\\Uninstall.lst", findings, error));
    CHECK(Describe(findings) == "");
  }
  std::vector<std::string> entries;
  CHECK_FALSE(listing::ListFolder(kBase + "\\no such folder", entries));
}

TEST_CASE("the check reports unsafe entries, entries naming nothing and unlisted files") {
  const std::vector<std::string> product = {"uninstall.exe", "Uninstall.lst", "Tazmor.exe",
                                            "docs\\", "docs\\a.txt"};
  struct Case {
    const char* Name;
    std::vector<std::string> Items;
    const char* List;
    const char* Expected;
  };
  const Case cases[] = {
      {"complete list, any case, folder with a trailing backslash",
       product, "TAZMOR.EXE\r\nDocs\\A.txt\r\ndocs\\\r\n", ""},
      {"entries that leave the folder",
       product,
       "Tazmor.exe\r\n..\\outside.txt\r\nC:\\boot.ini\r\n\\root.txt\r\ndocs\\..\\..\\x\r\n"
       "docs\\...\\x\r\nTazmor.exe:stream\r\n.\r\ndocs\\a.txt\r\ndocs\r\n",
       "unsafe, the uninstaller skips it: line 2: ..\\outside.txt\n"
       "unsafe, the uninstaller skips it: line 3: C:\\boot.ini\n"
       "unsafe, the uninstaller skips it: line 4: \\root.txt\n"
       "unsafe, the uninstaller skips it: line 5: docs\\..\\..\\x\n"
       "unsafe, the uninstaller skips it: line 6: docs\\...\\x\n"
       "unsafe, the uninstaller skips it: line 7: Tazmor.exe:stream\n"
       "unsafe, the uninstaller skips it: line 8: .\n"},
      // Blank lines count for the line numbers; the files setup and a
      // language pack add later are no finding while they are missing.
      {"stale entries",
       product,
       "Tazmor.exe\n\n  \nold.txt\nqelnew.dat\nzipnew.dat\nqellng.dll\nuninstall.lng\n"
       "tazmor.hlp\ndocs\\a.txt\ndocs\\gone\\\ndocs\n",
       "names nothing in the folder: line 4: old.txt\n"
       "names nothing in the folder: line 11: docs\\gone\\\n"},
      {"files and folders the list forgets",
       {"uninstall.exe", "Uninstall.lst", "Tazmor.exe", "extra.txt", "docs\\", "docs\\a.txt",
        "docs\\b.txt", "cache\\"},
       "Tazmor.exe\r\ndocs\\a.txt\r\n",
       "in the folder but not in the list: extra.txt\n"
       "in the folder but not in the list: docs\\b.txt\n"
       "in the folder but not in the list: cache\n"
       "in the folder but not in the list: docs\n"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.Name);
    std::string folder = MakeFolder("check", c.Items);
    std::string list = kBase + "\\check.lst";
    WriteFile(list, c.List);
    std::vector<listing::Finding> findings;
    std::string error;
    REQUIRE(listing::CheckList(folder, list, findings, error));
    CHECK(Describe(findings) == c.Expected);
  }
}

TEST_CASE("the check refuses a missing folder or list") {
  std::string folder = MakeFolder("missing", {"Tazmor.exe"});
  std::vector<listing::Finding> findings;
  std::string error;
  CHECK_FALSE(listing::CheckList(folder, folder + "\\Uninstall.lst", findings, error));
  CHECK(error.find("cannot read the list") != std::string::npos);
  CHECK_FALSE(listing::CheckList(kBase + "\\nothing here", folder + "\\x.lst", findings, error));
  CHECK(error.find("cannot read the folder") != std::string::npos);
}
