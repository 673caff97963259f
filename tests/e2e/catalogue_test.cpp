// "uninstall.lng" beside the real program translates the texts it shows.
#include <doctest.h>

#include "driver.h"
#include "lang/catalogue_text.h"

using namespace driver;

namespace {

std::string Key(const char* text) {
  char key[kKeyChars];
  REQUIRE(MakeKey(key, kStringText, nullptr, text));
  return key;
}

}  // namespace

TEST_CASE("a catalogue beside the program translates its message") {
  std::string folder = MakeInstallFolder("C:\\TazmorTest\\catalogue");
  REQUIRE(WriteTextFile(folder + "\\uninstall.lng",
      "Tazmor, Deutsch\r\n***messages***\r\n" +
      Key("Uninstall Tazmor") + "=\"Tazmor entfernen\"\r\n" +
      Key("Uninstall completed") + "=\"Entfernen beendet\"\r\n" +
      Key("You should delete %s manually") + "=\"Bitte \\\"%s\\\" selbst l\xf6schen\"\r\n"));
  Process p;
  REQUIRE(p.Start("\"" + folder + "\\uninstall.exe\" /warning", folder));
  HWND box = WaitForWindow("Tazmor entfernen", p.Id(), 15000, "#32770");
  REQUIRE(box != nullptr);
  CHECK(MessageBoxText(box) ==
        "Entfernen beendet\nBitte \"" + folder + "\\uninstall.exe\" selbst l\xf6schen");
  AnswerMessageBox(box, IDOK);
  CHECK(p.Wait(10000) == 0);
  RemoveTree(folder);
}
