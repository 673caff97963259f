// Localisation: the language catalogue "uninstall.lng" and the adaptation of
// every dialog (translation, scaling, right-to-left layout, help topics).
//
// The catalogue's text handling needs no <windows.h>; only the file reading,
// the right-to-left test and the dialog work call Win32.
#pragma once

#include <cstddef>

#include "support/support.h"

#ifdef _WIN32
#include <windows.h>
#endif

// Kinds of looked-up texts: the first byte of every key.
enum TextKind { kStringText = 0, kDialogText = 1, kOtherText = 2 };

class LanguageResources {
public:
  LanguageResources() = default;
  ~LanguageResources();
  LanguageResources(const LanguageResources&) = delete;
  LanguageResources& operator=(const LanguageResources&) = delete;

  void Init(const char* fileName);
  // A name without a backslash is looked for beside the executable; a name
  // with one is used as it stands.
  void Load(const char* fileName);
  void DetectRtl();
  bool IsLoaded() const { return Text != nullptr; }

  // The two halves of a load that need no file: a fresh, empty text buffer
  // (false when it cannot be had), then, once `count` bytes have been read
  // into it (-1: the read failed), unescaping and the sorted line index.
  bool Allocate();
  void Prepare(int count);

  // Writes the translation of `source` (or a copy of it) into dst, never more
  // than dstSize bytes. `source` may be dst itself; `context` may be null.
  void Translate(char* dst, size_t dstSize, const char* source, const char* context,
                 int kind) const;
  // The entry of an 8-character key copied into dst (bounded, cut at its last
  // double quote); false, with dst untouched, when there is none.
  bool TranslateKey(char* dst, size_t dstSize, const char* key) const;
  const char* FindEntry(const char* key) const;
  const char* ScanEntries(const char* key) const;

  bool GetScale(const char* dialogName, int& sx, int& sy) const;
#ifdef _WIN32
  void AdaptDialog(const char* dialogName, HWND dialog) const;
  void SetRtlStyle(HWND window) const;
#endif

  char* Text = nullptr;
  int Length = 0;
  Array<int> Index;
  bool RightToLeft = false;
};

extern LanguageResources Language;

#ifdef _WIN32
// Every dialog procedure hands each message here first.
void DialogMessageFilter(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                         int helpContext, const char* dialogName);
#endif
