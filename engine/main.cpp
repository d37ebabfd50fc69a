// varnholm-de: the bridge program.

#include <sqlite3.h>
#include <sys/prctl.h>

#include "BridgeBase.h"
#include "ProgramMain.h"

int main(int argc, char* argv[])
{
    // The arguments and the settings carry the data source's password: a crash must leave no
    // core file holding it (nor may another process of the user read this one's memory).
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    // The source driver and the attendance cache share one SQLite library, used from two
    // threads at once: no global count of its memory, which every allocation would lock.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return ProgramMain<BridgeBase>(argc, argv);
}
