#include "ExpEngine.h"

// Sections, section schedules and student schedules.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateSections() {}

void ExpEngine::CreateSectionSchedules() {}

void ExpEngine::CreateStudentSchedules() {}
