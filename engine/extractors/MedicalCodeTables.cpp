#include "ExpEngine.h"

// Built-in medical code tables.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateMedicalConditionTypes() {}

void ExpEngine::CreateMedicalHistoryTypes() {}
