#pragma once

// The task of the in-process framework tests.

#include "AppTaskBase.h"

// Task of the in-process tests: records what it was given and answers as told.
class TestTask : public AppTaskBase
{
public:
    bool Execute(ParamMap params, int mode, QString& result) override;

    static bool succeed;
    static bool throwUnknown;
    static int lastMode;
    static ParamMap lastParams;
    static void resetRecord();
};
