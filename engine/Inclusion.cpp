#include "ExpEngine.h"

// Student inclusion.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::BuildStudentInclusion() {}
