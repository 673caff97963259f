// The catalogue's text handling without any file or system call: the marker
// search over a reader, CRC-32 keys and the parsing of a scale entry. Shared
// by the program (reading through File) and the native tests and fuzzer
// (reading from memory).
#pragma once

#include <cstddef>
#include <cstdint>

#include "lang/lang.h"

// The catalogue begins at this marker; only the first 65536 bytes from it on
// are used, in a buffer with room to spare for the last line's copy.
constexpr char kCatalogueMarker[] = "***messages**";
constexpr int kMarkerChars = 13;
constexpr int kCatalogueChars = 65536;
constexpr int kCatalogueBufferChars = kCatalogueChars + 1024;

// The marker is looked for in windows of 8192 bytes that overlap by 16, at
// most 16 of them, so it must begin within the first 130816 bytes.
constexpr int kMarkerWindowChars = 8192;
constexpr int kMarkerOverlapChars = 16;
constexpr int kMarkerWindows = 16;
constexpr int kSeekFromStart = 0;

// Key text: 8 lower-case hexadecimal digits and a NUL.
constexpr int kKeyChars = 9;

// First offset k in [0, n - 16] where the marker begins, or -1.
int FindMarkerInWindow(const char* window, int n);

// Searches the marker through a reader with Tell(), Read(buffer, count) and
// Seek(offset, kSeekFromStart), as File offers them. Returns its offset or -1.
template <class Reader> int64_t SearchMarker(Reader& file) {
  char window[kMarkerWindowChars];
  for (int w = 0; w < kMarkerWindows; ++w) {
    int64_t start = file.Tell();
    int n = file.Read(window, kMarkerWindowChars);
    if (n < kMarkerOverlapChars)
      return -1;
    int k = FindMarkerInWindow(window, n);
    if (k >= 0)
      return start + k;
    file.Seek(start + n - kMarkerOverlapChars, kSeekFromStart);
  }
  return -1;
}

// Loads `catalogue` from a reader positioned at the start of the file. Leaves
// it unloaded when there is no marker or no memory.
template <class Reader> void ReadCatalogue(LanguageResources& catalogue, Reader& file) {
  int64_t marker = SearchMarker(file);
  if (marker < 0 || !catalogue.Allocate())
    return;
  file.Seek(marker, kSeekFromStart);
  catalogue.Prepare(file.Read(catalogue.Text, kCatalogueChars));
}

// CRC-32 (reflected 0xEDB88320): start with 0xFFFFFFFF, carry the running
// value over several pieces, complement once at the end.
uint32_t Crc32Update(uint32_t crc, const void* data, size_t size);

// Key of a text: CRC-32 over the kind character ("s", "$" or "@"), the
// context when given, and the text, as 8 lower-case hex digits. False (and
// no key) for an unknown kind.
bool MakeKey(char (&key)[kKeyChars], int kind, const char* context, const char* text);

// A scale entry "X*Y": the numbers before and right after the first asterisk,
// read the way atol reads them (blanks and a sign first, then digits; none
// gives 0), held to +-100000 so that no later product can overflow. Without
// an asterisk both are 100. True unless both are 100.
bool ParseScale(const char* text, int& sx, int& sy);
