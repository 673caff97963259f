// Drives the real uninstall.exe from a test process under Wine: installs a
// copy into the prefix's drive C:, starts it, finds its windows, reads and
// clicks their controls and answers its message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

// Folder of the test executable: the build folder, where uninstall.exe, the
// stand-ins and the fixtures lie. Never run the program from there.
std::string BuildDir();

// Fresh installation folder (emptied first), e.g. "C:\\Tazmor Test\\setup".
// Copies uninstall.exe into it and returns the folder.
std::string MakeInstallFolder(const std::string& folder);
bool CopyFromBuild(const std::string& name, const std::string& destination);
bool WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);
// Deletes a folder with everything in it (no recycle bin).
void RemoveTree(const std::string& path);

// A started program. The handles are closed with the object.
class Process {
public:
  Process() = default;
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // CreateProcess of commandLine with the given current folder.
  bool Start(const std::string& commandLine, const std::string& folder = "");
  // Exit code, or -1 when the process is still running after timeoutMs.
  long Wait(DWORD timeoutMs = 30000);
  DWORD Id() const { return Info.dwProcessId; }
  void Kill();

  PROCESS_INFORMATION Info = {};
};

// Top-level window of process `pid` (0: any process) with the given caption
// and, when given, class; waits until it exists and is visible.
HWND WaitForWindow(const char* caption, DWORD pid = 0, DWORD timeoutMs = 15000,
                   const char* className = nullptr);
// Waits until `window` is gone.
bool WaitForClose(HWND window, DWORD timeoutMs = 15000);

std::string ControlText(HWND dialog, int id);
std::string WindowText(HWND window);
bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
// Clicks a button the way a user does (BM_CLICK, posted so that a modal
// dialog that the click opens cannot block the test).
void Click(HWND dialog, int id);

// Message boxes: the text (control 0xFFFF) and the answer by button id.
std::string MessageBoxText(HWND box);
void AnswerMessageBox(HWND box, int buttonId);

// Registry helpers working on the prefix's real registry.
void DeleteKeyTree(HKEY root, const std::string& path);
bool KeyExists(HKEY root, const std::string& path);
// Value as text (REG_SZ) or decimal (REG_DWORD); empty optional when missing.
bool ReadValue(HKEY root, const std::string& path, const std::string& name, std::string& out);
void WriteString(HKEY root, const std::string& path, const std::string& name,
                 const std::string& value);

// Stands in for the WinHelp viewer: a hidden window of the class that WinHelpA
// looks for, made by the test BEFORE the program asks for help. WinHelpA then
// sends it each request (WM_COPYDATA) and starts no viewer. Requests arrive
// only while the test pumps messages (Pump, WaitForRequests).
struct HelpRequest {
  UINT Command;
  DWORD Data;
  std::string File;
};

class HelpWatcher {
public:
  HelpWatcher();
  ~HelpWatcher();
  HelpWatcher(const HelpWatcher&) = delete;
  HelpWatcher& operator=(const HelpWatcher&) = delete;

  void Pump(DWORD ms);
  // Pumps until `count` requests have arrived or timeoutMs has passed.
  bool WaitForRequests(size_t count, DWORD timeoutMs = 15000);

  HWND Window = nullptr;
  std::vector<HelpRequest> Requests;
};

// Points the open commands of text files (".txt", "txtfile"), folders
// ("Folder", "Directory") and web addresses ("http", "https") in the prefix's
// registry at the recorder fixture, which appends "<class> <argument>" to
// `log` and ends: nothing of the host is started, nothing stays running.
class ShellRecorder {
public:
  explicit ShellRecorder(const std::string& log);  // empties the log first
  std::vector<std::string> Lines() const;
  // Waits until the log holds at least `count` lines.
  bool WaitForLines(size_t count, DWORD timeoutMs = 15000) const;

  std::string Log;
};

// Lines of a text file (CR LF or LF), without their line ends.
std::vector<std::string> ReadLines(const std::string& path);

}  // namespace driver
