// The framework's own application object.

#include "Application.h"

#include "AppTaskBase.h"
#include "ProgramIdentity.h"

Application::Application() : SISConfig([]() { return new AppTaskBase; })
{
    SetProgramIdentity(*this);
    init();
}
