#pragma once

// SchoolYearWalk: the pick of the current school year.

#include "XDate.h"
#include "XString.h"

// Picks the current school year from year records fed in order of their first day.
// The year that began last on or before today wins; the walk stops at the record
// that also has not ended yet. When no record began, the last record is taken.
// The year ID always belongs to the same record as the two dates.
class SchoolYearWalk
{
public:
    explicit SchoolYearWalk(const XDate& today) : m_today(today) {}

    // Feeds one record; answers true when it is the current year (stop walking).
    bool Add(const XString& yearId, const XDate& firstDay, const XDate& lastDay);
    // Ends the walk; answers true when no record began on or before today and
    // the last record was taken instead.
    bool Finish();

    const XString& YearId() const { return m_yearId; }
    const XDate& Start() const { return m_start; }
    const XDate& End() const { return m_end; }
    int Records() const { return m_records; }

private:
    XDate m_today;
    XString m_yearId;
    XDate m_start;
    XDate m_end;
    bool m_began = false;
    int m_records = 0;
    XString m_lastId;
    XDate m_lastStart;
    XDate m_lastEnd;
};
