#pragma once

#include "SISConfig.h"

// The program's application object: its identity and the framework's switches.
class Application : public SISConfig
{
    Q_OBJECT

public:
    Application();
};
