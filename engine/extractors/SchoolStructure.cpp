#include "ExpEngine.h"

// Courses, days, rooms, bell schedules, tumbles and periods.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateCourses() {}

void ExpEngine::CreateDays() {}

void ExpEngine::CreateRooms() {}

void ExpEngine::CreateBellSchedules() {}

void ExpEngine::CreateTumbles() {}

void ExpEngine::CreatePeriods() {}
