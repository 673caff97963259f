// Language catalogue: not written yet; texts pass through unchanged.
#include "lang/lang.h"

#include <cstdlib>
#include <cstring>

LanguageResources::~LanguageResources() { std::free(Text); }

void LanguageResources::Init(const char* fileName) {}
void LanguageResources::Load(const char* fileName) {}
void LanguageResources::DetectRtl() {}

void LanguageResources::Translate(char* dst, size_t dstSize, const char* source,
                                  const char* context, int kind) const {
  if (dst != source)
    CopyText(dst, dstSize, source);
}

const char* LanguageResources::FindEntry(const char* key) const { return nullptr; }
const char* LanguageResources::ScanEntries(const char* key) const { return nullptr; }
bool LanguageResources::GetScale(const char* dialogName, int& sx, int& sy) const {
  sx = sy = 100;
  return false;
}
