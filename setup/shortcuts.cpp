// Shortcuts and program groups: not written yet.
#include "setup/setup.h"

void UpdateShortcuts(const SetupOptions& options, char* programGroupPath) {}
bool CreateShortcut(const char* target, const char* shortcutPath, const char* description) {
  return false;
}
bool DeleteFolderTree(char* path) { return false; }
