// varnholm-de: the bridge program.

#include <sqlite3.h>
#include <sys/prctl.h>

#include "BridgeBase.h"
#include "OptionParser.h"
#include "ProgramMain.h"

int main(int argc, char* argv[])
{
    // First of all: the process list shows the arguments to every local user, and they may hold
    // the data source's password.
    const QList<QByteArray> arguments = OptionParser::takeArguments(argc, argv);
    // The settings carry the data source's password too: a crash must leave no core file holding
    // it (nor may another process of the user read this one's memory).
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    // The source driver and the attendance cache share one SQLite library, used from two
    // threads at once: no global count of its memory, which every allocation would lock.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return ProgramMain<BridgeBase>(argc, argv, arguments);
}
