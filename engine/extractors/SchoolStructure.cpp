#include "ExtractKit.h"

// Courses, days, rooms, bell schedules, tumbles and periods.

namespace {

// Start and end times order a schedule's items when the source has them.
void OrderByTimes(TableExtract& t, ODBCField* start, ODBCField* end)
{
    if (start)
        t.OrderBy(start);
    if (end)
        t.OrderBy(end);
}

}  // namespace

void ExpEngine::CreateCourses()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Courses", "Courses.pef");
    ODBCTable* crs = t.Source("Courses", "crs");
    if (t.Missing("Courses: Required Table does not exist."))
        return;
    ODBCField* number = t.Add(crs, Col("Course_Number").Out("CrsKey").Req().Into(&H::courseKey));
    t.Add(crs, Col("Course_Name").Out("CrsName"));
    t.Add(crs, Col("SchoolID").Req().Into(&H::schoolId));
    // Every school's courses: a section of this school may use another school's course.
    t.OrderBy(number);
    t.Write(&ExpEngine::IsUsedCourse);
}

void ExpEngine::CreateDays()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Days", "Days.pef");
    ODBCTable* day = t.Source("Cycle_Day", "day");
    if (t.Missing("Days: Required Table does not exist."))
        return;
    t.Add(day, Col("Letter").Out("DayKey").Req().Into(&H::dayKey));
    t.Add(day, Col("Letter").Out("DayCode").Req());
    t.Add(day, Col("Abbr").Out("DayName"));
    t.WhereSchool(t.Add(day, Col("SchoolID").Req().Into(&H::schoolId)));
    t.Distinct();
    t.Write(&ExpEngine::IsUsedDay);
}

void ExpEngine::CreateRooms()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Rooms", "Rooms.pef");
    ODBCTable* room = t.Source("Room", "room");
    if (t.Missing("Rooms: Required Table does not exist."))
        return;
    ODBCField* number = t.Add(room, Col("Room_Number").Out("RoomKey").Req());
    t.Add(room, Col("Room_Number").Out("RoomName"));
    t.Add(room, Col("Name").Out("RoomDesc"));
    t.WhereSchool(t.Add(room, Col("SchoolID").Req().Into(&H::schoolId)));
    t.OrderBy(number);
    t.Write();
}

void ExpEngine::CreateBellSchedules()
{
    using H = ColumnHandles;
    // Numbering starts again at 1 even when the first schedule is the one the tumbles ended with.
    m_groupCounter = 0;
    TableExtract t(*this, "Bell Schedules", "BellSchedule.pef");
    ODBCTable* bell = t.Source("Bell_Schedule", "bell");
    ODBCTable* item = t.Source("Bell_Schedule_Items", "bellItem");
    if (t.Missing("Bell Schedule: Required Table does not exist."))
        return;
    ODBCField* bellId = t.Add(bell, Col("ID").Req());
    ODBCField* itemBell = t.Add(item, Col("Bell_Schedule_ID").Out("BellKey").Req().Into(&H::bellKey));
    t.Add(bell, Col("Name").Out("BellName"));
    t.Add(bell, Col("Name").Out("BellTimeOrder", &ExpEngine::GroupSequenceNumber));
    ODBCField* start = t.Add(item, Col("Start_Time").Out("BellTimeStart", &ExpEngine::TimeOfDayText));
    ODBCField* end = t.Add(item, Col("End_Time").Out("BellTimeEnd", &ExpEngine::TimeOfDayText));
    t.WhereSchool(t.Add(bell, Col("SchoolID").Req().Into(&H::schoolId)));
    t.WhereYear(t.Add(bell, Col("Year_ID").Req().Into(&H::yearId)));
    t.Join(itemBell, bellId);
    t.OrderBy(bellId);
    OrderByTimes(t, start, end);
    t.Write();
}

void ExpEngine::CreateTumbles()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Tumbles", "Tumbles.pef");
    ODBCTable* bell = t.Source("Bell_Schedule", "bell");
    ODBCTable* item = t.Source("Bell_Schedule_Items", "bellItem");
    ODBCTable* per = t.Source("Period", "per");
    if (t.Missing("Tumbles: Required Table does not exist."))
        return;
    ODBCField* periodYear = t.Add(per, Col("Year_ID").Req());
    ODBCField* bellId = t.Add(bell, Col("ID").Out("TumKey").Req());
    t.Add(bell, Col("Name").Out("TumName"));
    t.Add(per, Col("Period_Number").Out("TumPerRef").Req());
    t.Add(bell, Col("Name").Out("TumPerOrder", &ExpEngine::GroupSequenceNumber));
    ODBCField* start = t.Add(item, Col("Start_Time").Out("xBellTimeStart", &ExpEngine::TimeOfDayText));
    ODBCField* end = t.Add(item, Col("End_Time").Out("xBellTimeEnd", &ExpEngine::TimeOfDayText));
    ODBCField* itemBell = t.Add(item, Col("Bell_Schedule_ID").Req().Into(&H::bellKey));
    ODBCField* itemPeriod = t.Add(item, Col("Period_ID").Req());
    ODBCField* school = t.Add(bell, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* bellYear = t.Add(bell, Col("Year_ID").Req().Into(&H::yearId));
    ODBCField* periodId = t.Add(per, Col("ID").Req());
    // Periods are not restricted by school: they are reached through the school's schedules.
    t.WhereSchool(school);
    t.WhereYear(bellYear);
    t.WhereYear(periodYear);
    t.Join(itemBell, bellId);
    t.Join(periodId, itemPeriod);
    t.OrderBy(bellId);
    OrderByTimes(t, start, end);
    t.Write();
    m_tumblePeriodCount = GetRecordCount();
}

void ExpEngine::CreatePeriods()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Periods", "Periods.pef");
    ODBCTable* per = t.Source("Period", "per");
    if (t.Missing("Periods: Required Table does not exist."))
        return;
    t.Add(per, Col("Period_Number").Out("PerKey").Req());
    t.Add(per, Col("Abbreviation").Out("PerName"));
    t.Add(per, Col("Sort_Order").Out("PerOrder"));
    t.WhereSchool(t.Add(per, Col("SchoolID").Req().Into(&H::schoolId)));
    t.WhereYear(t.Add(per, Col("Year_ID").Req().Into(&H::yearId)));
    t.Write();
    m_periodCount = GetRecordCount();
}
