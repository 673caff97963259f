// Native test runner, and the two program-wide objects that the platform-free
// sources refer to (in the program they live with the other globals).
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest.h>

#include "support/support.h"

ErrorTracker Errors;
LeadByteTable SystemLeadBytes = {};
