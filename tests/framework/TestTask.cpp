// The task of the in-process framework tests.

#include "TestTask.h"

#include <stdexcept>

bool TestTask::succeed = false;
bool TestTask::throwUnknown = false;
int TestTask::lastMode = -1;
ParamMap TestTask::lastParams;

void TestTask::resetRecord()
{
    succeed = false;
    throwUnknown = false;
    lastMode = -1;
    lastParams.clear();
}

bool TestTask::Execute(ParamMap params, int mode, QString& result)
{
    lastMode = mode;
    lastParams = params;
    if (throwUnknown)
        throw 42;
    emit writeLog(7, QStringLiteral("Task ran with ") + params.value("pwd"), "TestTask::Execute");
    result = succeed ? "Execute completed successfully." : "Task failed.";
    return succeed;
}
