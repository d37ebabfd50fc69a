// Runs against PostgreSQL only when VH_TEST_PG_CONNECT holds an ODBC connection
// string (for example "Driver=PostgreSQL Unicode;Servername=127.0.0.1;Port=5432;
// Database=school;UID=u;PWD=p;") of a database this test may write to.

#include "AdoTestSupport.h"
#include "OleDate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace ado;

namespace {

// The suite exists only where the PostgreSQL test script has set VH_TEST_PG_CONNECT.
class Postgres : public ::testing::TestWithParam<int>
{
};

std::vector<int> Instances()
{
    return std::getenv("VH_TEST_PG_CONNECT") ? std::vector<int>{0} : std::vector<int>{};
}

}  // namespace

TEST_P(Postgres, NumericScaleCountsAndBlocks)
{
    const char* connect = std::getenv("VH_TEST_PG_CONNECT");
    UseSampleOdbc();
    Connection c;
    c.Open(connect);
    Recordset setup;
    for (const char* sql :
         {"DROP TABLE IF EXISTS ado_values",
          "CREATE TABLE ado_values (id integer, amount numeric(10,2), wide numeric, flag boolean, data "
          "bytea, "
          "note text, stamp timestamp, free varchar)",
          "INSERT INTO ado_values SELECT g, -1500 + g, 1.0 / 3, g % 2 = 0, '\\x00ff'::bytea, repeat('x', g), "
          "'2024-01-02 03:04:05.123456', repeat('v', 1000 + g) FROM generate_series(0, 2999) AS g"}) {
        setup.Open(sql, c);  // no result: stays closed
        EXPECT_EQ(setup.State(), adStateClosed);
    }

    Recordset rs;
    rs.Open("SELECT id, amount, wide, flag, data, note, stamp, free FROM ado_values ORDER BY id", c);
    // Read through a server-side cursor, psqlODBC does not hold the whole result and cannot count
    // it; a connection string may still ask for the whole result.
    EXPECT_EQ(rs.RecordCount(), -1);
    {
        Connection whole;
        whole.Open(std::string(connect) + ";UseDeclareFetch=0;");
        Recordset all;
        all.Open("SELECT id FROM ado_values", whole);
        EXPECT_EQ(all.RecordCount(), 3000);
    }
    FieldCollection& f = rs.Fields();
    EXPECT_EQ(f.Item("amount").Type(), adNumeric);
    EXPECT_EQ(f.Item("amount").NumericScale(), 2);
    const Variant amount = f.Item("amount").Value();
    ASSERT_EQ(amount.Type(), VT_DECIMAL);
    EXPECT_TRUE(amount.Dec().IsNegative());
    EXPECT_EQ(amount.Dec().scale, 2);
    EXPECT_EQ(amount.Dec().ToString(), "-1500.00");
    EXPECT_EQ(f.Item("wide").Value().Dec().ToString(), "0.33333333333333333333");
    EXPECT_EQ(f.Item("data").Value().Bytes(), (std::vector<std::uint8_t>{0x00, 0xFF}));
    EXPECT_EQ(f.Item("flag").Value().Str(), "1");  // psqlODBC gives booleans as text
    EXPECT_EQ(f.Item("stamp").Type(), adDBTimeStamp);
    DateTimeParts parts;
    ASSERT_TRUE(OleDateToParts(f.Item("stamp").Value().Date(), parts));
    EXPECT_EQ(parts.second, 5);
    EXPECT_EQ(parts.nanosecond, 123000000u);  // rounded to the millisecond
    long walked = 0;
    for (; !rs.EndOfFile(); rs.MoveNext()) {
        ASSERT_EQ(f.Item("id").Value().I4(), walked);
        ASSERT_EQ(f.Item("note").Value().Str(), std::string(static_cast<std::size_t>(walked), 'x'));
        // Longer than the size the driver declares for an unbounded varchar: read again whole.
        ASSERT_EQ(f.Item("free").Value().Str(), std::string(static_cast<std::size_t>(1000 + walked), 'v'));
        ++walked;
    }
    EXPECT_EQ(walked, 3000);
    rs.MoveFirst();
    EXPECT_EQ(f.Item("id").Value().I4(), 0);
    rs.Close();

    // A value beyond the decimal range: Value fails, the driver's text of it stays readable.
    Recordset odd;
    odd.Open("SELECT 'NaN'::numeric AS n, 12.5::numeric AS ok, NULL::numeric AS gone, 'x'::text AS t", c);
    FieldCollection& o = odd.Fields();
    EXPECT_THROW(o.Item("n").Value(), ComError);
    EXPECT_EQ(o.Item("n").Status(), adFieldCantConvertValue);
    EXPECT_EQ(o.Item("n").NumericText(), "NaN");
    EXPECT_EQ(o.Item("ok").NumericText(), "12.5");
    EXPECT_EQ(o.Item("gone").NumericText(), "");
    EXPECT_EQ(o.Item("t").NumericText(), "");

    // A wrong password: the driver's text, with its line break trimmed.
    Connection bad;
    std::string wrong = connect;
    wrong += ";PWD=definitely-wrong;";
    EXPECT_THROW(bad.Open(wrong), ComError);
    ASSERT_FALSE(bad.Errors().empty());
    EXPECT_NE(bad.Errors().front().Description.back(), '\n');
}

INSTANTIATE_TEST_SUITE_P(Pg, Postgres, ::testing::ValuesIn(Instances()));
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Postgres);
