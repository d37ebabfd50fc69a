// varnholm-de: the bridge program.

#include "BridgeBase.h"
#include "ProgramMain.h"

int main(int argc, char* argv[])
{
    return ProgramMain<BridgeBase>(argc, argv);
}
