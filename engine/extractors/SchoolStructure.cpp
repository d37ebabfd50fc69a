#include "ExtractKit.h"

// Courses, days, rooms, bell schedules, tumbles and periods.

void ExpEngine::CreateCourses() {}

void ExpEngine::CreateDays() {}

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

void ExpEngine::CreateBellSchedules() {}

void ExpEngine::CreateTumbles() {}

void ExpEngine::CreatePeriods() {}
