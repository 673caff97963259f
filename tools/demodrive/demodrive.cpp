// demodrive: the demo's hands when nobody sits at the screen.
//
//   demodrive open FILE LOG [SECONDS]
//       Opens FILE through the shell, as a double click does, waits until
//       the archiver's stand-in has written its command line into LOG (it
//       does when TAZMOR_STANDIN_LOG names LOG), prints it and closes the
//       stand-in's window. Exit code 1 when nothing arrived.
//   demodrive answer COMMANDLINE BUTTON [SECONDS]
//       Starts COMMANDLINE, waits for its message box, prints the box's
//       caption and text, clicks BUTTON (6 = Yes, 7 = No) and waits for the
//       program to end. Exit code 1 when no box came or the program stayed.
//
// It reuses the window driver of the end-to-end tests.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "e2e/driver.h"

namespace {

constexpr DWORD kPollMs = 100;
constexpr char kStandInClass[] = "TazmorStandIn";
constexpr char kMessageBoxClass[] = "#32770";

struct BoxSearch {
  DWORD Pid;
  HWND Found;
};

// Any visible message box of the process: its caption depends on the
// language pack, its buttons do not.
BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  if (pid == search->Pid && IsWindowVisible(window) && std::strcmp(name, kMessageBoxClass) == 0) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForBox(DWORD pid, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    BoxSearch search = {pid, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.Found != nullptr)
      return search.Found;
    if (GetTickCount() - start > timeoutMs)
      return nullptr;
    Sleep(kPollMs);
  }
}

DWORD Milliseconds(int argc, char** argv, int index, DWORD fallbackSeconds) {
  DWORD seconds = argc > index ? std::strtoul(argv[index], nullptr, 10) : fallbackSeconds;
  return seconds * 1000;
}

int Open(const char* file, const char* log, DWORD timeoutMs) {
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", file, nullptr, nullptr, SW_SHOWNORMAL));
  std::printf("shell open of %s: %s (code %d)\n", file, result > 32 ? "started" : "failed",
              static_cast<int>(result));
  if (result <= 32)
    return 1;
  DWORD start = GetTickCount();
  while (driver::ReadLines(log).empty() && GetTickCount() - start < timeoutMs)
    Sleep(kPollMs);
  auto lines = driver::ReadLines(log);
  for (const std::string& line : lines)
    std::printf("archiver received: %s\n", line.c_str());
  // The stand-in stays open like the real archiver; close it as a user
  // would, so that the uninstaller can delete it.
  // It writes the log before it makes its window: wait for the window too.
  HWND window = nullptr;
  start = GetTickCount();
  while (!lines.empty() && (window = FindWindowA(kStandInClass, nullptr)) == nullptr &&
         GetTickCount() - start < timeoutMs)
    Sleep(kPollMs);
  if (window != nullptr) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    driver::WaitForClose(window, timeoutMs);
  }
  return lines.empty() ? 1 : 0;
}

int Answer(const char* commandLine, int button, DWORD timeoutMs) {
  driver::Process process;
  if (!process.Start(commandLine)) {
    std::printf("cannot start %s\n", commandLine);
    return 1;
  }
  HWND box = WaitForBox(process.Id(), timeoutMs);
  if (box == nullptr) {
    std::printf("no question came from %s\n", commandLine);
    process.Kill();
    return 1;
  }
  std::printf("question \"%s\": %s\n", driver::WindowText(box).c_str(),
              driver::MessageBoxText(box).c_str());
  driver::AnswerMessageBox(box, button);
  std::printf("answered with button %d\n", button);
  long code = process.Wait(timeoutMs);
  std::printf("program ended with exit code %ld\n", code);
  return code == -1 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  int result = 2;
  if (argc >= 4 && std::strcmp(argv[1], "open") == 0)
    result = Open(argv[2], argv[3], Milliseconds(argc, argv, 4, 60));
  else if (argc >= 4 && std::strcmp(argv[1], "answer") == 0)
    result = Answer(argv[2], std::atoi(argv[3]), Milliseconds(argc, argv, 4, 60));
  else
    std::fprintf(stderr, "usage: demodrive open FILE LOG [SECONDS]\n"
                         "       demodrive answer COMMANDLINE BUTTON [SECONDS]\n");
  std::fflush(stdout);
  return result;
}
