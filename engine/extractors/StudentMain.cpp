#include "ExpEngine.h"

// The student main record.
// Not extracted yet: these members write nothing and report nothing.

void ExpEngine::CreateStudentMain()
{
    m_busTextMissing = true;
}
