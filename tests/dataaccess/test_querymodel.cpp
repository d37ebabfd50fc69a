#include "DaTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using datest::Recorder;
using datest::TestTask;

namespace {

std::string ThrownBy(const std::function<void()>& call)
{
    try {
        call();
    } catch (const XException& e) {
        return e.GetMessage();
    }
    return "(nothing thrown)";
}

TEST(QueryModel, TablesFieldsAndColumns)
{
    TestTask task(0, DbSybaseOdbc);
    Recorder log(task);
    task.StartTable("Calendar", "Calendar.pef", false);

    ODBCTable* cal = task.AddTable("Calendar_Day", "cd", true, "VH.Calendar_Day");
    ASSERT_NE(cal, nullptr);
    ODBCField* date = task.AddFieldColumn(cal, "Date_Value", nullptr, "CalDate", true);
    ODBCField* again = task.AddFieldColumn(cal, "Date_Value", nullptr, nullptr, false);
    // A constant column: no table, no converter, command 1.
    EXPECT_EQ(task.AddFieldColumn(nullptr, "Calendar", nullptr, "CalName", false, 1), nullptr);
    ODBCField* custom = task.AddFieldColumnWithHeader(cal, "Note", nullptr, "CalNote", false, "CalNoteField",
                                                      "Note", "#custombasicfield", "NOFORMAT");
    ASSERT_NE(date, nullptr);
    ASSERT_NE(again, nullptr);
    ASSERT_NE(custom, nullptr);
    // Two columns for the same source column get consecutive indexes.
    EXPECT_EQ(date->Index(), 0);
    EXPECT_EQ(again->Index(), 1);
    EXPECT_EQ(custom->Index(), 2);
    EXPECT_EQ(date->Table(), cal);
    EXPECT_STREQ(date->Reference().CStr(), "cd.Date_Value");

    const auto& columns = task.Columns();
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].field, date);
    EXPECT_EQ(columns[2].field, nullptr);
    EXPECT_STREQ(columns[2].name.CStr(), "Calendar");
    EXPECT_EQ(columns[2].command, 1);
    ASSERT_NE(task.GetCurrentHeader(), nullptr);

    EXPECT_STREQ(task.BuildQuery().CStr(),
                 "SELECT cd.Date_Value, cd.Date_Value, cd.Note FROM VH.Calendar_Day cd ");
    // The trace lines are level 9 with no method name.
    ASSERT_TRUE(log.Has(
        9, "BuildQuery Finished:SELECT cd.Date_Value, cd.Date_Value, cd.Note FROM VH.Calendar_Day cd "));

    // Clearing empties the model; the next field starts at 0 again.
    task.ClearQuery();
    EXPECT_TRUE(task.GetQueryModel().tables.empty());
    EXPECT_TRUE(task.GetQueryModel().fields.empty());
    ODBCTable* t = task.AddTable("Terms", "", false);
    EXPECT_STREQ(t->FromName().CStr(), "Terms");
    EXPECT_STREQ(t->Alias().CStr(), "Terms");
    EXPECT_EQ(task.AddField(t, "ID")->Index(), 0);
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
    EXPECT_EQ(order->Index(), 2);
    EXPECT_EQ(task.GetQueryModel().fields.size(), 3u);

    task.AddCondition("AND", school, "=", "100");
    task.AddRawCondition("AND", "t.Status = 1");
    task.AddOrder(order, false);
    task.AddOrder(last, true);
    log.Clear();
    task.AddOrder(nullptr, false);
    EXPECT_TRUE(log.Has(4, "Field NULL in ODBC::AddOrder."));
    EXPECT_EQ(task.GetQueryModel().orders.size(), 2u);

    task.SetDistinct(true);
    EXPECT_STREQ(
        task.BuildQuery().CStr(),
        "SELECT DISTINCT t.LastFirst, t.SchoolID, case t.LastFirst when '' then 1 else 0 end as order1 FROM "
        "Teachers t  WHERE t.SchoolID = 100 AND t.Status = 1  ORDER BY order1, t.LastFirst DESC");
    task.SetDistinct(false);

    // Null fields in conditions stop the run with the texts of the model.
    log.Clear();
    EXPECT_EQ(ThrownBy([&] { task.AddCondition("AND", nullptr, "=", "1"); }),
              "Primary field NULL in XODBC::AddCondition.");
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ(log.lines.back().level, 2);
    EXPECT_EQ(log.lines.back().method, "ODBCDataAccess::AddCondition");
    EXPECT_EQ(ThrownBy([&] { task.AddJoinCondition("AND", last, "=", nullptr); }),
              "Cannot continue: Primary field is LastFirst; Secondary field is NULL");
    EXPECT_EQ(ThrownBy([&] { task.AddJoinCondition("AND", nullptr, "=", school); }),
              "Cannot continue: Primary field is NULL; Secondary field is SchoolID; ");
    EXPECT_EQ(log.lines.back().method, "ODBCDataAccess::AddCondition");
    EXPECT_EQ(task.GetQueryModel().conditions.size(), 2u);

    // The ANSI builder of the object names its own method for type 9.
    task.SetDatabaseType(DbAccess);
    log.Clear();
    task.BuildAnsiJoinQuery();
    EXPECT_TRUE(log.Has(4, "Joins may not work for this DB Type: Access"));
    EXPECT_EQ(log.lines.front().method, "ODBCDataAccess::BuildAnsiJoinQuery");
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

TEST(DataAccess, TypeNamesAndDateLiterals)
{
    TestTask task(3, DbSybaseOdbc);
    XDate d;
    d.SetYMD(2024, 9, 3);
    EXPECT_STREQ(task.SQLDate(d).CStr(), "'2024-09-03'");
    EXPECT_STREQ(task.SQLDate(d, DbOracleOdbc).CStr(), "TO_DATE( '20240903', 'YYYYMMDD' )");
    task.SetDatabaseType(DbOracleOdbc);
    EXPECT_STREQ(task.GetDBTypeName(), "Oracle (ODBC)");
    EXPECT_STREQ(task.SQLDate(d).CStr(), "TO_DATE( '20240903', 'YYYYMMDD' )");
    task.SetDatabaseType(0);
    EXPECT_THROW(task.SQLDate(d), XException);
    task.SetDateFormat("yyyy.mm.dd");
    EXPECT_STREQ(task.SQLDate(d, DbDBaseXBase).CStr(), "2024.09.03");
}

TEST(DataAccess, ContactTypes)
{
    TestTask task(3, DbSybaseOdbc);
    ASSERT_NE(task.GetRelationshipMap(), nullptr);
    EXPECT_EQ(task.GetRelationshipMap()->Count(), 18u);
    const struct
    {
        const char* relationship;
        const char* type;
    } cases[] = {
        {"Mother", "Family"},        {"Step-Mother", "Family"},
        {"Step-Father's", "Family"}, {"GRANDMA'S", "Family"},
        {"grand mother", "Family"},  {"Partner", "Family"},
        {"Dr.", "Health"},           {"Doctor", "Health"},
        {"dentist", "Health"},       {" Guardian 2", "Emergency"},
        {"emergency", "Emergency"},  {"Mother's Friend", "Contact"},
        {"Neighbour", "Contact"},    {"", "Contact"},
        {"Mom{}", "Family"},         {"[Dad]", "Family"},
        {"Sis", "Contact"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(task.GetContactType(c.relationship).CStr(), c.type) << c.relationship;

    // Building the map again replaces it.
    task.BuildRelationshipTable();
    EXPECT_EQ(task.GetRelationshipMap()->Count(), 18u);
    EXPECT_STREQ(task.GetContactType("Uncle").CStr(), "Family");
}

TEST(DataAccess, SchoolYearTexts)
{
    EXPECT_EQ(SchoolYearLabel("2015"), QString("2015-2016"));
    EXPECT_EQ(SchoolYearLabel("2015-16"), QString("2015-2016"));
    EXPECT_EQ(SchoolYearPairText(qMakePair(QString("2015-16"), QString())), QString("2015-2016"));
    EXPECT_EQ(SchoolYearPairText(qMakePair(QString("2015-16"), QString("Year 15"))), QString("Year 15"));
}

}  // namespace
