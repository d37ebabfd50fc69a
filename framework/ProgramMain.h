#pragma once

// The body of a program's main: the Qt application object, then the program's own application
// object, which runs the command of the arguments that main took (OptionParser::takeArguments)
// before it built anything.

#include "SISMessageWriter.h"

#include <QByteArray>
#include <QList>

#include <QCoreApplication>

#include <csignal>

template <class ProgramApplication> int ProgramMain(int argc, char* argv[], const QList<QByteArray>& arguments)
{
    // A host that stops reading, or a file-size limit, makes a write fail instead of ending the
    // process, so that the command can still report its failure and write its status files.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    SISMessageWriter::holdStandardStreams();
    QCoreApplication qtApp(argc, argv);
    ProgramApplication app;
    return app.processCommandLine(arguments);
}
