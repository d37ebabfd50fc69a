#pragma once

// DataAccessTable: a source table of the query being described.

#include "XString.h"

// A source table of the query being described.
class DataAccessTable
{
public:
    virtual ~DataAccessTable();
    // The name as written after FROM.
    virtual XString GetName() const = 0;
};
