// The SELECT statements of the query model: both builders, groups and joins.

#include "SqlBuilder.h"

#include "DatabaseTypes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A query model of a Sybase ODBC source and its statements.
struct Builder
{
    QueryModel model;

    SqlBuilder Make()
    {
        return SqlBuilder(model, DbSybaseOdbc, false, XString(), [](int, const XString&, const XString&) {});
    }
    std::string Plain() { return Make().BuildQuery().CStr(); }
    std::string Ansi() { return Make().BuildAnsiJoinQuery().CStr(); }
    ODBCCondition* Value(const char* conj, ODBCField* f, const char* op, const char* value, int group)
    {
        return model.AddCondition(conj, f, op, nullptr, value, group);
    }
    ODBCCondition* Join(const char* conj, ODBCField* l, const char* op, ODBCField* r, int group)
    {
        return model.AddCondition(conj, l, op, r, XString(), group);
    }
    // A column of the table "T t", added on first use.
    ODBCField* Field(const char* name)
    {
        if (!table)
            table = model.AddTable("T", "t", XString());
        return model.AddField(table, name);
    }
    ODBCTable* table = nullptr;
};

// Condition handles must outlive the builder: keep them in a second model that is never built.
struct ExampleFixture : ::testing::Test
{
    Builder b;
    QueryModel handles;
    void SetUp() override
    {
        ODBCTable* sec = b.model.AddTable("Sections", "sec", XString());
        ODBCTable* term = b.model.AddTable("Terms", "term", XString());
        b.model.AddField(sec, "ID");
        ODBCField* course = b.model.AddField(sec, "Course_Number");
        b.model.AddField(term, "Abbreviation");
        ODBCField* termId = handles.AddField(sec, "TermID");
        ODBCField* tid = handles.AddField(term, "ID");
        ODBCField* school = handles.AddField(sec, "SchoolID");
        ODBCField* year = handles.AddField(term, "YearID");
        b.Join("AND", termId, "=", tid, 0);
        b.Value("AND", school, "=", "100", 0);
        b.Value("AND", year, "=", "24", 1);
        b.Value("OR", year, "=", "25", 1);
        b.model.AddOrder(course, false);
    }
};

TEST_F(ExampleFixture, WorkedExampleBothBuilders)
{
    const std::string plain = b.Plain();
    EXPECT_EQ(plain, "SELECT sec.ID, sec.Course_Number, term.Abbreviation FROM Sections sec, Terms term  "
                     "WHERE sec.TermID = "
                     "term.ID AND sec.SchoolID = 100 AND (term.YearID = 24 OR term.YearID = 25) ORDER BY "
                     "sec.Course_Number");
    EXPECT_EQ(
        b.Ansi(),
        "SELECT sec.ID, sec.Course_Number, term.Abbreviation FROM Sections sec INNER JOIN Terms term ON "
        "sec.TermID =term.ID   WHERE sec.SchoolID = 100 AND (term.YearID = 24 OR term.YearID = 25) ORDER BY "
        "sec.Course_Number");
    // Building does not change the model.
    EXPECT_EQ(b.Plain(), plain);
}

// The calculated order column is QueryModel.ConditionsOrdersAndCalculatedFields.
TEST(SqlBuilder, TablesAndAliases)
{
    Builder b;
    ODBCTable* schools = b.model.AddTable("Schools", "", XString());
    b.model.AddField(schools, "Name");
    EXPECT_EQ(b.Plain(), "SELECT Schools.Name FROM Schools ");
    EXPECT_EQ(b.Ansi(), "SELECT Schools.Name FROM Schools ");

    // A qualified table without alias carries the prefix before every column.
    Builder q;
    ODBCTable* terms = q.model.AddTable("Terms", "", "VH.Terms");
    ODBCField* id = q.model.AddField(terms, "ID");
    q.Value("AND", id, ">", "0", 0);
    q.model.AddOrder(id, true);
    EXPECT_EQ(q.Plain(), "SELECT VH.Terms.ID FROM VH.Terms  WHERE VH.Terms.ID > 0 ORDER BY VH.Terms.ID DESC");
}

TEST(SqlBuilder, GroupParentheses)
{
    Builder b;
    // a AND (b OR c): the parenthesis closes after the condition whose group fell.
    b.Value("AND", b.Field("a"), "=", "1", 0);
    b.Value("AND", b.Field("x"), "=", "2", 1);
    b.Value("OR", b.Field("y"), "=", "3", 0);
    EXPECT_EQ(b.Plain(), "SELECT t.a, t.x, t.y FROM T t  WHERE t.a = 1 AND (t.x = 2 OR t.y = 3)");

    // A step of two opens one parenthesis; it is closed at the end.
    Builder c;
    ODBCField* p = c.Field("p");
    c.Value("AND", p, "=", "1", 0);
    c.Value("AND", p, "<>", "'x'", 2);
    EXPECT_EQ(c.Plain(), "SELECT t.p FROM T t  WHERE t.p = 1 AND (t.p <> 'x')");

    // Groups that fall more often than they rose close only what is open.
    Builder d;
    ODBCField* q = d.Field("q");
    const int groups[] = {0, 2, 1, 0, -1};
    for (int i = 0; i < 5; ++i)
        d.Value(i == 2 ? "OR" : "AND", q, "=", std::to_string(i + 1).c_str(), groups[i]);
    EXPECT_EQ(d.Plain(),
              "SELECT t.q FROM T t  WHERE t.q = 1 AND (t.q = 2 OR t.q = 3) AND t.q = 4 AND t.q = 5");

    // A first condition whose conjunction opens a parenthesis writes it after WHERE.
    Builder f;
    f.Value("(", f.Field("r"), "=", "1", 0);
    EXPECT_EQ(f.Plain(), "SELECT t.r FROM T t  WHERE ( t.r = 1");

    // No conditions, no WHERE; no orders, no ORDER BY.
    Builder g;
    g.Field("s");
    EXPECT_EQ(g.Plain(), "SELECT t.s FROM T t ");
}

TEST(SqlBuilder, RawConditionsAndAnsiJoinRules)
{
    Builder b;
    ODBCTable* stu = b.model.AddTable("Students", "stu", XString());
    ODBCTable* cc = b.model.AddTable("CC", "cc", XString());
    ODBCTable* sec = b.model.AddTable("Sections", "sec", XString());
    ODBCField* id = b.model.AddField(stu, "ID");
    ODBCField* stuId = b.model.AddField(cc, "StudentID");
    ODBCField* secId = b.model.AddField(cc, "SectionID");
    ODBCField* sid = b.model.AddField(sec, "ID");
    ODBCField* school = b.model.AddField(stu, "SchoolID");
    ODBCField* ccSchool = b.model.AddField(cc, "SchoolID");
    b.Join("AND", stuId, "=", id, 0);
    b.Join("AND", secId, "=", sid, 0);
    // A second join between tables already joined stays inside the ON clause.
    b.Join("AND", ccSchool, "=", school, 0);
    b.Value("AND", school, "=", "7", 0);
    b.model.AddCondition("AND", nullptr, "getCF('Students', id, 'Alt') = '1'", nullptr, XString(), 0);
    b.Join("AND", ccSchool, "=", school, 0);

    EXPECT_EQ(b.Plain(),
              "SELECT stu.ID, cc.StudentID, cc.SectionID, sec.ID, stu.SchoolID, cc.SchoolID FROM Students "
              "stu, CC cc, "
              "Sections sec  WHERE cc.StudentID = stu.ID AND cc.SectionID = sec.ID AND cc.SchoolID = "
              "stu.SchoolID AND "
              "stu.SchoolID = 7 AND getCF('Students', id, 'Alt') = '1'  AND cc.SchoolID = stu.SchoolID");
    EXPECT_EQ(
        b.Ansi(),
        "SELECT stu.ID, cc.StudentID, cc.SectionID, sec.ID, stu.SchoolID, cc.SchoolID FROM CC cc INNER JOIN "
        "Students stu ON cc.StudentID =stu.ID  INNER JOIN Sections sec ON cc.SectionID =sec.ID  AND "
        "cc.SchoolID =stu.SchoolID   WHERE stu.SchoolID = 7 AND cc.SchoolID = stu.SchoolID");
}

TEST(SqlBuilder, AnsiJoinContinuationGroups)
{
    Builder b;
    ODBCTable* a = b.model.AddTable("A", "a", XString());
    ODBCTable* c = b.model.AddTable("C", "c", XString());
    ODBCField* a1 = b.model.AddField(a, "k1");
    ODBCField* a2 = b.model.AddField(a, "k2");
    ODBCField* c1 = b.model.AddField(c, "k1");
    ODBCField* c2 = b.model.AddField(c, "k2");
    // A rising group turns the following join conditions into continuations of the ON clause.
    b.Join("AND", a1, "=", c1, 1);
    b.Join("OR", a2, "=", c2, 1);
    b.Join("AND", a2, "=", c2, 0);
    EXPECT_EQ(b.Ansi(), "SELECT a.k1, a.k2, c.k1, c.k2 FROM A a INNER JOIN C c ON a.k1 =c.k1  OR a.k2  = "
                        "c.k2  AND a.k2 =c.k2  ");
}

}  // namespace
