// The program's start: the switches that the removal script relies on.
#include <doctest.h>

#include "driver.h"

using namespace driver;

TEST_CASE("/wait pauses about two seconds and uninstalls nothing") {
  std::string folder = MakeInstallFolder("C:\\TazmorTest\\wait");
  WriteTextFile(folder + "\\Uninstall.lst", "keep.txt\r\n");
  WriteTextFile(folder + "\\keep.txt", "x");
  Process p;
  DWORD start = GetTickCount();
  REQUIRE(p.Start("\"" + folder + "\\uninstall.exe\" /wait", folder));
  CHECK(p.Wait(20000) == 0);
  DWORD elapsed = GetTickCount() - start;
  CHECK(elapsed >= 1900);
  CHECK(elapsed < 10000);
  CHECK(FileExists(folder + "\\keep.txt"));
  CHECK(FileExists(folder + "\\uninstall.exe"));
  RemoveTree(folder);
}

TEST_CASE("/warning tells the user to delete the executable by hand") {
  std::string folder = MakeInstallFolder("C:\\TazmorTest\\warning");
  Process p;
  REQUIRE(p.Start("\"" + folder + "\\uninstall.exe\" /warning", folder));
  HWND box = WaitForWindow("Uninstall Tazmor", p.Id(), 15000, "#32770");
  REQUIRE(box != nullptr);
  CHECK(MessageBoxText(box) ==
        "Uninstall completed\nYou should delete " + folder + "\\uninstall.exe manually");
  AnswerMessageBox(box, IDOK);
  CHECK(p.Wait(10000) == 0);
  RemoveTree(folder);
}
