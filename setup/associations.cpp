// File associations and file-type classes: not written yet.
#include "setup/setup.h"

void UpdateAssociations(const SetupOptions& options) {}
void RegisterFileClasses() {}
