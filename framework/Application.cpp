#include "Application.h"

#include "ProgramIdentity.h"

Application::Application()
{
    SetProgramIdentity(*this);
    init();
}
