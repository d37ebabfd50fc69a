#pragma once

// Application: the framework's own application object, with a plain task.

#include "SISConfig.h"

// The program's application object: its identity and the framework's switches.
class Application : public SISConfig
{
    Q_OBJECT

public:
    Application();
};
