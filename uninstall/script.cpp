// Self-removal script: not written yet.
#include "uninstall/uninstall.h"

void WriteSelfRemovalScript(const char* exePath) {}
