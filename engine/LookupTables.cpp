#include "ExpEngine.h"

// Lookup tables filled from the source before the full pass.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::BuildFieldLUT() {}

void ExpEngine::BuildIncludedStaffLUT() {}

void ExpEngine::BuildValuesLUT() {}

void ExpEngine::BuildGeneralCodeLUT() {}
