// The query model: tables, columns, conditions and orders.

#include "DaTestSupport.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

using datest::Recorder;
using datest::TestTask;
using vhtest::Thrown;

namespace {

TEST(QueryModel, TablesFieldsAndColumns)
{
    TestTask task(0, DbSybaseOdbc);
    task.StartTable("Calendar", "Calendar.pef", false);

    ODBCTable* cal = task.AddTable("Calendar_Day", "cd", true, "VH.Calendar_Day");
    ASSERT_NE(cal, nullptr);
    // The same source column twice, a constant column (no table: not selected) and a custom field.
    ASSERT_NE(task.AddFieldColumn(cal, "Date_Value", nullptr, "CalDate", true), nullptr);
    ASSERT_NE(task.AddFieldColumn(cal, "Date_Value", nullptr, nullptr, false), nullptr);
    EXPECT_EQ(task.AddFieldColumn(nullptr, "Calendar", nullptr, "CalName", false, 1), nullptr);
    ASSERT_NE(task.AddFieldColumnWithHeader(cal, "Note", nullptr, "CalNote", false, "CalNoteField", "Note",
                                            "#custombasicfield", "NOFORMAT"),
              nullptr);
    EXPECT_STREQ(task.BuildQuery().CStr(),
                 "SELECT cd.Date_Value, cd.Date_Value, cd.Note FROM VH.Calendar_Day cd ");
}

TEST(QueryModel, ConditionsOrdersAndCalculatedFields)
{
    TestTask task(0, DbSybaseOdbc);
    Recorder log(task);
    ODBCTable* t = task.AddTable("Teachers", "t", false);
    ODBCField* last = task.AddField(t, "LastFirst");
    ODBCField* school = task.AddField(t, "SchoolID");
    ODBCField* order = task.AddCalculatedField("case", last, "when '' then 1 else 0 end", "order1");
    ASSERT_NE(order, nullptr);

    task.AddCondition("AND", school, "=", "100");
    task.AddRawCondition("AND", "t.Status = 1");
    task.AddOrder(order, false);
    task.AddOrder(last, true);
    task.AddOrder(nullptr, false);
    EXPECT_TRUE(log.Has(4, "Field NULL in ODBC::AddOrder."));

    task.SetDistinct(true);
    EXPECT_STREQ(
        task.BuildQuery().CStr(),
        "SELECT DISTINCT t.LastFirst, t.SchoolID, case t.LastFirst when '' then 1 else 0 end as order1 FROM "
        "Teachers t  WHERE t.SchoolID = 100 AND t.Status = 1  ORDER BY order1, t.LastFirst DESC");
}

TEST(QueryModel, NullFieldsInConditionsStopTheRun)
{
    TestTask task(0, DbSybaseOdbc);
    Recorder log(task);
    ODBCTable* t = task.AddTable("Teachers", "t", false);
    ODBCField* last = task.AddField(t, "LastFirst");
    ODBCField* school = task.AddField(t, "SchoolID");
    EXPECT_EQ(Thrown([&] { task.AddCondition("AND", nullptr, "=", "1"); }),
              "Primary field NULL in XODBC::AddCondition.");
    EXPECT_TRUE(log.Has(2, "Primary field NULL in XODBC::AddCondition."));
    EXPECT_EQ(Thrown([&] { task.AddJoinCondition("AND", last, "=", nullptr); }),
              "Cannot continue: Primary field is LastFirst; Secondary field is NULL");
    EXPECT_EQ(Thrown([&] { task.AddJoinCondition("AND", nullptr, "=", school); }),
              "Cannot continue: Primary field is NULL; Secondary field is SchoolID; ");
    // Nothing was added: the statement has no WHERE.
    EXPECT_STREQ(task.BuildQuery().CStr(), "SELECT t.LastFirst, t.SchoolID FROM Teachers t ");
}

TEST(QueryModel, ClearQueryForgetsTheChangeDateField)
{
    TestTask task(0, DbSybaseOdbc);
    ODBCTable* t = task.AddTable("Attendance", "att", false);
    ODBCField* date = task.AddField(t, "Att_Date");
    task.SetChangeDateField(date);
    task.ClearQuery();
    EXPECT_EQ(task.GetChangeDateField(), nullptr);
}

}  // namespace
