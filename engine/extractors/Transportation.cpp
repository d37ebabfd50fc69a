#include "ExtractKit.h"
#include "XTime.h"

// Student transportation notes and the bus-in and bus-out tables.

namespace {

XString OneLine(XString text)
{
    text.Replace('\r', ' ');
    text.Replace('\n', ' ');
    return text;
}

// The date lies on the op side of today, or the record has no such date (empty or NULL).
void WhereTodayOrNoDate(TableExtract& t, ODBCField* date, const char* op, const XString& today)
{
    if (!date)
        return;
    t.Where(date, today, op, 1);
    // Where the empty text is NULL, comparing a date with it tests nothing.
    if (!t.EmptyTextIsNull())
        t.Condition("OR ", date, "''", "=", 1);
    t.Condition("OR", date, "NULL", "IS", 0);
}

// Records that have started by today and not ended before it.
void WhereRunningToday(TableExtract& t, ODBCField* start, ODBCField* end)
{
    const XString today = t.engine().SQLDate(XDate::Today());
    WhereTodayOrNoDate(t, start, "<=", today);
    WhereTodayOrNoDate(t, end, ">=", today);
}

void AddPart(XString& note, const XString& part)
{
    if (part.IsEmpty())
        return;
    if (!note.IsEmpty())
        note += "; ";
    note += part;
}

void WriteBusTable(ExpEngine& engine, const char* title, const char* fileName, const char* direction,
                   const char* busTitle)
{
    using H = ExpEngine::ColumnHandles;
    TableExtract t(engine, title, fileName);
    ODBCTable* trans = t.Source("Transportation", "trans");
    if (t.Missing("Bus InOut: Required Table does not exist."))
        return;
    t.Add(trans, Col("StudentID").Out("StdKey").Req().Into(&H::studentKey));
    t.Constant(Col("See Notes for more Bus Info")
                   .Out("StdBusNotes")
                   .Custom("BusNotes", "Bus Notes", "#customschoolfield", "NOFORMAT"));
    t.Add(trans, Col("BusNumber").Out(busTitle, &ExpEngine::BusRouteLine).Into(&H::busNumber));
    ODBCField* end = t.Add(trans, Col("EndDate").Into(&H::endDate));
    ODBCField* fromTo = t.Add(trans, Col("FromTo").Req().Into(&H::fromTo));
    t.Add(trans, Col("RouteNumber").Into(&H::route));
    ODBCField* start = t.Add(trans, Col("StartDate").Into(&H::startDate));
    t.Add(trans, Col("SchoolID").Req().Into(&H::schoolId));
    engine.AddSchoolRestriction(engine.GetAltSchoolNumbers());
    t.Where(fromTo, direction);
    WhereRunningToday(t, start, end);
    t.Write(&ExpEngine::IsIncludedStudent);
}

}  // namespace

void ExpEngine::CreateStudentTransport()
{
    using H = ColumnHandles;
    // The notes of a run are numbered from 1; the discipline notes go on from there.
    m_recordCounter = 0;
    TableExtract t(*this, "Student Transportation", "StudentTransport.pef");
    ODBCTable* trans = t.Source("Transportation", "trans");
    if (t.Missing("Transport: Required Table does not exist."))
        return;
    t.Add(trans, Col("StudentID").Out("NoteStdRef").Req().Into(&H::studentKey));
    t.Computed("NoteKey", &ExpEngine::NextBusNoteKey);
    t.Constant("NoteSeverity", "NORMAL");
    t.Add(trans, Col("Address").Into(&H::address));
    t.Add(trans, Col("ArrivalTime").Out("NoteTime", &DataAccessBase::FormatTime).Into(&H::arrivalTime));
    t.Add(trans, Col("BusNumber").Out("NoteTitle", &ExpEngine::BusNoteTitleLine).Into(&H::busNumber));
    t.Add(trans, Col("ContactNumber").Into(&H::contact));
    t.Add(trans, Col("DepartureTime").Into(&H::departureTime));
    t.Add(trans, Col("Description").Out("NoteContent", &ExpEngine::BuildTransportNote).Into(&H::description));
    t.Add(trans, Col("Distance").Into(&H::distance));
    t.Add(trans, Col("DistanceIndicator").Into(&H::distanceIndicator));
    t.Add(trans, Col("DriverName").Into(&H::driver));
    ODBCField* end = t.Add(trans, Col("EndDate").Into(&H::endDate));
    t.Add(trans, Col("FromTo").Into(&H::fromTo));
    t.Add(trans, Col("LinkingCode").Into(&H::linkingCode));
    t.Add(trans, Col("RouteNumber").Into(&H::route));
    t.Add(trans, Col("SpecialInstructions").Into(&H::instructions));
    ODBCField* start =
        t.Add(trans, Col("StartDate").Out("NoteDate", &ExpEngine::FormatDate).Into(&H::startDate));
    t.Add(trans, Col("StopNumber").Into(&H::stop));
    t.Add(trans, Col("Type").Into(&H::transportType));
    static const char* const kDays[7] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                         "Friday", "Saturday", "Sunday"};
    for (int day = 0; day < 7; ++day)
        m_handles.weekdays[day] = t.Add(trans, Col(kDays[day]));
    t.Add(trans, Col("SchoolID").Req().Into(&H::schoolId));
    AddSchoolRestriction(m_altSchoolNumbers);
    WhereRunningToday(t, start, end);
    t.Write(&ExpEngine::IsIncludedStudent);
}

void ExpEngine::CreateStudentBusIn()
{
    WriteBusTable(*this, "Student Bus In", "StudentBusIn.pef", "'To'", "StdBusIn");
}

void ExpEngine::CreateStudentBusOut()
{
    WriteBusTable(*this, "Student Bus Out", "StudentBusOut.pef", "'From'", "StdBusOut");
}

XString ExpEngine::BuildTransportNote()
{
    const ColumnHandles& h = m_handles;
    XString note;
    auto text = [&](const char* label, ODBCField* field) {
        const XString value = GetTrimmedString(field);
        if (!value.IsEmpty())
            AddPart(note, label + value);
    };
    auto time = [&](const char* label, ODBCField* field) {
        const XTime value = GetTime(field);
        if (!value.IsEmpty())
            AddPart(note, label + value.Format(GetTimeFormat()));
    };
    text("Route: ", h.route);
    text("Bus #: ", h.busNumber);
    AddPart(note, BusDaysText());
    AddPart(note, JoinBusFields());
    time("Arrives ", h.arrivalTime);
    text("Stop: ", h.stop);
    text("Address: ", h.address);
    time("Departs ", h.departureTime);
    text("Contact: ", h.contact);
    text("Driver: ", h.driver);
    text("Type: ", h.transportType);
    text("LinkingCode: ", h.linkingCode);
    text("Description: ", h.description);
    text("Special Instructions: ", h.instructions);
    return OneLine(note);
}

XString ExpEngine::BusNoteTitleLine()
{
    return OneLine(BusNoteTitle());
}

XString ExpEngine::BusRouteLine()
{
    return OneLine(BusRouteText());
}
