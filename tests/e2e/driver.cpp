#include "driver.h"

#include "common/files.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace driver {

static constexpr DWORD kPollMs = 50;

std::string BuildDir() { return ExeFolder(); }

void RemoveTree(const std::string& path) { ::RemoveTree(path); }

static void MakeFolders(const std::string& folder) {
  for (size_t i = 3; i <= folder.size(); ++i) {
    if (i == folder.size() || folder[i] == '\\')
      CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
  }
}

bool CopyFromBuild(const std::string& name, const std::string& destination) {
  return CopyFileA((BuildDir() + "\\" + name).c_str(), destination.c_str(), FALSE) != 0;
}

std::string MakeInstallFolder(const std::string& folder) {
  RemoveTree(folder);
  MakeFolders(folder);
  CopyFromBuild("uninstall.exe", folder + "\\uninstall.exe");
  return folder;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr)
    return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

std::string ReadTextFile(const std::string& path) {
  std::string text;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr)
    return text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    text.append(buffer, n);
  std::fclose(f);
  return text;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Process::~Process() {
  if (Info.hThread != nullptr)
    CloseHandle(Info.hThread);
  if (Info.hProcess != nullptr)
    CloseHandle(Info.hProcess);
}

bool Process::Start(const std::string& commandLine, const std::string& folder) {
  // The program and whatever it starts (a folder window, the archiver) get
  // NUL as their standard handles: none of them may hold ctest's output pipe,
  // or ctest would wait for them after the test has ended.
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (nul != INVALID_HANDLE_VALUE) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
  }
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, nul != INVALID_HANDLE_VALUE,
                                0, nullptr, folder.empty() ? nullptr : folder.c_str(), &startup,
                                &Info) != 0;
  if (nul != INVALID_HANDLE_VALUE)
    CloseHandle(nul);
  return started;
}

long Process::Wait(DWORD timeoutMs) {
  if (Info.hProcess == nullptr)
    return -1;
  if (WaitForSingleObject(Info.hProcess, timeoutMs) != WAIT_OBJECT_0)
    return -1;
  DWORD code = 0;
  GetExitCodeProcess(Info.hProcess, &code);
  return static_cast<long>(code);
}

void Process::Kill() {
  if (Info.hProcess != nullptr && Wait(0) == -1) {
    TerminateProcess(Info.hProcess, 99);
    WaitForSingleObject(Info.hProcess, 5000);
  }
}

struct FindRequest {
  const char* Caption;
  const char* ClassName;
  DWORD Pid;
  HWND Found;
};

static BOOL CALLBACK FindWindowProc(HWND window, LPARAM param) {
  auto* request = reinterpret_cast<FindRequest*>(param);
  if (request->Pid != 0) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != request->Pid)
      return TRUE;
  }
  if (!IsWindowVisible(window))
    return TRUE;
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  if (lstrcmpA(text, request->Caption) != 0)
    return TRUE;
  if (request->ClassName != nullptr) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, request->ClassName) != 0)
      return TRUE;
  }
  request->Found = window;
  return FALSE;
}

HWND WaitForWindow(const char* caption, DWORD pid, DWORD timeoutMs, const char* className) {
  DWORD start = GetTickCount();
  for (;;) {
    FindRequest request = {caption, className, pid, nullptr};
    EnumWindows(FindWindowProc, reinterpret_cast<LPARAM>(&request));
    if (request.Found != nullptr)
      return request.Found;
    if (GetTickCount() - start > timeoutMs)
      return nullptr;
    Sleep(kPollMs);
  }
}

bool WaitForClose(HWND window, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (IsWindow(window)) {
    if (GetTickCount() - start > timeoutMs)
      return false;
    Sleep(kPollMs);
  }
  return true;
}

std::string WindowText(HWND window) {
  // WM_GETTEXT reaches controls of other processes, RICHEDIT included.
  LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::vector<char> text(static_cast<size_t>(length) + 1);
  SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  return std::string(text.data());
}

std::string ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

bool IsChecked(HWND dialog, int id) {
  return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::string MessageBoxText(HWND box) { return ControlText(box, 0xFFFF); }

void AnswerMessageBox(HWND box, int buttonId) { Click(box, buttonId); }

void DeleteKeyTree(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return;
  char name[512];
  for (;;) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    DeleteKeyTree(key, name);
  }
  RegCloseKey(key);
  RegDeleteKeyA(root, path.c_str());
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

bool ReadValue(HKEY root, const std::string& path, const std::string& name, std::string& out) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  BYTE data[4096] = {};
  DWORD size = sizeof data - 1, type = 0;
  LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS)
    return false;
  if (type == REG_DWORD) {
    DWORD value = 0;
    memcpy(&value, data, sizeof value);
    out = std::to_string(value);
  } else {
    out = reinterpret_cast<char*>(data);
  }
  return true;
}

void WriteString(HKEY root, const std::string& path, const std::string& name,
                 const std::string& value) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

// --- WinHelp stand-in ---------------------------------------------------------

static constexpr char kHelpClass[] = "MS_WINHELP";
static constexpr ULONG_PTR kHelpCopyData = 0xA1DE505;

// The block that WinHelpA sends: a header, then the file name.
struct HelpBlock {
  WORD Size;
  WORD Command;
  LONG Data;
  LONG Reserved;
  WORD FileOffset;
  WORD DataOffset;
};

static LRESULT CALLBACK HelpWatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    auto* watcher = reinterpret_cast<HelpWatcher*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (watcher != nullptr && copy->dwData == kHelpCopyData && copy->cbData >= sizeof(HelpBlock)) {
      const auto* block = static_cast<const HelpBlock*>(copy->lpData);
      HelpRequest request{block->Command, static_cast<DWORD>(block->Data), ""};
      if (block->FileOffset != 0 && block->FileOffset < copy->cbData) {
        const char* file = static_cast<const char*>(copy->lpData) + block->FileOffset;
        request.File.assign(file, strnlen(file, copy->cbData - block->FileOffset));
      }
      watcher->Requests.push_back(request);
    }
    return TRUE;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HelpWatcher::HelpWatcher() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = HelpWatcherProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kHelpClass;
  RegisterClassA(&windowClass);
  Window = CreateWindowExA(0, kHelpClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
  SetWindowLongPtrA(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

HelpWatcher::~HelpWatcher() {
  if (Window != nullptr)
    DestroyWindow(Window);
}

void HelpWatcher::Pump(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  } while (GetTickCount() - start < ms);
}

bool HelpWatcher::WaitForRequests(size_t count, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (Requests.size() < count) {
    if (GetTickCount() - start > timeoutMs)
      return false;
    Pump(kPollMs);
  }
  return true;
}

// --- Recorder behind the shell's open commands -------------------------------

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string text = ReadTextFile(path);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

ShellRecorder::ShellRecorder(const std::string& log) : Log(log) {
  DeleteFileA(Log.c_str());
  std::string recorder = BuildDir() + "\\fixtures\\recorder.exe";
  WriteString(HKEY_CLASSES_ROOT, ".txt", "", "txtfile");
  for (const char* name : {"txtfile", "Folder", "Directory", "http", "https"}) {
    std::string open = std::string(name) + "\\shell\\open";
    DeleteKeyTree(HKEY_CLASSES_ROOT, open);
    WriteString(HKEY_CLASSES_ROOT, open + "\\command", "",
                "\"" + recorder + "\" \"" + Log + "\" " + name + " \"%1\"");
  }
}

std::vector<std::string> ShellRecorder::Lines() const { return ReadLines(Log); }

bool ShellRecorder::WaitForLines(size_t count, DWORD timeoutMs) const {
  DWORD start = GetTickCount();
  while (Lines().size() < count) {
    if (GetTickCount() - start > timeoutMs)
      return false;
    Sleep(kPollMs);
  }
  return true;
}

}  // namespace driver
