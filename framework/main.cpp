// The framework's own program: the plain task, no bridge parameters.

#include "Application.h"
#include "ProgramMain.h"

int main(int argc, char* argv[])
{
    return ProgramMain<Application>(argc, argv);
}
