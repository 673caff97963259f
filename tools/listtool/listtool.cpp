// listtool: the product installer's companion for "Uninstall.lst".
//
//   listtool write FOLDER [OUTPUT]
//       Writes the list for the installation folder FOLDER (by default into
//       FOLDER\Uninstall.lst): every file, then every folder deepest first,
//       plus the files that setup and a language pack add later. Run it once
//       the folder holds everything the product installs.
//   listtool check FOLDER [LIST]
//       Reads LIST (by default FOLDER\Uninstall.lst) as the uninstaller reads
//       it and reports entries it would skip as unsafe, entries that name
//       nothing, and files or folders that no entry names (they would keep
//       the installation folder from being removed). Exit code 1 when there
//       is anything to report.
//
// Exit code 2 for usage, folder and file errors.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/listtool/listing.h"

static int Usage() {
  std::fprintf(stderr,
               "usage: listtool write FOLDER [OUTPUT]\n"
               "       listtool check FOLDER [LIST]\n");
  return 2;
}

static std::string InFolder(const std::string& folder, const char* name) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
    return folder + "\\" + name;
  return folder + name;
}

static int Write(const std::string& folder, const std::string& output) {
  std::vector<std::string> entries;
  if (!listing::ListFolder(folder, entries)) {
    std::fprintf(stderr, "listtool: cannot read the folder %s\n", folder.c_str());
    return 2;
  }
  if (!listing::WriteList(output, entries)) {
    std::fprintf(stderr, "listtool: cannot write %s\n", output.c_str());
    return 2;
  }
  std::printf("%s: %u entries\n", output.c_str(), static_cast<unsigned>(entries.size()));
  return 0;
}

static int Check(const std::string& folder, const std::string& list) {
  std::vector<listing::Finding> findings;
  std::string error;
  if (!listing::CheckList(folder, list, findings, error)) {
    std::fprintf(stderr, "listtool: %s\n", error.c_str());
    return 2;
  }
  for (const listing::Finding& finding : findings)
    std::printf("%s: %s\n", listing::FindingTitle(finding.Kind), finding.Text.c_str());
  if (findings.empty())
    std::printf("%s: every entry is safe and names something, every file is listed\n",
                list.c_str());
  return findings.empty() ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4)
    return Usage();
  std::string folder = argv[2];
  int result;
  if (std::strcmp(argv[1], "write") == 0)
    result = Write(folder, argc == 4 ? argv[3] : InFolder(folder, "Uninstall.lst"));
  else if (std::strcmp(argv[1], "check") == 0)
    result = Check(folder, argc == 4 ? argv[3] : InFolder(folder, "Uninstall.lst"));
  else
    return Usage();
  std::fflush(stdout);
  return result;
}
