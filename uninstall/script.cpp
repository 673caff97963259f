// The removal script: written into the temporary folder, started in the
// background, and left to delete the executable and its folder once this
// process has ended.
#include <windows.h>

#include <cstring>

#include "uninstall/uninstall.h"

static constexpr char kScriptName[] = "Uninstall_Qel.Bat";
static constexpr char kInterpreterVariable[] = "COMSPEC";

// Composed whole before the file exists, so that a text that does not fit
// leaves nothing behind. Any paths that fit the program's path buffers fit.
static char ScriptText[kScriptChars];

// Whatever stands at the fixed name goes first, and the file is then made
// anew and exclusively: a link placed there beforehand is never written
// through.
static bool WriteScriptFile(const char* path, const char* text) {
  DeleteFileA(path);
  RemoveDirectoryA(path);
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD length = static_cast<DWORD>(std::strlen(text));
  DWORD written = 0;
  bool ok = WriteFile(file, text, length, &written, nullptr) && written == length;
  ok = CloseHandle(file) && ok;
  if (!ok)
    DeleteFileA(path);
  return ok;
}

void WriteSelfRemovalScript(const char* exePath) {
  char scriptPath[kPathChars];
  DWORD n = GetTempPathA(sizeof scriptPath, scriptPath);
  if (n == 0 || n >= sizeof scriptPath || !AppendText(scriptPath, sizeof scriptPath, kScriptName))
    return;
  char folder[kPathChars];
  n = GetCurrentDirectoryA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder)
    return;
  const bool ntFamily = NtMajorVersion() != 0;
  if (!ComposeRemovalScript(ScriptText, sizeof ScriptText, ntFamily, exePath, folder, scriptPath))
    return;

  char interpreter[kPathChars] = {};
  n = GetEnvironmentVariableA(kInterpreterVariable, interpreter, sizeof interpreter);
  if (n >= sizeof interpreter)
    return;
  if (n == 0)
    interpreter[0] = '\0';
  char commandLine[kCommandLineChars];
  if (!ComposeInterpreterCommand(commandLine, sizeof commandLine, interpreter, scriptPath))
    return;

  if (!WriteScriptFile(scriptPath, ScriptText))
    return;

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  HANDLE nul = INVALID_HANDLE_VALUE;
  if (ntFamily) {
    // The interpreter gets a console of its own; it stays out of sight.
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  } else {
    // Detached, the interpreter of Windows 9x opens no window; its standard
    // handles all go to NUL, and must be inheritable to reach it.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
  }
  // The interpreter must not hold the installation folder as its current
  // folder, or the folder could not be removed.
  SetCurrentDirectoryA("..");
  PROCESS_INFORMATION process = {};
  bool started = CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE,
                                ntFamily ? 0 : DETACHED_PROCESS, nullptr, nullptr, &startup,
                                &process) != 0;
  if (nul != INVALID_HANDLE_VALUE)
    CloseHandle(nul);
  if (!started)
    return;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // The script waits for this process to be gone; nothing may keep it.
  ExitProcess(0);
}
