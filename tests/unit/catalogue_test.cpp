// The catalogue under Wine: reading "uninstall.lng" through File, the strings
// that LoadUiString fetches and translates, a read that fails after the
// marker, and the right-to-left switch from a library or from the catalogue.
#include <windows.h>

#include <doctest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app.h"
#include "app/res/resource.h"
#include "lang/catalogue_text.h"
#include "lang/lang.h"
#include "common/files.h"

namespace {

const char kFolder[] = "C:\\catalogue_test";


std::string Key(int kind, const char* context, const char* text) {
  char key[kKeyChars];
  REQUIRE(MakeKey(key, kind, context, text));
  return key;
}

std::string WriteFile(const char* name, const std::string& bytes) {
  CreateDirectoryA(kFolder, nullptr);
  std::string path = std::string(kFolder) + "\\" + name;
  FILE* out = std::fopen(path.c_str(), "wb");
  REQUIRE(out != nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  return path;
}

// Puts the program-wide catalogue and modules back as a run starts.
void Reset(LanguageResources& catalogue) {
  std::free(catalogue.Text);
  catalogue.Text = nullptr;
  catalogue.Length = 0;
  catalogue.Index.Count = 0;
  catalogue.RightToLeft = false;
}

// The program's own executable, loaded for its resources only.
class ProgramModules {
public:
  ProgramModules() {
    std::string copy = std::string(kFolder) + "\\uninstall.exe";
    CreateDirectoryA(kFolder, nullptr);
    CopyFileA(BuildPath("uninstall.exe").c_str(), copy.c_str(), FALSE);
    Program = LoadLibraryExA(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Library = LoadLibraryA(BuildPath("fixtures/strings/qellng.dll").c_str());
    REQUIRE(Program != nullptr);
    REQUIRE(Library != nullptr);
    ExeModule = Program;
    ResourceModule = Library;
  }
  ~ProgramModules() {
    Reset(Language);
    ResourceModule = ExeModule = GetModuleHandleA(nullptr);
    FreeLibrary(Library);
    FreeLibrary(Program);
  }
  HMODULE Program = nullptr;
  HMODULE Library = nullptr;
};

}  // namespace

TEST_CASE("with a catalogue, strings come from the executable and are translated") {
  ProgramModules modules;
  Reset(Language);
  // Without a catalogue the library's own string serves.
  CHECK(std::string(LoadUiString(IDS_DISPLAY_NAME)) == "Fixture archiver");

  std::string path = WriteFile("uninstall.lng",
      "; Tazmor catalogue, test edition\r\n***messages***\r\n" +
      Key(kStringText, nullptr, "Tazmor archiver") + "=\"Archiveur Tazmor\"\r\n" +
      Key(kStringText, nullptr, "You should delete %s manually") + "=\"Supprimez %s\\t!\"\r\n");
  Language.Init(path.c_str());
  REQUIRE(Language.IsLoaded());
  CHECK_FALSE(Language.RightToLeft);

  struct Case { UINT id; const char* text; };
  const Case cases[] = {
    {IDS_DISPLAY_NAME, "Archiveur Tazmor"},             // the executable's text, translated
    {IDS_DELETE_MANUALLY, "Supprimez %s\t!"},
    {IDS_UNINSTALL_CAPTION, "Uninstall Tazmor"},        // no entry: the executable's text
  };
  for (const Case& c : cases) {
    CAPTURE(c.id);
    CHECK(std::string(LoadUiString(c.id)) == c.text);
  }
}

// Serves the catalogue's first bytes through a pipe and then goes away, so
// that the reader's next read fails.
struct PipeServer {
  HANDLE Pipe;
  std::string Bytes;
  static DWORD WINAPI Serve(void* self) {
    PipeServer& server = *static_cast<PipeServer*>(self);
    ConnectNamedPipe(server.Pipe, nullptr);
    DWORD written = 0;
    WriteFile(server.Pipe, server.Bytes.data(), static_cast<DWORD>(server.Bytes.size()), &written,
              nullptr);
    FlushFileBuffers(server.Pipe);
    CloseHandle(server.Pipe);
    return 0;
  }
};

TEST_CASE("a catalogue that cannot be read after its marker is loaded and empty") {
  ProgramModules modules;
  Reset(Language);
  char name[64];
  std::snprintf(name, sizeof name, "\\\\.\\pipe\\taz_catalogue_%lu", GetCurrentProcessId());
  PipeServer server;
  server.Pipe = CreateNamedPipeA(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                 4096, 4096, 0, nullptr);
  REQUIRE(server.Pipe != INVALID_HANDLE_VALUE);
  server.Bytes = "***messages***\r\n";  // the marker and a little more: 16 bytes
  HANDLE thread = CreateThread(nullptr, 0, PipeServer::Serve, &server, 0, nullptr);
  REQUIRE(thread != nullptr);

  Language.Load(name);
  CHECK(WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0);
  CloseHandle(thread);
  REQUIRE(Language.IsLoaded());
  CHECK(Language.Length == 0);
  CHECK(Language.Index.Count == 0);
  // Loaded, so the executable's text, passed through unchanged.
  CHECK(std::string(LoadUiString(IDS_DISPLAY_NAME)) == "Tazmor archiver");
}

TEST_CASE("files that give no catalogue leave strings to the resource module") {
  ProgramModules modules;
  struct Case { const char* what; std::string name; std::string bytes; };
  const Case cases[] = {
    {"missing file", std::string(kFolder) + "\\absent.lng", ""},
    {"no marker", WriteFile("nomarker.lng", "***MESSAGES***\r\n" + std::string(100, 'x')), ""},
    {"marker too close to the end", WriteFile("short.lng", "abc***messages**"), ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.what);
    Reset(Language);
    Language.Load(c.name.c_str());
    CHECK_FALSE(Language.IsLoaded());
    CHECK(std::string(LoadUiString(IDS_DISPLAY_NAME)) == "Fixture archiver");
  }
}

TEST_CASE("right to left: a dialog named RTL in the resource module, or the LTR entry") {
  HMODULE rtlLibrary = LoadLibraryA(BuildPath("fixtures/rtl/qellng.dll").c_str());
  REQUIRE(rtlLibrary != nullptr);
  HMODULE self = GetModuleHandleA(nullptr);
  const std::string ltr = Key(kDialogText, "LTR", "LTR");
  struct Case { const char* what; HMODULE module; const char* catalogue; bool rtl; };
  const Case cases[] = {
    {"library with RTL, no catalogue", rtlLibrary, nullptr, true},
    {"no library, no catalogue", self, nullptr, false},
    {"entry RTL", self, "=\"RTL\"", true},
    {"entry rtl in lower case", self, "=\"rtl\"", false},
    {"entry LTR", self, "=\"LTR\"", false},
    {"library with RTL and entry LTR", rtlLibrary, "=\"LTR\"", true},
  };
  for (const Case& c : cases) {
    CAPTURE(c.what);
    ResourceModule = c.module;
    LanguageResources catalogue;
    if (c.catalogue != nullptr) {
      std::string path = WriteFile("rtl.lng", "***messages***\n" + ltr + c.catalogue + "\n");
      catalogue.Init(path.c_str());
      REQUIRE(catalogue.IsLoaded());
    } else {
      catalogue.Init((std::string(kFolder) + "\\absent.lng").c_str());
      REQUIRE_FALSE(catalogue.IsLoaded());
    }
    CHECK(catalogue.RightToLeft == c.rtl);
  }
  ResourceModule = self;
  FreeLibrary(rtlLibrary);
}
