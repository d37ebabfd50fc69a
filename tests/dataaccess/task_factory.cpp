#include "ODBCDataAccess.h"
#include "TaskFactory.h"

// The framework asks the program for its task; these tests have no engine.
AppTaskBase* createExtractionTask()
{
    return new ODBCDataAccess(3, DbSybaseOdbc);
}
