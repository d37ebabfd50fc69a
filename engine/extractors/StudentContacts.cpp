#include "ExpEngine.h"

// Student contacts and medical records.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateStudentDoctor() {}

void ExpEngine::CreateStudentEmergency1() {}

void ExpEngine::CreateStudentEmergency2() {}

void ExpEngine::CreateStudentMedConditions() {}

void ExpEngine::CreateStudentImmunizations() {}
