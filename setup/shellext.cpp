// Shell extension and application path: not written yet.
#include "setup/setup.h"

void RegisterAppPath() {}
void RegisterShellExtension(const SetupOptions& options) {}
