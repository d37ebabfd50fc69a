#include "ExpEngine.h"

// Discipline, legal and other alerts.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateDisciplineAlert() {}

void ExpEngine::CreateLegalAlert() {}

void ExpEngine::CreateOtherAlert() {}
