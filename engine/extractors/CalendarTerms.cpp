#include "ExtractKit.h"
#include "StringHelpers.h"

#include <QDate>

#include <algorithm>

// Calendar, terms, the term year and bins.

namespace {

const char* const kFindParentTerm = "FindParentTerm";

}  // namespace

void ExpEngine::CreateCalendar()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Calendar", "Calendar.pef");
    ODBCTable* calDay = t.Source("Calendar_Day", "calDay");
    ODBCTable* term = t.Source("Terms", "term");
    ODBCTable* days = t.Source("Cycle_Day", "days");
    if (t.Missing("Calendar: Required Table does not exist."))
        return;
    t.Constant("CalKey", "");
    t.Constant("CalName", "Calendar");
    ODBCField* date = t.Add(calDay, Col("Date_Value").Out("CalDate", &ExpEngine::FormatDate).Req());
    ODBCField* cycleDay = t.Add(calDay, Col("Cycle_Day_ID").Req());
    ODBCField* letter = t.Add(days, Col("Letter").Out("CalDateDayRef"));
    ODBCField* bell = t.Add(calDay, Col("Bell_Schedule_ID").Out("CalDateBellRef").Req());
    t.Add(calDay, Col("Bell_Schedule_ID").Out("CalDateTumRef"));
    ODBCField* inSession = t.Add(calDay, Col("InSession").Out("CalDateAttValue"));
    ODBCField* note = t.Add(calDay, Col("Note").Out("CalDateDesc", &DataAccessBase::FormatNoLineBreaks));
    ODBCField* firstDay = t.Add(term, Col("FirstDay").Req());
    ODBCField* lastDay = t.Add(term, Col("LastDay").Req());
    ODBCField* isYear = t.Add(term, Col("IsYearRec").Req());
    ODBCField* year = t.Add(term, Col("YearID").Req());
    ODBCField* school = t.Add(calDay, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* dayId = t.Add(days, Col("ID").Req());
    // Read only to name a day whose date cannot be read.
    m_handles.calendarDayKey = t.Add(calDay, Col("ID"));
    t.WhereSchool(school);
    t.Join(cycleDay, dayId);
    t.Where(cycleDay, "0", "<>");
    t.Where(bell, "0", "<>");
    t.Where(isYear, "1");
    t.WhereYear(year);
    // Any school's year record of the year: a day in two of them comes twice (see the filter).
    t.Join(date, lastDay, "<=");
    t.Join(date, firstDay, ">=");
    t.Distinct();
    t.OrderBy(date);
    ODBCField* const written[5] = {date, letter, bell, inSession, note};
    std::copy(std::begin(written), std::end(written), m_handles.calendarDay);
    m_calendarDate = XString();
    m_calendarLines.clear();
    t.Write(&ExpEngine::IsFirstCalendarLine);
    m_calendarLines.clear();
}

bool ExpEngine::IsFirstCalendarLine()
{
    ODBCField* const* fields = m_handles.calendarDay;
    if (!fields[0])
        return true;
    // A day without a date that can be read has no line: CalDate is its key. Its rows come
    // together (the order is by date), so it is named once.
    if (GetDate(fields[0]).IsEmpty()) {
        const XString key = GetTrimmedString(m_handles.calendarDayKey);
        if (m_calendarDate != "?" + key) {
            m_calendarDate = "?" + key;
            m_calendarLines.clear();
            LogMessage(4, "Calendar: " + (key.IsEmpty() ? XString("a day") : "the day " + key) +
                              " of Calendar_Day (school " + GetTrimmedString(m_handles.schoolId) +
                              ") has a Date_Value that cannot be read; the day is left out.");
        }
        return false;
    }
    const XString date = GetString(fields[0]);
    if (date != m_calendarDate) {
        m_calendarDate = date;
        m_calendarLines.clear();
    }
    // The written values, each behind its length.
    XString line;
    for (int i = 1; i < 5; ++i) {
        const XString value = fields[i] ? GetString(fields[i]) : XString();
        line += XString(static_cast<unsigned long>(value.Length()));
        line += ':';
        line += value;
    }
    if (std::find(m_calendarLines.begin(), m_calendarLines.end(), line) != m_calendarLines.end())
        return false;
    m_calendarLines.push_back(line);
    return true;
}

void ExpEngine::CreateTerms()
{
    using H = ColumnHandles;
    FileExtract f(*this, "Terms", "Terms.pef");
    ODBCTable* term = f.Source("Terms", "term");
    if (f.Missing("Terms: Required Table does not exist."))
        return;
    ODBCField* id = f.Add(term, Col("ID").Req());
    ODBCField* name = f.Add(term, Col("Abbreviation"));
    ODBCField* firstDay = f.Add(term, Col("FirstDay").Req());
    ODBCField* lastDay = f.Add(term, Col("LastDay").Req());
    ODBCField* year = f.Add(term, Col("YearID").Req().Into(&H::yearId));
    ODBCField* school = f.Add(term, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* isYear = f.Add(term, Col("IsYearRec").Req());
    f.WhereYear(year);
    f.WhereSchool(school);
    // Year records are not terms here: they are the parent of last resort.
    f.Where(isYear, "1", "<>");
    f.OrderBy(id);
    f.Distinct();
    for (const char* title : {"TermKey", "TermName", "TermStartDate", "TermEndDate", "TermParentTermRef"})
        AddHeaderField(title);

    // A date as "YYYY-MM-DD", or the column's text when it is no date.
    auto isoText = [this](ODBCField* field) {
        const XString iso = GetDate(field).ToISO();
        return toQString(iso.IsEmpty() ? GetTrimmedString(field) : iso);
    };
    // A date in the writer's format, or the column's text when it is no date.
    auto dateText = [this](ODBCField* field) {
        const XString text = GetDate(field).Format(GetDateFormat());
        return text.IsEmpty() ? GetTrimmedString(field) : text;
    };

    // The date ranges of the terms that have both dates.
    TermDateMap terms;
    f.ForEachRecord([&] {
        const QString start = isoText(firstDay);
        const QString end = isoText(lastDay);
        if (!start.isEmpty() && !end.isEmpty())
            terms.insert(toQString(GetTrimmedString(id)), qMakePair(start, end));
    });

    QString pattern = GetQtDateFormat();
    for (bool more = MoveFirst(); more; more = MoveNext()) {
        const XString key = GetTrimmedString(id);
        XString parent = FindParentTerm(terms, key, pattern);
        // No containing term: the year term.
        if (parent.IsEmpty())
            parent = YearTermKeyText();
        f.WriteLine({key, GetTrimmedString(name), dateText(firstDay), dateText(lastDay), parent});
    }
    f.End();
}

XString ExpEngine::FindParentTerm(const TermDateMap& terms, const XString& key, QString& datePattern)
{
    const QString termKey = toQString(key);
    const auto term = terms.constFind(termKey);
    if (term == terms.constEnd())
        return XString();
    const QString& start = term->first;
    const QString& end = term->second;

    QMap<QString, qint64> candidates;
    for (auto other = terms.constBegin(); other != terms.constEnd(); ++other) {
        if (other.key() == termKey)
            continue;
        QDate startDate = QDate::fromString(start, datePattern);
        if (!startDate.isValid()) {
            LogMessage(7,
                       fromQString(QStringLiteral("Date format ") + datePattern +
                                   QStringLiteral(" didn't work, will try yyyy-MM-dd, for: ") + start),
                       kFindParentTerm);
            datePattern = QStringLiteral("yyyy-MM-dd");
            startDate = QDate::fromString(start, datePattern);
            LogMessage(7, fromQString(QStringLiteral("Start Date is ") + startDate.toString(datePattern)),
                       kFindParentTerm);
        }
        const QDate otherStart = QDate::fromString(other->first, datePattern);
        const QDate endDate = QDate::fromString(end, datePattern);
        const QDate otherEnd = QDate::fromString(other->second, datePattern);
        if (startDate < otherStart || endDate > otherEnd)
            continue;
        const qint64 span = otherStart.daysTo(otherEnd);
        LogMessage(7,
                   fromQString(QStringLiteral("Added ") + other.key() + QStringLiteral(" to ") + termKey +
                               QStringLiteral(" : ") + QString::number(span)),
                   kFindParentTerm);
        // A one-day term contains nothing else.
        if (span != 0)
            candidates.insert(other.key(), span);
    }

    // The shortest containing term; of equal ones the last in key order.
    XString parent;
    qint64 best = 0;
    for (auto candidate = candidates.constBegin(); candidate != candidates.constEnd(); ++candidate) {
        if (best != 0 && candidate.value() > best)
            continue;
        parent = fromQString(candidate.key());
        best = candidate.value();
        LogMessage(7,
                   fromQString(QStringLiteral("Best ") + candidate.key() + QStringLiteral(" for ") + termKey +
                               QStringLiteral(" : ") + QString::number(best)),
                   kFindParentTerm);
    }
    return parent;
}

void ExpEngine::CreateTermYear()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Term Year", "TermYear.pef");
    ODBCTable* term = t.Source("Terms", "term");
    if (t.Missing("Term Year: Required Table does not exist."))
        return;
    t.Add(term, Col("ID").Out("TermKey").Req());
    t.Add(term, Col("Abbreviation").Out("TermName"));
    t.Add(term, Col("FirstDay").Out("TermStartDate", &ExpEngine::FormatDate).Req());
    t.Add(term, Col("LastDay").Out("TermEndDate", &ExpEngine::FormatDate).Req());
    ODBCField* year = t.Add(term, Col("YearID").Req().Into(&H::yearId));
    ODBCField* school = t.Add(term, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* isYear = t.Add(term, Col("IsYearRec").Req());
    t.WhereSchool(school);
    t.WhereYear(year);
    t.Where(isYear, "1");
    t.Distinct();
    t.Write();
}

void ExpEngine::CreateBins()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Bins", "Bins.pef");
    ODBCTable* bins = t.Source("TermBins", "bins");
    if (t.Missing("Bins: Required Table does not exist."))
        return;
    ODBCField* storeCode = t.Add(bins, Col("StoreCode").Out("BinKey").Req());
    t.Add(bins, Col("StoreCode").Out("BinName"));
    t.Add(bins, Col("Date1").Out("BinStartDate", &ExpEngine::FormatDate));
    t.Add(bins, Col("Date2").Out("BinEndDate", &ExpEngine::FormatDate));
    ODBCField* year = t.Add(bins, Col("YearID").Req().Into(&H::yearId));
    ODBCField* school = t.Add(bins, Col("SchoolID").Req().Into(&H::schoolId));
    t.WhereSchool(school);
    t.WhereYear(year);
    t.OrderBy(storeCode);
    // The same store code of several terms gives one line when its dates agree.
    t.Distinct();
    t.Write();
}
