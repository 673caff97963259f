// The executable's resources and the choice of the module that serves them.
#include <doctest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/res/resource.h"
#include "lang/lang.h"
#include "common/files.h"

namespace {


// uninstall.exe loaded for its resources only.
HMODULE ProgramResources() {
  static HMODULE module =
      LoadLibraryExA(BuildPath("uninstall.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  return module;
}

struct DialogControl {
  int Id;
  short X, Y, Cx, Cy;
  std::string ClassName;
  std::string Text;
  DWORD Style;
};

struct Dialog {
  std::string Caption;
  short X, Y, Cx, Cy;
  DWORD Style;
  std::vector<DialogControl> Controls;
};

// Reads a DIALOGEX template (the form windres writes for DIALOGEX).
const WORD* ReadSzOrOrd(const WORD* p, std::string& out) {
  out.clear();
  if (*p == 0xFFFF) {
    static const char* const kClasses[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar",
                                           "ComboBox"};
    WORD atom = p[1];
    out = atom >= 0x80 && atom <= 0x85 ? kClasses[atom - 0x80] : "#" + std::to_string(atom);
    return p + 2;
  }
  for (; *p != 0; ++p)
    out += static_cast<char>(*p);
  return p + 1;
}

const WORD* Align4(const WORD* p) {
  return reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t(3));
}

Dialog ReadDialog(HMODULE module, const char* name) {
  Dialog d{};
  HRSRC found = FindResourceA(module, name, reinterpret_cast<LPCSTR>(RT_DIALOG));
  REQUIRE(found != nullptr);
  auto* p = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
  REQUIRE(p[0] == 1);
  REQUIRE(p[1] == 0xFFFF);
  DWORD style;
  std::memcpy(&style, p + 6, sizeof style);
  d.Style = style;
  WORD count = p[8];
  d.X = static_cast<short>(p[9]);
  d.Y = static_cast<short>(p[10]);
  d.Cx = static_cast<short>(p[11]);
  d.Cy = static_cast<short>(p[12]);
  p += 13;
  std::string skip;
  p = ReadSzOrOrd(p, skip);  // menu
  p = ReadSzOrOrd(p, skip);  // class
  p = ReadSzOrOrd(p, d.Caption);
  p += 3;                    // point size, weight, italic and charset
  p = ReadSzOrOrd(p, skip);  // face name
  for (WORD i = 0; i < count; ++i) {
    p = Align4(p);
    DialogControl c{};
    std::memcpy(&c.Style, p + 4, sizeof c.Style);
    c.X = static_cast<short>(p[6]);
    c.Y = static_cast<short>(p[7]);
    c.Cx = static_cast<short>(p[8]);
    c.Cy = static_cast<short>(p[9]);
    DWORD id;
    std::memcpy(&id, p + 10, sizeof id);
    c.Id = static_cast<int>(id);
    p += 12;
    p = ReadSzOrOrd(p, c.ClassName);
    p = ReadSzOrOrd(p, c.Text);
    WORD extra = *p++;
    p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
    d.Controls.push_back(c);
  }
  return d;
}

// Controls with an id are found by it; those without (-1) by their place.
const DialogControl* FindControl(const Dialog& d, int id, short x, short y) {
  for (const DialogControl& c : d.Controls) {
    if (c.Id == id && (id != -1 || (c.X == x && c.Y == y)))
      return &c;
  }
  return nullptr;
}

struct ExpectedControl {
  int Id;
  const char* Text;
  short X, Y, Cx, Cy;
};

void CheckDialog(const char* name, const char* caption, short x, short y, short cx, short cy,
                 bool centred, std::initializer_list<ExpectedControl> controls) {
  CAPTURE(name);
  Dialog d = ReadDialog(ProgramResources(), name);
  CHECK(d.Caption == caption);
  CHECK(d.X == x);
  CHECK(d.Y == y);
  CHECK(d.Cx == cx);
  CHECK(d.Cy == cy);
  CHECK(((d.Style & DS_CENTER) != 0) == centred);
  const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  CHECK((d.Style & frame) == frame);
  CHECK(d.Controls.size() == controls.size());
  for (const ExpectedControl& e : controls) {
    CAPTURE(e.Id);
    CAPTURE(e.Text);
    const DialogControl* c = FindControl(d, e.Id, e.X, e.Y);
    REQUIRE(c != nullptr);
    if (e.Text != nullptr)
      CHECK(c->Text == e.Text);
    CHECK(c->X == e.X);
    CHECK(c->Y == e.Y);
    CHECK(c->Cx == e.Cx);
    CHECK(c->Cy == e.Cy);
    CHECK((c->Style & (WS_CHILD | WS_VISIBLE)) == (WS_CHILD | WS_VISIBLE));
  }
}

}  // namespace

TEST_CASE("the three dialogs carry every control at its place") {
  REQUIRE(ProgramResources() != nullptr);
  CheckDialog("SETUPDLG", "Tazmor Setup", 53, 46, 331, 228, true,
              {{1, "OK", 111, 209, 50, 14}, {-1, "Associate Tazmor with", 7, 5, 127, 132},
               {5101, "&QEL", 16, 21, 37, 12}, {5102, "&ZIP", 16, 33, 37, 12},
               {5103, "CAB", 16, 45, 37, 12}, {5104, "ARJ", 16, 57, 37, 12},
               {5105, "LZH", 16, 69, 37, 12}, {5106, "ACE", 16, 81, 37, 12},
               {5107, "TAR", 80, 21, 37, 12}, {5108, "GZip", 80, 33, 37, 12},
               {5109, "UUE", 80, 45, 37, 12}, {5110, "BZ2", 80, 57, 37, 12},
               {5111, "JAR", 80, 69, 37, 12}, {5112, "ISO", 80, 81, 37, 12},
               {-1, "", 8, 114, 127, 1}, {5119, "Select &all", 16, 119, 50, 14},
               {-1, "Interface", 140, 5, 184, 57},
               {5113, "Add Tazmor to &Desktop", 148, 19, 170, 12},
               {5114, "Add Tazmor to &Start Menu", 148, 31, 170, 12},
               {5115, "Create Tazmor &program group", 148, 43, 170, 12},
               {5116, "&Integrate Tazmor into shell", 148, 78, 170, 12},
               {-1, "Shell integration", 140, 65, 184, 72},
               {5117, "Cascaded con&text menus", 148, 90, 170, 12},
               {5118, "Ico&ns in context menus", 148, 102, 170, 12},
               {9, "Help", 169, 209, 50, 14}, {-1, "", 7, 139, 317, 63},
               {5120, nullptr, 12, 147, 306, 50},
               {5121, "&Context menu items...", 148, 119, 100, 14}});
  CheckDialog("DONEDLG", "Tazmor Setup", 53, 46, 331, 228, true,
              {{1, "Done", 140, 209, 50, 14},
               {-1, "Tazmor has been successfully installed to the folder", 17, 14, 146, 8},
               {5101, "", 164, 14, 150, 8},
               {-1,
                "Use \"Settings...\" command from the Tazmor \"Options\" menu for further "
                "customization.",
                17, 33, 297, 16},
               {-1, "If you installed Tazmor for the first time, do not forget to read online help.",
                17, 53, 297, 16},
               {-1, "", 8, 2, 314, 125}, {5102, "&Run Tazmor", 11, 134, 60, 14},
               {5103, "Read &help", 74, 134, 60, 14}, {5104, "View &license", 136, 134, 60, 14},
               {5105, "&Price list", 198, 134, 60, 14}, {5106, "Ho&me page", 259, 134, 60, 14},
               {-1, "", 8, 152, 314, 50},
               {5107, "Thank you for using Tazmor !", 17, 173, 297, 8}});
  CheckDialog("CONTEXTITEMS", "Context menu items", 42, 45, 243, 188, false,
              {{-1, "Choose items to display in Explorer context menus", 7, 7, 229, 154},
               {101, "Extr&act files...", 16, 21, 210, 12}, {102, "E&xtract Here", 16, 33, 210, 12},
               {103, "&Extract to <folder>", 16, 45, 210, 12},
               {104, "Extract each archive to &separate folder", 16, 57, 210, 12},
               {105, "Open with Tazmor (for SFX archives)", 16, 69, 210, 12},
               {106, "&Add to archive...", 16, 81, 210, 12},
               {107, "Add &to <archive name>", 16, 93, 210, 12},
               {108, "Compress to <archive name> and email", 16, 105, 210, 12},
               {109, "Compress and email...", 16, 117, 210, 12},
               {110, "Test a&rchive", 16, 129, 210, 12}, {111, "Con&vert archive...", 16, 141, 210, 12},
               {1, "OK", 35, 168, 50, 14}, {2, "Cancel", 97, 168, 50, 14},
               {9, "Help", 158, 168, 50, 14}});
}

TEST_CASE("the setup dialog's description is two paragraphs in a read-only rich-edit box") {
  Dialog d = ReadDialog(ProgramResources(), "SETUPDLG");
  const DialogControl* box = FindControl(d, IDC_DESCRIPTION, 0, 0);
  REQUIRE(box != nullptr);
  CHECK(box->ClassName == "RICHEDIT");
  const DWORD style = ES_READONLY | ES_MULTILINE | WS_VSCROLL | ES_AUTOVSCROLL | WS_TABSTOP;
  CHECK((box->Style & style) == style);
  size_t breakAt = box->Text.find("\r\n");
  REQUIRE(breakAt != std::string::npos);
  CHECK(box->Text.rfind("   These options control integration of Tazmor into Windows.", 0) == 0);
  CHECK(box->Text.find("like \"Extract\" item in archive context menus, so usually there is no "
                       "reason to disable it.\r\n") != std::string::npos);
  CHECK(box->Text.substr(breakAt + 2) ==
        "   Press \"Help\" button to read more detailed description of these options.");
}

TEST_CASE("the string table holds the twelve texts and nothing else") {
  const char* const expected[] = {
      "Tazmor archiver", "Tazmor help", "Console QEL manual", "Uninstall Tazmor",
      "Uninstall completed", "You should delete %s manually", "Continue with uninstall Tazmor",
      "Cannot open list file %s", "Tazmor archive", "Tazmor ZIP archive", "QEL recovery volume",
      "https://www.tazmor.example/"};
  for (UINT id = IDS_DISPLAY_NAME; id <= IDS_HOME_PAGE; ++id) {
    char text[kUiStringChars] = {};
    LoadStringA(ProgramResources(), id, text, sizeof text);
    CHECK(std::string(text) == expected[id - IDS_DISPLAY_NAME]);
  }
  char text[kUiStringChars] = {};
  CHECK(LoadStringA(ProgramResources(), IDS_DISPLAY_NAME - 1, text, sizeof text) == 0);
  CHECK(LoadStringA(ProgramResources(), IDS_HOME_PAGE + 1, text, sizeof text) == 0);
}

TEST_CASE("icon groups hold the images in their order and the manifest asks for common controls 6") {
  struct Image { int Size; int Bits; };
  struct Group { const char* Name; std::vector<Image> Images; };
  const Group groups[] = {
      {"DELICON", {{16, 4}, {16, 8}, {32, 4}, {32, 8}, {48, 4}, {48, 8}}},
      {"QELICON", {{32, 8}, {16, 8}, {32, 4}, {16, 4}}},
  };
#pragma pack(push, 2)
  struct GroupEntry { BYTE Width, Height, Colours, Reserved; WORD Planes, Bits; DWORD Bytes; WORD Id; };
#pragma pack(pop)
  for (const Group& g : groups) {
    CAPTURE(g.Name);
    HRSRC found = FindResourceA(ProgramResources(), g.Name, reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
    REQUIRE(found != nullptr);
    auto* header = static_cast<const WORD*>(LockResource(LoadResource(ProgramResources(), found)));
    REQUIRE(header[2] == g.Images.size());
    auto* entries = reinterpret_cast<const GroupEntry*>(header + 3);
    for (size_t i = 0; i < g.Images.size(); ++i) {
      CAPTURE(i);
      CHECK(entries[i].Width == g.Images[i].Size);
      CHECK(entries[i].Height == g.Images[i].Size);
      CHECK(entries[i].Bits == g.Images[i].Bits);
    }
  }
  HRSRC manifest = FindResourceA(ProgramResources(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  REQUIRE(manifest != nullptr);
  std::string xml(static_cast<const char*>(LockResource(LoadResource(ProgramResources(), manifest))),
                  SizeofResource(ProgramResources(), manifest));
  CHECK(xml.find("name=\"Microsoft.Windows.Common-Controls\"") != std::string::npos);
  CHECK(xml.find("version=\"6.0.0.0\"") != std::string::npos);
  CHECK(xml.find("<description>Tazmor archiver.</description>") != std::string::npos);
}

TEST_CASE("the resource module is the language library while it is loaded") {
  HMODULE program = ProgramResources();
  REQUIRE(program != nullptr);
  ExtResource holder;

  SUBCASE("without a library everything comes from the executable") {
    holder.Load(program, BuildPath("fixtures\\none\\").c_str());
    CHECK_FALSE(holder.Loaded);
    CHECK(ResourceModule == program);
    CHECK(ExeModule == program);
    CHECK(std::string(LoadUiString(IDS_DISPLAY_NAME)) == "Tazmor archiver");
  }
  SUBCASE("the library's strings win and missing ones come from the executable") {
    holder.Load(program, BuildPath("fixtures\\strings\\").c_str());
    REQUIRE(holder.Loaded);
    CHECK(ResourceModule != program);
    CHECK(ExeModule == program);
    CHECK(std::string(LoadUiString(IDS_DISPLAY_NAME)) == "Fixture archiver");
    CHECK(std::string(LoadUiString(IDS_HELP_LINK)) == "Tazmor help");
  }
  SUBCASE("a given path that does not end with a separator names its folder's library") {
    holder.Load(program, BuildPath("fixtures\\strings\\anything.exe").c_str());
    CHECK(holder.Loaded);
  }
  SUBCASE("unload twice frees the library once and returns to the executable") {
    holder.Load(program, BuildPath("fixtures\\strings\\").c_str());
    REQUIRE(holder.Loaded);
    HMODULE library = ResourceModule;
    holder.Unload();
    CHECK_FALSE(holder.Loaded);
    CHECK(ResourceModule == program);
    CHECK(GetModuleHandleA(BuildPath("fixtures\\strings\\qellng.dll").c_str()) == nullptr);
    holder.Unload();
    CHECK(ResourceModule == program);
    (void)library;
  }
  holder.Unload();
}

TEST_CASE("eight rotating buffers: the ninth call reuses the first") {
  ExtResource holder;
  holder.Load(ProgramResources(), BuildPath("fixtures\\none\\").c_str());
  const char* first[kUiStringBuffers];
  for (int i = 0; i < kUiStringBuffers; ++i)
    first[i] = LoadUiString(IDS_DISPLAY_NAME + i);
  for (int i = 0; i < kUiStringBuffers; ++i) {
    for (int j = i + 1; j < kUiStringBuffers; ++j)
      CHECK(first[i] != first[j]);
  }
  CHECK(std::string(first[0]) == "Tazmor archiver");
  const char* ninth = LoadUiString(IDS_HOME_PAGE);
  CHECK(ninth == first[0]);
  CHECK(std::string(first[0]) == "https://www.tazmor.example/");
  CHECK(std::string(first[1]) == "Tazmor help");
}

TEST_CASE("the warning text stays within its buffer whatever the path's length") {
  ExtResource holder;
  holder.Load(ProgramResources(), BuildPath("fixtures\\none\\").c_str());
  char text[512];
  ComposeWarningText(text, sizeof text, "C:\\Tazmor\\uninstall.exe");
  CHECK(std::string(text) == "Uninstall completed\nYou should delete C:\\Tazmor\\uninstall.exe manually");

  std::string longPath = "C:\\" + std::string(1000, 'x') + "\\uninstall.exe";
  std::memset(text, 'Z', sizeof text);
  ComposeWarningText(text, sizeof text, longPath.c_str());
  CHECK(std::strlen(text) == sizeof text - 1);
  CHECK(std::string(text).rfind("Uninstall completed\nYou should delete C:\\xxx", 0) == 0);
}
