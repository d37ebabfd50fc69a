#include "AppTaskBase.h"
#include "TaskFactory.h"

AppTaskBase* createExtractionTask()
{
    return new AppTaskBase;
}
