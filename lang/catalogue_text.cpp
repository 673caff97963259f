// The catalogue's text: unescaping, the sorted line index, CRC-32 keys,
// lookups and the bounded copy of a translation. No system calls here.
#include "lang/catalogue_text.h"

#include <cstdlib>
#include <cstring>

// The loaded text separates lines with form feeds, so that escaped line
// breaks can stay inside a translation.
static constexpr char kLineBreak = '\f';
// Key, '=' and '"' come before an entry's text.
static constexpr int kKeyLength = 8;
static constexpr int kEntryTextOffset = kKeyLength + 2;
// Without a line break after it, an entry gives at most this many characters.
static constexpr int kLastLineChars = 255;
static constexpr int kScaleChars = 512;
static constexpr long kScaleLimit = 100000;
static constexpr int kNoScale = 100;

int FindMarkerInWindow(const char* window, int n) {
  for (int k = 0; k + kMarkerOverlapChars <= n; ++k) {
    if (std::memcmp(window + k, kCatalogueMarker, kMarkerChars) == 0)
      return k;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// CRC-32

static uint32_t CrcTable[256];

static void BuildCrcTable() {
  for (uint32_t b = 0; b < 256; ++b) {
    uint32_t c = b;
    for (int bit = 0; bit < 8; ++bit)
      c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    CrcTable[b] = c;
  }
}

static inline uint32_t CrcByte(uint32_t crc, unsigned char b) {
  return CrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

uint32_t Crc32Update(uint32_t crc, const void* data, size_t size) {
  if (CrcTable[1] == 0)
    BuildCrcTable();
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (; size >= 8; size -= 8, p += 8) {
    crc = CrcByte(crc, p[0]);
    crc = CrcByte(crc, p[1]);
    crc = CrcByte(crc, p[2]);
    crc = CrcByte(crc, p[3]);
    crc = CrcByte(crc, p[4]);
    crc = CrcByte(crc, p[5]);
    crc = CrcByte(crc, p[6]);
    crc = CrcByte(crc, p[7]);
  }
  for (; size > 0; --size, ++p)
    crc = CrcByte(crc, *p);
  return crc;
}

bool MakeKey(char (&key)[kKeyChars], int kind, const char* context, const char* text) {
  static const char kKindChars[] = {'s', '$', '@'};
  if (kind < 0 || kind > 2)
    return false;
  uint32_t crc = Crc32Update(0xFFFFFFFFu, &kKindChars[kind], 1);
  if (context != nullptr)
    crc = Crc32Update(crc, context, std::strlen(context));
  crc = ~Crc32Update(crc, text, std::strlen(text));
  static const char kHex[] = "0123456789abcdef";
  for (int i = kKeyLength - 1; i >= 0; --i, crc >>= 4)
    key[i] = kHex[crc & 0xF];
  key[kKeyLength] = '\0';
  return true;
}

// ---------------------------------------------------------------------------
// Loading

LanguageResources::~LanguageResources() { std::free(Text); }

bool LanguageResources::Allocate() {
  std::free(Text);
  Text = static_cast<char*>(std::malloc(kCatalogueBufferChars));
  Length = 0;
  Index.Count = 0;
  if (Text == nullptr)
    return false;
  Length = kCatalogueChars;
  Text[kCatalogueChars] = '\0';
  return true;
}

static bool IsEscapable(char c) {
  return c == '"' || c == '\\' || c == 'n' || c == 'r' || c == 't';
}

static char Unescaped(char c) {
  switch (c) {
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return c;
  }
}

static int CompareKeys(const char* a, const char* b) { return std::strncmp(a, b, kKeyLength); }

// Heap sort of line offsets by their first 8 characters: small, in place,
// and without a worst case.
static void SiftDown(const char* text, int* lines, int root, int count) {
  for (int child; (child = 2 * root + 1) < count; root = child) {
    if (child + 1 < count && CompareKeys(text + lines[child], text + lines[child + 1]) < 0)
      ++child;
    if (CompareKeys(text + lines[root], text + lines[child]) >= 0)
      return;
    int t = lines[root];
    lines[root] = lines[child];
    lines[child] = t;
  }
}

static void SortLines(const char* text, int* lines, int count) {
  for (int i = count / 2 - 1; i >= 0; --i)
    SiftDown(text, lines, i, count);
  for (int end = count - 1; end > 0; --end) {
    int t = lines[0];
    lines[0] = lines[end];
    lines[end] = t;
    SiftDown(text, lines, 0, end);
  }
}

void LanguageResources::Prepare(int count) {
  if (Text == nullptr)
    return;
  // A failed read leaves the catalogue loaded but empty.
  int length = count < 0 ? 0 : count > kCatalogueChars ? kCatalogueChars : count;
  int i = 0;
  for (int j = 0; j < length && Text[j] != '\0'; ++i) {
    char c = Text[j];
    if (c == '\\' && j + 1 < length && IsEscapable(Text[j + 1])) {
      Text[i] = Unescaped(Text[j + 1]);
      j += 2;
    } else {
      Text[i] = (c == '\r' || c == '\n') ? kLineBreak : c;
      j += 1;
    }
  }
  Text[i] = '\0';
  Length = i;

  Index.Count = 0;
  for (int k = 1; k < Length - kKeyLength; ++k) {
    if (Text[k - 1] == kLineBreak && Text[k] != kLineBreak)
      Index.Append(k);
  }
  SortLines(Text, Index.Data, Index.Count);
}

// ---------------------------------------------------------------------------
// Lookup

const char* LanguageResources::FindEntry(const char* key) const {
  if (Text == nullptr)
    return nullptr;
  int first = 0;
  int size = Index.Count;
  while (size > 0) {
    int half = size / 2;
    const char* line = Text + Index[first + half];
    int order = CompareKeys(key, line);
    if (order == 0)
      return line;
    if (order < 0) {
      size = half;
    } else {
      first += half + 1;
      size -= half + 1;
    }
  }
  return nullptr;
}

const char* LanguageResources::ScanEntries(const char* key) const {
  if (Text == nullptr)
    return nullptr;
  const char* p = Text;
  while (*p != '\0') {
    if (std::strncmp(p, key, kKeyLength) == 0 && p[kKeyLength] == '=' &&
        p[kKeyLength + 1] == '"')
      return p;
    while (*p != '\0' && *p != kLineBreak)
      ++p;
    while (*p == kLineBreak)
      ++p;
  }
  return nullptr;
}

bool LanguageResources::TranslateKey(char* dst, size_t dstSize, const char* key) const {
  if (dstSize == 0)
    return false;
  const char* line = FindEntry(key);
  if (line == nullptr)
    line = ScanEntries(key);
  if (line == nullptr)
    return false;
  // The text follows the key, '=' and '"'. A line too short for that (only
  // possible at the very end of the text) gives the empty text rather than
  // anything past the terminator.
  const char* start = line;
  while (start < line + kEntryTextOffset && *start != '\0')
    ++start;
  // Up to and including the line break; on the last line at most 255
  // characters. Then the text ends at the last double quote of that.
  const char* end = start;
  while (*end != '\0' && *end != kLineBreak)
    ++end;
  if (*end == kLineBreak)
    ++end;
  else if (end - start > kLastLineChars)
    end = start + kLastLineChars;
  for (const char* q = end; q > start; --q) {
    if (q[-1] == '"') {
      end = q - 1;
      break;
    }
  }
  size_t n = static_cast<size_t>(end - start);
  if (n > dstSize - 1)
    n = dstSize - 1;  // the caller's buffer bounds the translation
  std::memmove(dst, start, n);
  dst[n] = '\0';
  return true;
}

void LanguageResources::Translate(char* dst, size_t dstSize, const char* source,
                                  const char* context, int kind) const {
  if (dstSize == 0)
    return;
  char key[kKeyChars];
  bool found = Text != nullptr && MakeKey(key, kind, context, source) &&
               TranslateKey(dst, dstSize, key);
  if (!found && dst != source)
    CopyText(dst, dstSize, source);
}

// ---------------------------------------------------------------------------
// Scale entries

static bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static int ReadNumber(const char* p) {
  while (IsBlank(*p))
    ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+')
    ++p;
  long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (value < kScaleLimit)
      value = value * 10 + (*p - '0');
  }
  if (value > kScaleLimit)
    value = kScaleLimit;
  return static_cast<int>(negative ? -value : value);
}

bool ParseScale(const char* text, int& sx, int& sy) {
  const char* star = std::strchr(text, '*');
  if (star == nullptr) {
    sx = sy = kNoScale;
  } else {
    sx = ReadNumber(text);
    sy = ReadNumber(star + 1);
  }
  return !(sx == kNoScale && sy == kNoScale);
}

bool LanguageResources::GetScale(const char* dialogName, int& sx, int& sy) const {
  char entry[kScaleChars];
  Translate(entry, sizeof entry, "", dialogName, kDialogText);
  return ParseScale(entry, sx, sy);
}
