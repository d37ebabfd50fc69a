#ifdef VARNHOLM_FRAME_ONLY
#include "Application.h"
using ProgramApplication = Application;
#else
#include "BridgeBase.h"
using ProgramApplication = BridgeBase;
#endif

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication qtApp(argc, argv);
    ProgramApplication app;
    return app.processCommandLine();
}
