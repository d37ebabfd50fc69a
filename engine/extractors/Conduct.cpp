#include "ExpEngine.h"

// Conduct incidents and outcomes.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateConductIncidents() {}

void ExpEngine::CreateConductOutcomes() {}
