#pragma once

// What caching one attendance table reads and where its values go: the windows of days, and the
// cache column that each output title fills.

#include <vector>

#include "XDate.h"
#include "XString.h"

namespace attplan {

// What a column's value fills in a cache row.
enum Slot
{
    SlotNone,
    SlotStudent,
    SlotDate,
    SlotTimeFrame,
    SlotPeriod,
    SlotCode,
    SlotReason,
    SlotRangeStartPeriod,
    SlotRangeEndPeriod,
    SlotRangeStartSlot,
    SlotRangeEndSlot,
    SlotExcused,
    SlotAbsent,
    SlotTardy,
    SlotTruant,
    SlotDiscipline,
    SlotUnsupported
};

// The slot of an output title, compared in upper case.
Slot SlotOfTitle(const XString& title);

// One window of days, both ends read.
struct Window
{
    XDate first;
    XDate last;
};

// The windows of the school year from start (the year's first day when start is empty or
// earlier): seven days each, the next starting on the previous one's end day, until the end would
// pass the earlier of today and the year's last day (but not before its first day); that day ends
// the last window, one day later with lastDayFlag. extraDay moves every end one day later.
std::vector<Window> PlanWindows(XDate start, const XDate& firstDay, const XDate& lastDay, const XDate& today,
                                bool lastDayFlag, bool extraDay);

// Which cache column each value fills: the value of the k-th column that has a value operation
// belongs to the k-th title. Columns beyond the titles, and unsupported titles, store nothing.
struct ColumnMap
{
    std::vector<Slot> fills;  // the slot of each column with a value operation
    std::vector<XString> titles;
    std::vector<XString> unsupported;  // in column order, to be logged
    XString keyHeader;                 // the header of the rows: the last key column's title
    XString rangeHeader;               // the header of the rows of a range: "AttPerRef" or "AttTimeSlot"
};

ColumnMap MapColumns(const std::vector<XString>& titles, size_t valueColumns);

// The statement that stores a record in the cache table whose key column is keyColumn, its
// parameters in the order of CacheWriter::Row: a new row, or new values for the cached row of the
// same day, student, key and header. Of several records of one row the one with the highest id
// wins, whatever order they come in; of equal ids the later one.
XString CacheUpsert(const XString& table, const char* keyColumn);

}  // namespace attplan
