// Uninstall: undo every integration, delete what "Uninstall.lst" names, and
// hand over to a batch script that removes the executable and its folder.
#pragma once

#include <cstddef>
#include <cstdio>

#include "support/support.h"

void RunUninstall();
void UnregisterAll();
// Returns only when the script cannot be written or started; otherwise ends
// the process.
void WriteSelfRemovalScript(const char* exePath);
// The canonical full path of a list entry below `folder` (canonical, with
// its trailing backslash). False for an entry that is absolute, climbs out,
// resolves outside the folder or does not fit in `size`.
bool ListEntryPath(const char* folder, const char* entry, char* out, size_t size);

// ---------------------------------------------------------------------------
// Platform-free parts (no <windows.h>): the same sources build natively for
// the sanitizer runs.

// One read of the list takes at most this many bytes with the terminator.
constexpr int kListLineChars = 2048;
// The removal script, composed whole before its file is created.
constexpr int kScriptChars = 40960;
// The interpreter's command line.
constexpr int kCommandLineChars = 512;

// The installation folder of `exePath`: cut before its last backslash, or
// after it when that follows a drive colon (a root keeps its "X:\"). False
// when the path holds no backslash or the folder does not fit.
bool InstallFolderOf(const LeadByteTable& table, const char* exePath, char* folder, size_t size);

// What one read of the list gave.
enum class ListLine {
  Entry,  // `line` holds an entry, trailing white space trimmed
  Skip,   // empty, white space only, holding a NUL byte, or longer than one read
  End,    // no more lines
};
// Reads the next line of the list. A line longer than size - 1 bytes is
// consumed to its end and skipped whole, so its remainder never passes for
// an entry of its own.
ListLine ReadListLine(std::FILE* list, char* line, size_t size);

// True when `entry` can only name something below the installation folder:
// not absolute (no leading '\' or '/', no colon anywhere) and with no
// component made of dots and blanks alone except a single ".".
bool IsRelativeListEntry(const LeadByteTable& table, const char* entry);

// True when the canonical `fullPath` lies below `folder` (canonical, with its
// trailing backslash) and is not the folder itself.
bool LiesInsideFolder(const char* folder, const char* fullPath);

// `text` with every '%' doubled, as the batch interpreter needs it even
// inside quotes. False (and a cut text) when it does not fit.
bool DoublePercent(char* out, size_t size, const char* text);

// The removal script: the start line of the family, five delete attempts,
// the warning run and the script's own deletion, lines ended by CR LF except
// the last. Every path has its '%' doubled. False when it does not fit.
bool ComposeRemovalScript(char* out, size_t size, bool ntFamily, const char* exePath,
                          const char* folder, const char* scriptPath);

// "<interpreter> /c "<script>"". False when it does not fit: the
// interpreter must never see a command line cut short.
bool ComposeInterpreterCommand(char* out, size_t size, const char* interpreter,
                               const char* scriptPath);
