// lngtool: the translator's companion for "uninstall.lng".
//
//   lngtool template MODULE [OUTPUT] [-cp CODEPAGE]
//       Writes a catalogue template for every text that the program looks
//       up in MODULE (uninstall.exe or a language library): the string
//       table (kind 0), each dialog's caption and non-empty control texts
//       (kind 1, the dialog's name as context), each dialog's scale entry and
//       the right-to-left switch. Each line is `key="source text"`, ready to
//       be translated in place. Without OUTPUT the template goes to stdout.
//   lngtool check MODULE CATALOGUE [-cp CODEPAGE]
//       Reads CATALOGUE as the program reads it and reports entries whose key
//       matches no text of MODULE (stale or mistyped lines), keys that appear
//       more than once, and texts without an entry. Exit code 1 when there is
//       anything to report.
//
// The texts are taken in the ANSI code page CODEPAGE (by default the
// system's), the code page in which the program will read them: keys are
// computed over those bytes. Exit code 2 for usage and file errors.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "lang/catalogue_text.h"
#include "lang/lang.h"

namespace {

// What the program reads: string-table texts through a 256-character buffer,
// window texts up to 1023 characters.
constexpr size_t kStringTextLimit = 255;
constexpr size_t kWindowTextLimit = 1023;
constexpr char kRtlDialog[] = "RTL";
constexpr char kRtlSwitch[] = "LTR";

struct Text {
  int Kind;
  std::string Context;  // empty: none
  std::string Source;
  std::string Where;    // for the translator: where the text appears
  std::string Key;
};

std::string KeyOf(int kind, const std::string& context, const std::string& source) {
  char key[kKeyChars];
  MakeKey(key, kind, context.empty() ? nullptr : context.c_str(), source.c_str());
  return key;
}

std::string ToAnsi(const wchar_t* text, size_t count, UINT codePage, size_t limit) {
  if (count == 0)
    return std::string();
  int n = WideCharToMultiByte(codePage, 0, text, static_cast<int>(count), nullptr, 0, nullptr,
                              nullptr);
  if (n <= 0)
    return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text, static_cast<int>(count), &out[0], n, nullptr, nullptr);
  if (out.size() > limit)
    out.resize(limit);
  return out;
}

// --- Dialog templates -------------------------------------------------------

// A bounded reader over one resource.
class TemplateReader {
public:
  TemplateReader(const BYTE* data, size_t size) : Data(data), Size(size) {}

  bool Word(WORD& value) { return Take(&value, sizeof value); }
  bool Dword(DWORD& value) { return Take(&value, sizeof value); }
  bool Skip(size_t n) {
    if (Size - Pos < n)
      return Fail();
    Pos += n;
    return true;
  }
  void AlignDword() { Pos = (Pos + 3) & ~static_cast<size_t>(3); if (Pos > Size) Fail(); }
  // A name or ordinal: an ordinal sets `ordinal` and leaves `text` empty.
  bool NameOrOrdinal(std::wstring& text, WORD* ordinal = nullptr) {
    text.clear();
    WORD first;
    if (!Word(first))
      return false;
    if (first == 0)
      return true;
    if (first == 0xFFFF) {
      WORD id;
      if (!Word(id))
        return false;
      if (ordinal != nullptr)
        *ordinal = id;
      return true;
    }
    text.push_back(static_cast<wchar_t>(first));
    return String(text);
  }
  // Characters up to a NUL, appended to `text`.
  bool String(std::wstring& text) {
    for (;;) {
      WORD c;
      if (!Word(c))
        return false;
      if (c == 0)
        return true;
      text.push_back(static_cast<wchar_t>(c));
    }
  }
  bool Ok() const { return Good; }

private:
  bool Take(void* out, size_t n) {
    if (!Good || Size - Pos < n)
      return Fail();
    std::memcpy(out, Data + Pos, n);
    Pos += n;
    return true;
  }
  bool Fail() {
    Good = false;
    Pos = Size;
    return false;
  }

  const BYTE* Data;
  size_t Size;
  size_t Pos = 0;
  bool Good = true;
};

struct DialogTexts {
  std::wstring Caption;
  std::vector<std::pair<int, std::wstring>> Controls;  // id, text, in template order
};

bool ParseDialog(const BYTE* data, size_t size, DialogTexts& out) {
  TemplateReader r(data, size);
  WORD version = 0;
  WORD signature = 0;
  r.Word(version);
  r.Word(signature);
  bool extended = version == 1 && signature == 0xFFFF;
  DWORD style = 0;
  DWORD exStyle = 0;
  DWORD helpId = 0;
  WORD count = 0;
  if (extended) {
    r.Dword(helpId);
    r.Dword(exStyle);
    r.Dword(style);
  } else {
    style = MAKELONG(version, signature);
    r.Dword(exStyle);
  }
  r.Word(count);
  r.Skip(4 * sizeof(WORD));  // x, y, cx, cy
  std::wstring menu, windowClass;
  r.NameOrOrdinal(menu);
  r.NameOrOrdinal(windowClass);
  r.String(out.Caption);
  if (style & (DS_SETFONT | DS_SHELLFONT)) {
    r.Skip(sizeof(WORD));                   // point size
    if (extended)
      r.Skip(sizeof(WORD) + 2);             // weight, italic, character set
    std::wstring face;
    r.String(face);
  }
  for (WORD i = 0; i < count && r.Ok(); ++i) {
    r.AlignDword();
    DWORD id = 0;
    if (extended) {
      r.Skip(3 * sizeof(DWORD));            // help id, extended style, style
      r.Skip(4 * sizeof(WORD));
      r.Dword(id);
    } else {
      r.Skip(2 * sizeof(DWORD));            // style, extended style
      r.Skip(4 * sizeof(WORD));
      WORD shortId = 0;
      r.Word(shortId);
      id = shortId;
    }
    std::wstring controlClass, title;
    r.NameOrOrdinal(controlClass);
    r.NameOrOrdinal(title);                 // an ordinal title (an icon) has no text
    WORD extra = 0;
    r.Word(extra);
    r.Skip(extra);
    if (r.Ok())
      out.Controls.emplace_back(static_cast<int>(static_cast<short>(id)), title);
  }
  return r.Ok();
}

// --- Collecting the texts of a module ----------------------------------------

struct Collector {
  HMODULE Module = nullptr;
  UINT CodePage = 0;
  std::vector<Text> Texts;
  std::set<std::string> Keys;
  std::vector<std::string> DialogNames;
  bool Failed = false;

  void Add(int kind, const std::string& context, const std::string& source,
           const std::string& where) {
    std::string key = KeyOf(kind, context, source);
    if (Keys.insert(key).second)
      Texts.push_back(Text{kind, context, source, where, key});
  }
};

BOOL CALLBACK CollectDialogName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  auto* c = reinterpret_cast<Collector*>(param);
  // Numbered dialogs are never shown by the program; "RTL" only marks a
  // right-to-left language.
  if (!IS_INTRESOURCE(name) && std::strcmp(name, kRtlDialog) != 0)
    c->DialogNames.push_back(name);
  return TRUE;
}

BOOL CALLBACK CollectStringBlock(HMODULE module, LPCSTR, LPSTR name, LONG_PTR param) {
  auto* c = reinterpret_cast<Collector*>(param);
  if (!IS_INTRESOURCE(name))
    return TRUE;
  UINT block = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
  HRSRC info = FindResourceA(module, name, RT_STRING);
  HGLOBAL handle = info != nullptr ? LoadResource(module, info) : nullptr;
  const WORD* p = handle != nullptr ? static_cast<const WORD*>(LockResource(handle)) : nullptr;
  if (p == nullptr) {
    c->Failed = true;
    return TRUE;
  }
  const WORD* end = p + SizeofResource(module, info) / sizeof(WORD);
  for (UINT i = 0; i < 16 && p < end; ++i) {
    size_t length = *p++;
    if (length > static_cast<size_t>(end - p))
      length = static_cast<size_t>(end - p);
    UINT id = (block - 1) * 16 + i;
    std::string text = ToAnsi(reinterpret_cast<const wchar_t*>(p), length, c->CodePage,
                              kStringTextLimit);
    if (!text.empty())
      c->Add(kStringText, "", text, "string " + std::to_string(id));
    p += length;
  }
  return TRUE;
}

bool CollectDialog(Collector& c, const std::string& name) {
  HRSRC info = FindResourceA(c.Module, name.c_str(), RT_DIALOG);
  HGLOBAL handle = info != nullptr ? LoadResource(c.Module, info) : nullptr;
  const BYTE* data = handle != nullptr ? static_cast<const BYTE*>(LockResource(handle)) : nullptr;
  DialogTexts texts;
  if (data == nullptr || !ParseDialog(data, SizeofResource(c.Module, info), texts)) {
    std::fprintf(stderr, "lngtool: dialog %s cannot be read\n", name.c_str());
    return false;
  }
  // The caption is looked up even when empty; its key is then the scale
  // entry's, which comes next anyway.
  std::string caption = ToAnsi(texts.Caption.data(), texts.Caption.size(), c.CodePage,
                               kWindowTextLimit);
  if (!caption.empty())
    c.Add(kDialogText, name, caption, name + " caption");
  for (const auto& control : texts.Controls) {
    std::string text = ToAnsi(control.second.data(), control.second.size(), c.CodePage,
                              kWindowTextLimit);
    if (!text.empty())
      c.Add(kDialogText, name, text, name + " control " + std::to_string(control.first));
  }
  c.Add(kDialogText, name, "", name + " scale in percent, as width*height (for example 120*100)");
  return true;
}

bool Collect(Collector& c) {
  EnumResourceNamesA(c.Module, RT_STRING, CollectStringBlock, reinterpret_cast<LONG_PTR>(&c));
  EnumResourceNamesA(c.Module, RT_DIALOG, CollectDialogName, reinterpret_cast<LONG_PTR>(&c));
  for (const std::string& name : c.DialogNames) {
    if (!CollectDialog(c, name))
      c.Failed = true;
  }
  c.Add(kDialogText, kRtlSwitch, kRtlSwitch,
        "layout switch: \"RTL\" for a language written right to left");
  return !c.Failed;
}

// --- Output -------------------------------------------------------------------

// Escapes as the catalogue reader unescapes: every backslash byte is doubled,
// also a trail byte of a double-byte character, since the reader works on
// bytes.
std::string Escape(const std::string& text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += ch;
    }
  }
  return out;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int WriteTemplate(const Collector& c, const std::string& module, const char* output) {
  std::string out;
  out += "Catalogue for Tazmor setup, made from " + BaseName(module) + ". Text in ANSI code page " +
         std::to_string(c.CodePage) + ".\r\n";
  out += "Translate the text between the quotes; keep the key before '=' unchanged.\r\n";
  out += "Escapes: \\\" quote, \\\\ backslash, \\n line feed, \\r carriage return, \\t tab.\r\n";
  out += std::string(kCatalogueMarker) + "*\r\n";
  for (const Text& t : c.Texts) {
    out += "; " + t.Where + "\r\n";
    out += t.Key + "=\"" + Escape(t.Source) + "\"\r\n";
  }
  // Bytes as they are: the catalogue's line ends are already CR LF.
  if (output == nullptr)
    _setmode(_fileno(stdout), _O_BINARY);
  FILE* f = output != nullptr ? std::fopen(output, "wb") : stdout;
  if (f == nullptr) {
    std::fprintf(stderr, "lngtool: cannot write %s\n", output);
    return 2;
  }
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  ok = (output != nullptr ? std::fclose(f) : std::fflush(f)) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "lngtool: writing the template failed\n");
    return 2;
  }
  return 0;
}

bool IsHex(char ch) {
  return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

// A line of entry shape: eight hexadecimal digits and '='.
bool LooksLikeEntry(const char* line) {
  for (int i = 0; i < 8; ++i) {
    if (!IsHex(line[i]))
      return false;
  }
  return line[8] == '=';
}

std::string Excerpt(const char* line) {
  std::string s;
  for (; *line != '\0' && *line != '\f' && s.size() < 60; ++line)
    s += *line;
  return s;
}

int CheckCatalogue(const Collector& c, const char* cataloguePath) {
  // Read as the program reads it, so that only what the program would see
  // counts (the first 64 KB after the marker, escapes resolved).
  char full[kPathChars];
  DWORD n = GetFullPathNameA(cataloguePath, sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full || GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "lngtool: cannot open %s\n", cataloguePath);
    return 2;
  }
  static LanguageResources catalogue;
  catalogue.Load(full);
  if (!catalogue.IsLoaded()) {
    std::fprintf(stderr, "lngtool: %s holds no catalogue (no \"%s\" marker)\n", cataloguePath,
                 kCatalogueMarker);
    return 2;
  }
  int findings = 0;
  std::set<std::string> seen;
  // Every line start of the loaded text: the marker line, then each line
  // after a run of line breaks.
  const char* p = catalogue.Text;
  while (*p != '\0') {
    if (LooksLikeEntry(p)) {
      std::string key(p, 8);
      if (c.Keys.count(key) == 0) {
        std::printf("stale: %s\n", Excerpt(p).c_str());
        ++findings;
      } else if (!seen.insert(key).second) {
        std::printf("duplicate: %s\n", Excerpt(p).c_str());
        ++findings;
      }
    }
    while (*p != '\0' && *p != '\f')
      ++p;
    while (*p == '\f')
      ++p;
  }
  for (const Text& t : c.Texts) {
    // Scale entries and the layout switch are optional.
    bool optional = t.Source.empty() || t.Context == kRtlSwitch;
    if (!optional && seen.count(t.Key) == 0) {
      std::printf("missing: %s=\"%s\" (%s)\n", t.Key.c_str(), Escape(t.Source).c_str(),
                  t.Where.c_str());
      ++findings;
    }
  }
  std::printf("%d finding(s)\n", findings);
  return findings == 0 ? 0 : 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: lngtool template MODULE [OUTPUT] [-cp CODEPAGE]\n"
               "       lngtool check MODULE CATALOGUE [-cp CODEPAGE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<const char*> args;
  UINT codePage = GetACP();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-cp") == 0 && i + 1 < argc) {
      codePage = static_cast<UINT>(std::strtoul(argv[++i], nullptr, 10));
      CPINFO info;
      if (!GetCPInfo(codePage, &info)) {
        std::fprintf(stderr, "lngtool: code page %u is not available\n", codePage);
        return 2;
      }
    } else {
      args.push_back(argv[i]);
    }
  }
  if (args.size() < 2)
    return Usage();
  std::string command = args[0];
  bool makeTemplate = command == "template" && args.size() <= 3;
  bool check = command == "check" && args.size() == 3;
  if (!makeTemplate && !check)
    return Usage();

  HMODULE module = LoadLibraryExA(args[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    std::fprintf(stderr, "lngtool: cannot load %s (error %lu)\n", args[1], GetLastError());
    return 2;
  }
  Collector c;
  c.Module = module;
  c.CodePage = codePage;
  bool complete = Collect(c);
  int result = 2;
  if (complete)
    result = makeTemplate ? WriteTemplate(c, args[1], args.size() == 3 ? args[2] : nullptr)
                          : CheckCatalogue(c, args[2]);
  FreeLibrary(module);
  std::fflush(stdout);
  return result;
}
