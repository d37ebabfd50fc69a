// varnholm-de: the bridge program.

#include <sqlite3.h>

#include "BridgeBase.h"
#include "ProgramMain.h"

int main(int argc, char* argv[])
{
    // The source driver and the attendance cache share one SQLite library, used from two
    // threads at once: no global count of its memory, which every allocation would lock.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return ProgramMain<BridgeBase>(argc, argv);
}
