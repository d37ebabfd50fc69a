#include "TaskFactory.h"

// The framework library asks the program for its task; these tests build their own.
AppTaskBase* createExtractionTask()
{
    return nullptr;
}
