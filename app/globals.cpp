// The program-wide objects. Their order of construction matters and is fixed
// here, in one place: the error tracker first (the others may raise through
// it), then the resource module holder, then the language catalogue (which
// looks at the resource module), and the code page's lead-byte table.
#include "app/app.h"
#include "lang/lang.h"

ErrorTracker Errors;
ExtResource LanguageLibrary;
LanguageResources Language;
LeadByteTable SystemLeadBytes = BuildLeadByteTable();

bool SilentMode = false;
HICON DialogIcon = nullptr;
HFONT BoldFont = nullptr;
char ProgramGroupPath[kPathChars] = {};
HMODULE ResourceModule = nullptr;
HMODULE ExeModule = nullptr;
