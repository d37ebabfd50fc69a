#include "Application.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication qtApp(argc, argv);
    Application app;
    return app.processCommandLine();
}
