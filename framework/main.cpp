// The framework's own program: the plain task, no bridge parameters.

#include "Application.h"
#include "OptionParser.h"
#include "ProgramMain.h"

int main(int argc, char* argv[])
{
    // The process list shows the arguments to every local user: no password stays there.
    const QList<QByteArray> arguments = OptionParser::takeArguments(argc, argv);
    return ProgramMain<Application>(argc, argv, arguments);
}
