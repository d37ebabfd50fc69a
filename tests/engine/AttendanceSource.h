// A changeable source filled with school years and attendance records whose dates count from the
// day the test runs.
#pragma once

#include "DataSources.h"

#include <QDate>

#include <memory>

#include <stdexcept>
#include <vector>

namespace enginetest {

// Today plus the days, as "YYYY-MM-DD".
inline QString Iso(int days)
{
    return QDate::currentDate().addDays(days).toString("yyyy-MM-dd");
}

// One attendance record; a meeting has a CC row (schedule) and a period.
struct AttRecord
{
    int id, student, school, days, code;
    bool meeting;
    int schedule, period;
};

inline const AttRecord& FindRecord(const std::vector<AttRecord>& records, int id)
{
    for (const AttRecord& r : records) {
        if (r.id == id)
            return r;
    }
    throw std::logic_error("no such attendance record");
}

// One year record of Terms.
struct YearRecord
{
    int id, school, year;
    const char* name;
    int firstDay, lastDay;
};

// Adds one attendance record (of year 27) to the source's Attendance table.
inline void InsertAttendance(ChangeableSource& live, const AttRecord& r)
{
    live.Exec(QString("INSERT INTO %1 VALUES (%2, %3, %4, 27, '%5', %6, '%7', %8, %9)")
                  .arg(live.Table("Attendance"))
                  .arg(r.id)
                  .arg(r.student)
                  .arg(r.school)
                  .arg(Iso(r.days))
                  .arg(r.code)
                  .arg(r.meeting ? "ATT_ModeMeeting" : "ATT_ModeDaily")
                  .arg(r.meeting ? QString::number(r.schedule) : "NULL")
                  .arg(r.meeting ? QString::number(r.period) : "NULL"));
}

// Replaces the source's Terms and Attendance tables with these records (every record of year 27).
inline void FillAttendanceSource(ChangeableSource& live, const std::vector<YearRecord>& years,
                                 const std::vector<AttRecord>& records)
{
    const QString terms = live.Table("Terms");
    const QString att = live.Table("Attendance");
    live.Exec("DROP TABLE IF EXISTS " + terms);
    live.Exec("CREATE TABLE " + terms +
              " (ID INTEGER, SchoolID INTEGER, YearID INTEGER, Name VARCHAR(40), FirstDay DATE, "
              "LastDay DATE, IsYearRec INTEGER)");
    for (const YearRecord& y : years) {
        live.Exec(QString("INSERT INTO %1 VALUES (%2, %3, %4, '%5', '%6', '%7', 1)")
                      .arg(terms)
                      .arg(y.id)
                      .arg(y.school)
                      .arg(y.year)
                      .arg(y.name, Iso(y.firstDay), Iso(y.lastDay)));
    }
    live.Exec("DROP TABLE IF EXISTS " + att);
    live.Exec("CREATE TABLE " + att +
              " (ID INTEGER, StudentID INTEGER, SchoolID INTEGER, YearID INTEGER, ATT_Date DATE, "
              "Attendance_CodeID INTEGER, ATT_Mode_Code VARCHAR(20), CCID INTEGER, PeriodID INTEGER)");
    for (const AttRecord& r : records)
        InsertAttendance(live, r);
}

// Gives the attendance record a new code in the source.
inline void SetCode(ChangeableSource& live, int id, int code)
{
    live.Exec(QString("UPDATE %1 SET Attendance_CodeID = %2 WHERE ID = %3")
                  .arg(live.Table("Attendance"))
                  .arg(code)
                  .arg(id));
}

// A test of runs on the live attendance source, which Fill fills, into a folder of its own.
class LiveAttendanceTest : public ::testing::TestWithParam<DataSource>
{
protected:
    explicit LiveAttendanceTest(const char* folder) : m_folder(folder) {}
    virtual void Fill(ChangeableSource& source) = 0;
    void SetUp() override
    {
        if (!HaveProgram())
            GTEST_SKIP() << "no program";
        live.reset(
            new ChangeableSource(GetParam(), "golden-attendance_live.db", "vh_golden_attendance_live_pg"));
        Fill(*live);
        out = NewFolder(QString(m_folder) + "-" + GetParam().name);
    }

    std::unique_ptr<ChangeableSource> live;
    QString out;

private:
    const char* m_folder;
};

}  // namespace enginetest
