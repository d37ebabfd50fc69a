#include "ExpEngine.h"

// Staff demographics and staff custom fields.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateStaff() {}

void ExpEngine::CreateStaffCustom() {}
