#include "ExpEngine.h"

// Student, contact and conduct custom fields.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateStudentCustom() {}

void ExpEngine::WriteContactCustomHeader() {}

void ExpEngine::CreateConductCustom() {}
