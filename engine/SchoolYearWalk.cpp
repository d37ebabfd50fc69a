// The pick of the current school year from the year records.

#include "SchoolYearWalk.h"

bool SchoolYearWalk::Add(const XString& yearId, const XDate& firstDay, const XDate& lastDay)
{
    ++m_records;
    m_lastId = yearId;
    m_lastStart = firstDay;
    m_lastEnd = lastDay;
    // A record without a first day never counts as begun.
    if (firstDay.IsEmpty() || !(m_today >= firstDay))
        return false;
    m_began = true;
    m_yearId = yearId;
    m_start = firstDay;
    m_end = lastDay;
    return m_today <= lastDay;
}

bool SchoolYearWalk::Finish()
{
    if (m_began)
        return false;
    if (m_records > 0) {
        m_yearId = m_lastId;
        m_start = m_lastStart;
        m_end = m_lastEnd;
    }
    return true;
}
