// Stand-in for the archiver's main program: shows the archive it was started
// with and, when asked through TAZMOR_STANDIN_LOG, appends its command line
// to a file, so that a start through an association or a button can be seen.
#include <windows.h>

static constexpr char kClassName[] = "TazmorStandIn";
static constexpr char kLogVariable[] = "TAZMOR_STANDIN_LOG";
static constexpr int kTextChars = 1100;

// The command line after the program name, with leading blanks skipped.
static const char* CommandTail(const char* line) {
  while (*line == ' ' || *line == '\t')
    ++line;
  if (*line == '"') {
    ++line;
    while (*line != '\0' && *line != '"')
      ++line;
    if (*line == '"')
      ++line;
  } else {
    while (*line != '\0' && *line != ' ' && *line != '\t')
      ++line;
  }
  while (*line == ' ' || *line == '\t')
    ++line;
  return line;
}

// The first argument without its quotes, bounded by the buffer.
static void FirstArgument(const char* tail, char* out, int size) {
  char end = ' ';
  if (*tail == '"') {
    end = '"';
    ++tail;
  }
  int n = 0;
  while (tail[n] != '\0' && tail[n] != end && n < size - 1) {
    out[n] = tail[n];
    ++n;
  }
  out[n] = '\0';
}

static void AppendToLog(const char* line) {
  char path[MAX_PATH];
  DWORD n = GetEnvironmentVariableA(kLogVariable, path, sizeof path);
  if (n == 0 || n >= sizeof path)
    return;
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  SetFilePointer(file, 0, nullptr, FILE_END);
  DWORD written = 0;
  WriteFile(file, line, lstrlenA(line), &written, nullptr);
  WriteFile(file, "\r\n", 2, &written, nullptr);
  CloseHandle(file);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  const char* line = GetCommandLineA();
  AppendToLog(line);

  char archive[MAX_PATH * 2];
  FirstArgument(CommandTail(line), archive, sizeof archive);
  char caption[kTextChars] = "Tazmor";
  if (archive[0] != '\0')
    wsprintfA(caption, "Tazmor - %.1024s", archive);

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, kClassName, caption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 480, 120, nullptr, nullptr, instance, nullptr);
  if (window == nullptr)
    return 1;
  CreateWindowExA(0, "STATIC", archive[0] != '\0' ? archive : "(no archive)",
                  WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 450, 40, window, nullptr, instance,
                  nullptr);
  ShowWindow(window, show);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
