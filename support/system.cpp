// The helpers that ask the system: code page, case-insensitive comparison,
// Windows family, program start and the executable's own folder.
#include <windows.h>

#include "support/support.h"

LeadByteTable BuildLeadByteTable() {
  LeadByteTable table = {};
  CPINFO info = {};
  table.MultiByte = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
  for (int b = 0; b < 256; ++b)
    table.Lead[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != 0;
  return table;
}

int CompareNoCase(const char* a, const char* b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, a, -1, b, -1) - 2;
}

int NtMajorVersion() {
  static int platform = -1;
  static int major = 0;
  if (platform == -1) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    platform = static_cast<int>(info.dwPlatformId);
    major = static_cast<int>(info.dwMajorVersion);
  }
  return platform == VER_PLATFORM_WIN32_NT ? major : 0;
}

bool RunProgram(char* commandLine, const char* folder, unsigned long waitMs) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                      &process))
    return false;
  if (waitMs != 0)
    WaitForSingleObject(process.hProcess, waitMs);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool ExeSiblingPath(char* out, size_t size, const char* name) {
  char exe[kPathChars] = {};
  DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
  if (n == 0 || n >= sizeof exe) {
    if (size > 0)
      out[0] = '\0';
    return false;
  }
  *GetNamePart(exe) = '\0';
  if (!CopyText(out, size, exe) || !AppendText(out, size, name)) {
    out[0] = '\0';
    return false;
  }
  return true;
}
