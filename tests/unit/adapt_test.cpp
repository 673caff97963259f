// Dialog adaptation in-process, on dialogs built in memory: scaling of the
// window, plain controls and combo boxes of each kind, translation of texts,
// the 512-children limit, and the right-to-left style.
#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "lang/catalogue_text.h"
#include "lang/lang.h"

namespace {

constexpr char kName[] = "TESTDLG";
constexpr WORD kButton = 0x0080;
constexpr WORD kStatic = 0x0082;
constexpr WORD kComboBox = 0x0085;

// A catalogue made from text in memory, as the loader would hold it.
struct MemoryCatalogue {
  explicit MemoryCatalogue(const std::string& lines) {
    std::string text = std::string(kCatalogueMarker) + "*\r\n" + lines;
    REQUIRE(Catalogue.Allocate());
    REQUIRE(text.size() < static_cast<size_t>(kCatalogueChars));
    std::memcpy(Catalogue.Text, text.data(), text.size());
    Catalogue.Prepare(static_cast<int>(text.size()));
  }
  LanguageResources Catalogue;
};

std::string Key(const char* text) {
  char key[kKeyChars];
  REQUIRE(MakeKey(key, kDialogText, kName, text));
  return key;
}

// An in-memory dialog template with DS_SETFONT, in dialog units.
class Template {
public:
  Template(const char* caption, short cx, short cy) {
    Dword(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    Dword(0);
    CountAt = Words.size();
    Words.push_back(0);
    for (short v : {short(10), short(10), cx, cy})
      Words.push_back(static_cast<WORD>(v));
    Words.push_back(0);  // no menu
    Words.push_back(0);  // standard class
    Text(caption);
    Words.push_back(8);
    Text("MS Sans Serif");
  }
  void Control(WORD atom, DWORD style, const char* text, WORD id, short x, short y, short cx,
               short cy) {
    if (Words.size() % 2 != 0)
      Words.push_back(0);
    Dword(WS_CHILD | WS_VISIBLE | style);
    Dword(0);
    for (short v : {x, y, cx, cy})
      Words.push_back(static_cast<WORD>(v));
    Words.push_back(id);
    Words.push_back(0xFFFF);
    Words.push_back(atom);
    Text(text);
    Words.push_back(0);
    ++Words[CountAt];
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(Words.data()); }

private:
  void Dword(DWORD v) {
    Words.push_back(LOWORD(v));
    Words.push_back(HIWORD(v));
  }
  void Text(const char* s) {
    for (; *s != '\0'; ++s)
      Words.push_back(static_cast<unsigned char>(*s));
    Words.push_back(0);
  }
  std::vector<WORD> Words;
  size_t CountAt = 0;
};

// The catalogue to adapt with, or none for an unadapted reference dialog.
const LanguageResources* Adapting = nullptr;
int ExtraChildren = 0;

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG)
    return FALSE;
  for (int i = 0; i < ExtraChildren; ++i)
    CreateWindowExA(0, "STATIC", "item", WS_CHILD, 0, 0, 10, 10, dialog, nullptr, nullptr,
                    nullptr);
  if (Adapting != nullptr)
    Adapting->AdaptDialog(kName, dialog);
  return TRUE;
}

HWND Make(const Template& t, const LanguageResources* catalogue) {
  Adapting = catalogue;
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr,
                                           TestDialogProc, 0);
  Adapting = nullptr;
  return dialog;
}

std::vector<HWND> Children(HWND dialog) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    children.push_back(c);
  return children;
}

std::string Text(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

Template ComboDialog() {
  Template t("Combo test", 200, 120);
  t.Control(kStatic, SS_LEFT, "Name", 100, 5, 5, 60, 8);
  t.Control(kComboBox, CBS_SIMPLE, "", 101, 5, 16, 60, 50);
  t.Control(kComboBox, CBS_DROPDOWN, "", 102, 70, 16, 60, 80);
  t.Control(kComboBox, CBS_DROPDOWNLIST, "", 103, 135, 16, 60, 70);
  t.Control(kButton, BS_PUSHBUTTON, "OK", IDOK, 70, 100, 50, 14);
  return t;
}

}  // namespace

TEST_CASE("a scale entry resizes the dialog and moves and sizes each child by its percentages") {
  LoadLibraryA("riched32.dll");
  Template t = ComboDialog();
  struct Case {
    const char* Entry;
    int Sx, Sy;
  };
  const Case cases[] = {{"150*120", 150, 120}, {"80*100", 80, 100}, {"100*75*5", 100, 75}};
  for (const Case& c : cases) {
    CAPTURE(c.Entry);
    MemoryCatalogue catalogue(Key("") + "=\"" + c.Entry + "\"\r\n");
    HWND plain = Make(t, nullptr);
    HWND scaled = Make(t, &catalogue.Catalogue);
    REQUIRE(plain != nullptr);
    REQUIRE(scaled != nullptr);

    RECT w;
    RECT cl;
    GetWindowRect(plain, &w);
    GetClientRect(plain, &cl);
    int bx = (w.right - w.left + 1) - cl.right;
    int by = (w.bottom - w.top + 1) - cl.bottom;
    RECT sw;
    GetWindowRect(scaled, &sw);
    CHECK(sw.right - sw.left == cl.right * c.Sx / 100 + bx);
    CHECK(sw.bottom - sw.top == cl.bottom * c.Sy / 100 + by);
    by -= GetSystemMetrics(SM_CYDLGFRAME);

    std::vector<HWND> before = Children(plain);
    std::vector<HWND> after = Children(scaled);
    REQUIRE(before.size() == 5);
    REQUIRE(after.size() == 5);
    for (size_t i = 0; i < before.size(); ++i) {
      int id = GetDlgCtrlID(before[i]);
      CAPTURE(id);
      RECT r;
      GetWindowRect(before[i], &r);
      int x = (r.left - w.left - bx / 2) * c.Sx / 100;
      int y = (r.top - w.top - by) * c.Sy / 100;
      int width = (r.right - r.left + 1) * c.Sx / 100;
      int height = (r.bottom - r.top + 1) * c.Sy / 100;
      bool dropDown = id == 102 || id == 103;
      RECT dropped = {};
      if (dropDown) {
        SendMessageA(before[i], CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        height += (dropped.bottom - dropped.top + 1) * c.Sy / 100;
      }
      RECT placed;
      GetWindowRect(after[i], &placed);
      MapWindowPoints(nullptr, scaled, reinterpret_cast<POINT*>(&placed), 2);
      CHECK(placed.left == x);
      CHECK(placed.top == y);
      CHECK(placed.right - placed.left == width);
      if (dropDown) {
        // A drop-down combo box shows its field only; the height it is given
        // covers field and list, and it reports the list part (the given
        // height less the field's) as its dropped rectangle. Without the
        // list's share the list would shrink to nothing.
        RECT now = {};
        SendMessageA(after[i], CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&now));
        CHECK(now.bottom - now.top == height - (r.bottom - r.top));
      } else {
        CHECK(placed.bottom - placed.top == height);
      }
    }
    DestroyWindow(plain);
    DestroyWindow(scaled);
  }
}

TEST_CASE("without a scale entry, or with 100*100, nothing moves") {
  Template t = ComboDialog();
  for (const char* lines : {"", "9b889d24=\"150*150\"\r\n", "SCALE100"}) {
    std::string text = std::strcmp(lines, "SCALE100") == 0 ? Key("") + "=\"100*100\"\r\n" : lines;
    CAPTURE(text);
    MemoryCatalogue catalogue(text);
    HWND plain = Make(t, nullptr);
    HWND adapted = Make(t, &catalogue.Catalogue);
    RECT a;
    RECT b;
    GetWindowRect(plain, &a);
    GetWindowRect(adapted, &b);
    CHECK(a.right - a.left == b.right - b.left);
    CHECK(a.bottom - a.top == b.bottom - b.top);
    std::vector<HWND> before = Children(plain);
    std::vector<HWND> after = Children(adapted);
    for (size_t i = 0; i < before.size(); ++i) {
      GetWindowRect(before[i], &a);
      GetWindowRect(after[i], &b);
      CHECK(a.right - a.left == b.right - b.left);
      CHECK(a.bottom - a.top == b.bottom - b.top);
    }
    DestroyWindow(plain);
    DestroyWindow(adapted);
  }
}

TEST_CASE("texts are translated in the dialog's context, empty ones left alone, up to 512 children") {
  Template t("Caption", 100, 60);
  t.Control(kStatic, SS_LEFT, "", 100, 5, 5, 60, 8);
  t.Control(kButton, BS_PUSHBUTTON, "OK", IDOK, 5, 20, 50, 14);
  char otherKey[kKeyChars];
  REQUIRE(MakeKey(otherKey, kDialogText, "OTHERDLG", "OK"));
  MemoryCatalogue catalogue(Key("Caption") + "=\"Titre\"\r\n" + Key("OK") + "=\"Valider\"\r\n" +
                            otherKey + "=\"Wrong dialog\"\r\n" + Key("") + "=\"Empty\"\r\n" +
                            Key("item") + "=\"entry\"\r\n");
  // The children made at initialisation come after the template's two.
  ExtraChildren = 515;
  HWND dialog = Make(t, &catalogue.Catalogue);
  ExtraChildren = 0;
  REQUIRE(dialog != nullptr);
  CHECK(Text(dialog) == "Titre");
  std::vector<HWND> children = Children(dialog);
  REQUIRE(children.size() == 517);
  CHECK(Text(children[0]) == "");
  CHECK(Text(children[1]) == "Valider");
  for (size_t i = 2; i < children.size(); ++i) {
    CAPTURE(i);
    CHECK(Text(children[i]) == (i < 512 ? "entry" : "item"));
  }
  DestroyWindow(dialog);
}

TEST_CASE("the right-to-left flag adds WS_EX_LAYOUTRTL and nothing else") {
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, nullptr, nullptr);
  REQUIRE(window != nullptr);
  LanguageResources catalogue;
  catalogue.SetRtlStyle(window);
  CHECK(GetWindowLongA(window, GWL_EXSTYLE) == WS_EX_TOOLWINDOW);
  catalogue.RightToLeft = true;
  catalogue.SetRtlStyle(window);
  CHECK(GetWindowLongA(window, GWL_EXSTYLE) == (WS_EX_TOOLWINDOW | WS_EX_LAYOUTRTL));
  DestroyWindow(window);
}
