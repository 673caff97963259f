// The list tool's work: the entries of "Uninstall.lst" for an installation
// folder, and the findings of a check of a list against its folder. The
// entries are judged by the uninstaller's own rules (uninstall/uninstall.h),
// so the tool and the program never disagree about what gets deleted.
#pragma once

#include <string>
#include <vector>

namespace listing {

// Names that belong in every list although they may not exist yet: the
// templates that setup writes beside the executable, the optional language
// pack and the help file.
extern const char* const kLaterNames[5];

// The entries for `folder` in deletion order: every file first (the names
// above included), then every folder, the deepest before its parents, so a
// single pass removes everything. The executable "uninstall.exe" and the list
// itself are never named: the removal script deletes the one, the
// uninstaller the other. False when the folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<std::string>& entries);

// Writes the entries, one per line ended by CR LF. False on a write error.
bool WriteList(const std::string& path, const std::vector<std::string>& entries);

enum class FindingKind {
  Unsafe,        // the uninstaller skips it: absolute, climbing out, too long
  NamesNothing,  // nothing of that name in the folder
  Unlisted,      // in the folder but in no entry: keeps the folder alive
};

struct Finding {
  FindingKind Kind;
  std::string Text;  // "line N: entry" for entries, the relative path otherwise
};

const char* FindingTitle(FindingKind kind);

// Checks the list at `listPath` against `folder`. False (and `error` set)
// when the folder or the list cannot be read.
bool CheckList(const std::string& folder, const std::string& listPath,
               std::vector<Finding>& findings, std::string& error);

}  // namespace listing
