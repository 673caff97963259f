// Program entry and resources: the program-wide values of a run, the choice
// of the resource module and the one way to fetch a user-interface string.
#pragma once

#include <windows.h>

#include "support/support.h"

// Set by the /s switch; the dialogs then complete on their own.
extern bool SilentMode;
// Big icon of the setup and completion dialogs ("QELICON").
extern HICON DialogIcon;
// Bold face of the completion dialog's closing line.
extern HFONT BoldFont;
// Per-user program group folder made by setup; empty when none was made.
extern char ProgramGroupPath[kPathChars];

// Module from which dialogs, the dialog icon and strings come: the language
// library "qellng.dll" while it is loaded, otherwise the executable.
extern HMODULE ResourceModule;
// The executable's own module: the fallback for strings.
extern HMODULE ExeModule;

class ExtResource {
public:
  ExtResource() = default;
  ~ExtResource() { Unload(); }
  ExtResource(const ExtResource&) = delete;
  ExtResource& operator=(const ExtResource&) = delete;

  // Loads "qellng.dll" from the folder of `path` (the executable's folder when
  // `path` is null). A given path names a folder only when it ends with a
  // separator: its last component is replaced.
  void Load(HMODULE exeModule, const char* path);
  void Unload();

  bool Loaded = false;
};

extern ExtResource LanguageLibrary;

// Number of rotating buffers handed out by LoadUiString.
constexpr int kUiStringBuffers = 8;

// A string-table text, translated. Valid through the next seven calls.
const char* LoadUiString(UINT id);

// The /warning message, composed into `out` (bounded; the end may be cut).
void ComposeWarningText(char* out, size_t size, const char* exePath);
