#pragma once

// SchoolConfig: the run configuration record.

#include "XDate.h"
#include "XString.h"

// The run configuration recorded in "SchoolConfig.xml".
class SchoolConfig
{
public:
    // Reads the file; false when it is missing, unreadable or malformed (the record is then empty).
    bool Read(const XString& path);
    // Writes the file (through a temporary file that replaces it); throws XException on failure.
    void Write(const XString& path) const;
    // Same run identity (bridge alias, school, district, year) and data source; the version is not compared.
    bool SameRun(const SchoolConfig& other) const;

    XString bridgeAlias;
    XString district;
    XString school;
    XString year;
    XString dataSource;
    XString version;
    XDate updateDate;
    // Kept as read; written back only when it was read.
    XString overlapInDays;
    bool hasOverlapInDays = false;
};
