// The task base: the operations a task overrides, with their defaults.

#include "AppTaskBase.h"

#include "Constants.h"
#include "Keywords.h"

AppTaskBase::AppTaskBase(QObject* parent) : QObject(parent) {}

AppTaskBase::~AppTaskBase() = default;

int AppTaskBase::GetProgressSize(int)
{
    return 0;
}

bool AppTaskBase::Execute(ParamMap, int, QString& result)
{
    result = QString::fromLatin1(txt::ExecuteNotDefined);
    return false;
}

bool AppTaskBase::LoadList(ParamMap, const QString&)
{
    emit writeLog(3, QString::fromLatin1(txt::NotSetUpYet), QStringLiteral("AppTaskBase::LoadList"));
    return false;
}

AppTaskBase* AppTaskBase::create()
{
    return new AppTaskBase;
}

bool AppTaskBase::BeginExecute(ParamMap params, int mode, QString& result)
{
    return Execute(params, mode, result);
}

void AppTaskBase::progressEnd()
{
    emit writeProgress(kw::TagEndProgress, -1);
}
