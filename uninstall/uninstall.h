// Uninstall: undo every integration, delete what "Uninstall.lst" names, and
// hand over to a batch script that removes the executable and its folder.
#pragma once

void RunUninstall();
void UnregisterAll();
// Returns only when the script cannot be written or started; otherwise ends
// the process.
void WriteSelfRemovalScript(const char* exePath);
