#include "ExpEngine.h"

// Grades and grade scores.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateStudentGrades() {}

void ExpEngine::CreateGradeScores() {}
