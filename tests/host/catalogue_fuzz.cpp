// libFuzzer target: any file is searched for the marker, loaded, unescaped and
// indexed as the program does it; then every indexed line's key is looked up
// and copied into destinations of several sizes, and the input's first line
// is translated and read as a scale entry.
#include <sanitizer/asan_interface.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "host/memory_reader.h"
#include "lang/catalogue_text.h"

ErrorTracker Errors;
LeadByteTable SystemLeadBytes = {};

// Reads the catalogue text like the program, then poisons what the read left
// unwritten, so that any look past the text is reported.
class PoisoningReader : public MemoryReader {
public:
  using MemoryReader::MemoryReader;
  int Read(void* buffer, int count) {
    int n = MemoryReader::Read(buffer, count);
    if (count == kCatalogueChars) {
      Catalogue = static_cast<char*>(buffer);
      size_t used = n > 0 ? static_cast<size_t>(n) + 1 : 1;
      __asan_poison_memory_region(Catalogue + used, kCatalogueChars - used);
      __asan_poison_memory_region(Catalogue + kCatalogueChars + 1,
                                  kCatalogueBufferChars - kCatalogueChars - 1);
    }
    return n;
  }
  char* Catalogue = nullptr;
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string query = bytes.substr(0, bytes.find_first_of("\r\n"));
  query = query.substr(0, 300).c_str();  // up to the first NUL

  LanguageResources catalogue;
  PoisoningReader reader(bytes);
  ReadCatalogue(catalogue, reader);
  if (catalogue.IsLoaded()) {
    // Unescaping may only shorten the text; the index holds line starts.
    if (catalogue.Length < 0 || catalogue.Length > kCatalogueChars ||
        catalogue.Text[catalogue.Length] != '\0')
      __builtin_trap();
    // The text after the terminator was only written by the read: poison it too.
    __asan_poison_memory_region(catalogue.Text + catalogue.Length + 1,
                                kCatalogueChars - catalogue.Length);
    for (int i = 0; i < catalogue.Index.Count && i < 64; ++i) {
      int offset = catalogue.Index[i];
      if (offset < 1 || offset + 8 >= catalogue.Length)
        __builtin_trap();
      char key[kKeyChars];
      std::memcpy(key, catalogue.Text + offset, 8);
      key[8] = '\0';
      if (catalogue.FindEntry(key) == nullptr)
        __builtin_trap();
      catalogue.ScanEntries(key);
      for (size_t capacity : {size_t{1}, size_t{7}, size_t{256}}) {
        char out[256];
        std::memset(out, '#', sizeof out);
        if (!catalogue.TranslateKey(out, capacity, key) || std::strlen(out) >= capacity)
          __builtin_trap();
      }
    }
  }
  for (int kind = 0; kind < 3; ++kind) {
    char out[256];
    catalogue.Translate(out, sizeof out, query.c_str(), kind == 1 ? "SETUPDLG" : nullptr, kind);
    if (std::strlen(out) >= sizeof out)
      __builtin_trap();
  }
  int sx = 0, sy = 0;
  catalogue.GetScale(query.c_str(), sx, sy);
  ParseScale(query.c_str(), sx, sy);
  if (catalogue.IsLoaded())
    __asan_unpoison_memory_region(catalogue.Text, kCatalogueBufferChars);
  return 0;
}
