// Text of the removal script and of the interpreter's command line.
// Platform-free: every piece is bounded by the caller's buffer.
#include "uninstall/uninstall.h"

#include <cstring>

// Five attempts give the interpreter time to outlast a file that is still
// held briefly after the process ended.
static constexpr int kDeleteAttempts = 5;

bool DoublePercent(char* out, size_t size, const char* text) {
  if (size == 0)
    return false;
  size_t used = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    size_t need = *p == '%' ? 2 : 1;
    if (used + need >= size) {
      out[used] = '\0';
      return false;
    }
    out[used++] = *p;
    if (*p == '%')
      out[used++] = '%';
  }
  out[used] = '\0';
  return true;
}

// Appends the pieces in order, up to the null one.
static bool AppendAll(char* out, size_t size, const char* const* pieces) {
  for (const char* const* p = pieces; *p != nullptr; ++p) {
    if (!AppendText(out, size, *p))
      return false;
  }
  return true;
}

bool ComposeRemovalScript(char* out, size_t size, bool ntFamily, const char* exePath,
                          const char* folder, const char* scriptPath) {
  if (size == 0)
    return false;
  out[0] = '\0';
  char exe[kPathChars * 2];
  char dir[kPathChars * 2];
  char self[kPathChars * 2];
  if (!DoublePercent(exe, sizeof exe, exePath) || !DoublePercent(dir, sizeof dir, folder) ||
      !DoublePercent(self, sizeof self, scriptPath))
    return false;

  // The running process must be gone before the first deletion: a second
  // instance that only pauses holds the interpreter long enough. Windows 9x
  // interpreters return at once from a GUI program unless told to wait.
  const char* const start[] = {ntFamily ? "\"" : "start /wait \"", exe, "\" /wait\r\n", nullptr};
  if (!AppendAll(out, size, start))
    return false;
  // "rd" removes only an empty folder, so the folder goes in the attempt
  // that deletes the executable, when nothing else is left in it.
  const char* const attempt[] = {"del \"", exe, "\"\r\nrd \"", dir, "\"\r\nif not exist \"", exe,
                                 "\" goto done\r\n", nullptr};
  for (int i = 0; i < kDeleteAttempts; ++i) {
    if (!AppendAll(out, size, attempt))
      return false;
  }
  const char* const finish[] = {":done\r\nif exist \"", exe, "\" \"", exe, "\" /warning\r\ndel \"",
                                self, "\"", nullptr};
  return AppendAll(out, size, finish);
}

bool ComposeInterpreterCommand(char* out, size_t size, const char* interpreter,
                               const char* scriptPath) {
  if (size == 0)
    return false;
  out[0] = '\0';
  const char* const pieces[] = {interpreter, " /c \"", scriptPath, "\"", nullptr};
  if (AppendAll(out, size, pieces))
    return true;
  out[0] = '\0';
  return false;
}
