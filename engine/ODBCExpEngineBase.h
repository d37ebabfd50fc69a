#pragma once

// ODBCExpEngineBase: the database layer as the engine uses it.

#include "ODBCDataAccess.h"

#include <QString>

// The database layer as the engine uses it: existence checks on, and the
// writer's date format as a Qt date pattern.
class ODBCExpEngineBase : public ODBCDataAccess
{
public:
    ODBCExpEngineBase();
    ~ODBCExpEngineBase() override;

    // The date format with "m" -> "M", "Y" -> "y", "D" -> "d" (case-sensitive, in that order).
    QString GetQtDateFormat() const;
};
