#pragma once

// SISExpHeader: the header block of one output table.

#include <vector>

#include "XString.h"

// The header block of one output table: title, data file, safe-include flag and column titles.
class SISExpHeader
{
public:
    SISExpHeader() {}
    SISExpHeader(const XString& headerTitle, const XString& dataFile, bool safe)
        : title(headerTitle), fileName(dataFile), safeInclude(safe)
    {
    }

    void AddTitle(const XString& columnTitle) { titles.push_back(columnTitle); }
    void ClearTitles() { titles.clear(); }
    bool HasTitles() const { return !titles.empty(); }
    // The column titles joined by TAB.
    XString JoinedTitles() const;

    XString title;
    XString fileName;
    bool safeInclude = false;
    std::vector<XString> titles;
};
