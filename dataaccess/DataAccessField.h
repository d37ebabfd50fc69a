#pragma once

// DataAccessField: a column of the query being described.

#include "XString.h"

// A column of the query being described; the handle through which the current record is read.
class DataAccessField
{
public:
    virtual ~DataAccessField();
    // The column name in its source table.
    virtual XString GetName() const = 0;
};
