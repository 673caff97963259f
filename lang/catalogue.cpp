// The catalogue's file and system side: finding "uninstall.lng", reading it
// through File, and the right-to-left switch.
#include <windows.h>

#include <cstring>

#include "app/app.h"
#include "lang/catalogue_text.h"
#include "lang/lang.h"

static constexpr int kRtlTestChars = 1024;
static constexpr char kRtlResource[] = "RTL";
static constexpr char kRtlContext[] = "LTR";

static_assert(kSeekFromStart == FILE_BEGIN, "the reader positions from the start of the file");

// The catalogue's path: a bare name lies beside the executable.
static bool CataloguePath(char* path, size_t size, const char* fileName) {
  for (const char* p = fileName; *p != '\0'; p = NextChar(SystemLeadBytes, p)) {
    if (*p == '\\')
      return CopyText(path, size, fileName);
  }
  char exe[kPathChars] = {};
  DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
  if (n == 0 || n >= sizeof exe)
    return false;
  // Cut after the last backslash, stepping by characters so that a trail
  // byte 0x5C of a double-byte character is never taken for one.
  char* afterSlash = nullptr;
  for (char* p = exe; *p != '\0'; p = const_cast<char*>(NextChar(SystemLeadBytes, p))) {
    if (*p == '\\')
      afterSlash = p + 1;
  }
  if (afterSlash == nullptr)
    return false;
  *afterSlash = '\0';
  return CopyText(path, size, exe) && AppendText(path, size, fileName);
}

void LanguageResources::Load(const char* fileName) {
  char path[kPathChars];
  if (!CataloguePath(path, sizeof path, fileName))
    return;
  File file;  // closed when it goes out of scope, on every path
  if (!file.Open(path, nullptr, false, true))
    return;
  ReadCatalogue(*this, file);
}

void LanguageResources::DetectRtl() {
  if (FindResourceA(ResourceModule, kRtlResource, RT_DIALOG) != nullptr) {
    RightToLeft = true;
    return;
  }
  char text[kRtlTestChars];
  Translate(text, sizeof text, kRtlContext, kRtlContext, kDialogText);
  RightToLeft = std::strcmp(text, kRtlResource) == 0;
}

void LanguageResources::Init(const char* fileName) {
  Load(fileName);
  DetectRtl();
}
