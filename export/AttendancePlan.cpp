#include "AttendancePlan.h"

namespace attplan {

Slot SlotOfTitle(const XString& title)
{
    XString t(title);
    t.MakeUpper();
    struct Entry
    {
        const char* title;
        Slot slot;
    };
    static const Entry entries[] = {
        {"ATTSTDREF", SlotStudent},
        {"ATTDATE", SlotDate},
        {"ATTPERREF", SlotPeriod},
        {"ATTSECREF", SlotPeriod},
        {"ATTTIMESLOT", SlotPeriod},
        {"ATTTIMEFRAMEREF", SlotTimeFrame},
        {"ATTATTCODEREF", SlotCode},
        {"ATTATTREASONREF", SlotReason},
        {"ATTSTARTPERREF", SlotRangeStartPeriod},
        {"ATTENDPERREF", SlotRangeEndPeriod},
        {"ATTSTARTTIMESLOT", SlotRangeStartSlot},
        {"ATTENDTIMESLOT", SlotRangeEndSlot},
        {"ATTEXCUSED", SlotExcused},
        {"ATTABS", SlotAbsent},
        {"ATTTARDY", SlotTardy},
        {"ATTTRUANT", SlotTruant},
        {"ATTDISCIPLINE", SlotDiscipline},
        {"ATTEXCABS", SlotNone},
        {"ATTUNEXCABS", SlotNone},
        {"ATTEXCTARDY", SlotNone},
        {"ATTUNEXCTARDY", SlotNone},
    };
    for (const Entry& entry : entries) {
        if (t == entry.title)
            return entry.slot;
    }
    return SlotUnsupported;
}

std::vector<Window> PlanWindows(XDate start, const XDate& firstDay, const XDate& lastDay, const XDate& today,
                                bool lastDayFlag, bool extraDay)
{
    if (start.IsEmpty() || (!firstDay.IsEmpty() && start < firstDay))
        start = firstDay;
    XDate limit = today;
    if (!lastDay.IsEmpty() && lastDay < limit)
        limit = lastDay;
    if (!firstDay.IsEmpty() && limit < firstDay)
        limit = firstDay;
    if (start.IsEmpty())
        start = limit;
    std::vector<Window> windows;
    for (;;) {
        XDate end = start.AddDays(6);
        if (end > limit) {
            end = lastDayFlag ? limit.AddDays(1) : limit;
            if (start <= end)
                windows.push_back({start, end});
            break;
        }
        windows.push_back({start, end});
        start = end;
    }
    if (extraDay) {
        for (Window& window : windows)
            window.last = window.last.AddDays(1);
    }
    return windows;
}

ColumnMap MapColumns(const std::vector<XString>& titles, size_t valueColumns)
{
    ColumnMap map;
    map.fills.reserve(valueColumns);
    map.titles.reserve(valueColumns);
    for (size_t k = 0; k < valueColumns; ++k) {
        Slot slot = SlotNone;
        XString title;
        if (k < titles.size()) {
            title = titles[k];
            slot = SlotOfTitle(title);
            if (slot == SlotUnsupported) {
                map.unsupported.push_back(title);
                slot = SlotNone;
            }
        }
        if (slot == SlotTimeFrame || slot == SlotPeriod)
            map.keyHeader = title;
        else if (slot == SlotRangeStartPeriod || slot == SlotRangeEndPeriod)
            map.rangeHeader = "AttPerRef";
        else if (slot == SlotRangeStartSlot || slot == SlotRangeEndSlot)
            map.rangeHeader = "AttTimeSlot";
        map.fills.push_back(slot);
        map.titles.push_back(title);
    }
    return map;
}

XString CacheUpsert(const XString& table, const char* keyColumn)
{
    XString sql;
    sql.Format(768,
               "INSERT INTO %s (newcode, reason, excused, absent, tardy, truant, discipline, stdkey, attdate, "
               "%s, header, recid, oldcode) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, NULL) "
               "ON CONFLICT (attdate, stdkey, %s, header) DO UPDATE SET newcode = excluded.newcode, "
               "reason = excluded.reason, excused = excluded.excused, absent = excluded.absent, "
               "tardy = excluded.tardy, truant = excluded.truant, discipline = excluded.discipline, "
               "recid = excluded.recid WHERE %s.recid IS NULL OR excluded.recid >= %s.recid",
               table.CStr(), keyColumn, keyColumn, table.CStr(), table.CStr());
    return sql;
}

}  // namespace attplan
