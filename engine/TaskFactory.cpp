#include "TaskFactory.h"

#include "ExpEngine.h"

AppTaskBase* createExtractionTask()
{
    return new ExpEngine;
}
