#include "ExpEngine.h"

// Calendar, terms, the term year and bins.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateCalendar() {}

void ExpEngine::CreateTerms() {}

void ExpEngine::CreateTermYear() {}

void ExpEngine::CreateBins() {}
