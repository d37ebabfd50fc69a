#pragma once

// An engine with settable run fields, a recorder of its reports, and login parameters.

#include "ExpEngine.h"
#include "TaskLog.h"

// An engine whose run fields a test may set directly.
class TestEngine : public ExpEngine
{
public:
    void SetSchool(const char* school) { m_schoolNumber = school; }
    void SetLogin(const char* dsn)
    {
        SetDataSource(dsn);
        SetUserName("u");
        SetPassword("p");
    }
};

using Reports = vhtest::TaskLog;

inline ParamMap LoginParams(const char* dsn, const char* school = "10")
{
    ParamMap params;
    params.insert("dsn", QLatin1String(dsn));
    params.insert("user", "u");
    params.insert("pwd", "s3cret-pw");
    if (school)
        params.insert("school", QLatin1String(school));
    return params;
}
