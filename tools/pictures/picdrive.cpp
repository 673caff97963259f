// picdrive: the small hand that scripts/pictures.sh uses to bring each dialog
// of uninstall.exe on screen before it takes the picture.
//
//   picdrive wait TEXT [SECONDS]  wait for a visible top-level window whose
//                                 caption contains TEXT ("*" = any dialog);
//                                 prints its rectangle as "X Y W H"
//   picdrive click TEXT ID        press button ID of that window (BM_CLICK)
//   picdrive close TEXT           send the window WM_CLOSE
//
// Exit code 0 on success, 1 when no such window appeared in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Search {
  const char* Text;
  HWND Found;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(window))
    return TRUE;
  char caption[512] = {};
  GetWindowTextA(window, caption, sizeof caption);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  bool match = std::strcmp(search->Text, "*") == 0
                   ? std::strcmp(className, "#32770") == 0
                   : std::strstr(caption, search->Text) != nullptr;
  if (!match)
    return TRUE;
  search->Found = window;
  return FALSE;
}

HWND WaitFor(const char* text, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    Search search = {text, nullptr};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.Found != nullptr)
      return search.Found;
    Sleep(100);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: picdrive wait|click|close TEXT [ID|SECONDS]\n");
    return 2;
  }
  const char* command = argv[1];
  int seconds = std::strcmp(command, "wait") == 0 && argc > 3 ? std::atoi(argv[3]) : 60;
  HWND window = WaitFor(argv[2], seconds);
  if (window == nullptr) {
    std::fprintf(stderr, "picdrive: no window \"%s\"\n", argv[2]);
    return 1;
  }
  if (std::strcmp(command, "wait") == 0) {
    // Let the dialog finish painting before the picture is taken.
    Sleep(700);
    RECT r;
    GetWindowRect(window, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
    return 0;
  }
  if (std::strcmp(command, "click") == 0 && argc > 3) {
    HWND button = GetDlgItem(window, std::atoi(argv[3]));
    if (button == nullptr)
      return 1;
    PostMessageA(button, BM_CLICK, 0, 0);
    return 0;
  }
  if (std::strcmp(command, "close") == 0) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
  }
  return 2;
}
