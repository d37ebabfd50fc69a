#include "ExpEngine.h"

// Student demographics, physical address and lunch balance.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateStudentDemo()
{
    m_busTextMissing = true;
}

void ExpEngine::CreateStudentAddress() {}

void ExpEngine::CreateLunchBalance()
{
    m_busTextMissing = true;
}
