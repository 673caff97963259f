// Choice of the resource module and the fetching of user-interface strings.
#include "app/app.h"

#include <cstring>

#include "app/res/resource.h"

#include "lang/lang.h"

static constexpr char kLanguageLibrary[] = "qellng.dll";

void ExtResource::Load(HMODULE exeModule, const char* path) {
  Unload();
  char libraryPath[kPathChars] = {};
  if (path != nullptr)
    CopyText(libraryPath, sizeof libraryPath, path);
  else if (GetModuleFileNameA(nullptr, libraryPath, sizeof libraryPath) >= sizeof libraryPath)
    libraryPath[0] = '\0';  // a cut path would name another folder
  HMODULE library = nullptr;
  if (libraryPath[0] != '\0') {
    char* name = GetNamePart(libraryPath);
    size_t room = sizeof libraryPath - static_cast<size_t>(name - libraryPath);
    if (CopyText(name, room, kLanguageLibrary))
      library = LoadLibraryA(libraryPath);
  }
  Loaded = library != nullptr;
  ResourceModule = Loaded ? library : exeModule;
  ExeModule = exeModule;
}

void ExtResource::Unload() {
  if (!Loaded)
    return;
  FreeLibrary(ResourceModule);
  ResourceModule = ExeModule;
  Loaded = false;
}

const char* LoadUiString(UINT id) {
  static char buffers[kUiStringBuffers][kUiStringChars];
  static int current = 0;
  if (++current == kUiStringBuffers)
    current = 0;
  char* buffer = buffers[current];
  buffer[0] = '\0';
  if (Language.IsLoaded()) {
    // The catalogue finds its entries by the executable's own texts.
    LoadStringA(ExeModule, id, buffer, kUiStringChars);
  } else if (LoadStringA(ResourceModule, id, buffer, kUiStringChars) == 0) {
    LoadStringA(ExeModule, id, buffer, kUiStringChars);
  }
  Language.Translate(buffer, kUiStringChars, buffer, nullptr, kStringText);
  return buffer;
}

void ComposeWarningText(char* out, size_t size, const char* exePath) {
  // "Uninstall completed", a line break, then the line with the path; the
  // whole is bounded by the buffer and its end may be cut.
  if (!CopyText(out, size, LoadUiString(IDS_UNINSTALL_DONE)) || !AppendText(out, size, "\n"))
    return;
  size_t used = std::strlen(out);
  FormatWithText(out + used, size - used, LoadUiString(IDS_DELETE_MANUALLY), exePath);
}
