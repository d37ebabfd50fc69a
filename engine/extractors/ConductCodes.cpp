#include "ExpEngine.h"

// Conduct code tables.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateConductIncidentTypes() {}

void ExpEngine::CreateConductOutcomeTypes() {}

void ExpEngine::CreateConductIncidentSubTypes() {}

void ExpEngine::CreateConductOutcomeSubTypes() {}

void ExpEngine::CreateConductConsequenceTypes() {}
