// Uninstall driver: not written yet.
#include "uninstall/uninstall.h"

void RunUninstall() {}
void UnregisterAll() {}
