#include "ExpEngine.h"

// Medical log types and medical history.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::BuildMedicalCodeLUT() {}

void ExpEngine::CreateStudentMedicalHistory() {}

void ExpEngine::CreateStaffMedicalHistory() {}
