#include "ExpEngine.h"

// Attendance codes and the attendance of the update pass.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateAttCodes() {}

void ExpEngine::CreateDailyAttendance(XDate, XDate) {}

void ExpEngine::CreatePeriodAttendance(XDate, XDate) {}
