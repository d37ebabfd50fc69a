#include "ExpEngine.h"

// Student transportation and the bus tables.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateStudentTransport() {}

void ExpEngine::CreateStudentBusIn() {}

void ExpEngine::CreateStudentBusOut() {}
