// Opening and closing connections, and failed opens. (The data layer never opens an open
// connection nor closes a closed one.)

#include "AdoTestSupport.h"

#include <gtest/gtest.h>

using namespace ado;

TEST(Connection, OpensAndClosesRepeatedly)
{
    UseSampleOdbc();
    Connection c;
    EXPECT_EQ(c.State(), adStateClosed);

    for (int round = 0; round < 2; ++round) {
        c.Open(SampleConnectionString());
        EXPECT_EQ(c.State(), adStateOpen);
        Recordset rs;
        rs.Open("SELECT School_Number FROM Schools ORDER BY School_Number", c);
        EXPECT_EQ(rs.Fields().Item(0L).Value().I4(), 100);
        c.Close();
        EXPECT_EQ(c.State(), adStateClosed);
        // Closing the connection closed its recordset too.
        EXPECT_EQ(rs.State(), adStateClosed);
    }
}

TEST(Connection, UnknownDataSourceFillsErrors)
{
    UseSampleOdbc();
    Connection c;
    for (const std::string text :
         {"DSN=vh_no_such_source;UID=u;PWD=p;", "Data Source=vh_no_such_source;User ID=u;"}) {
        try {
            c.Open(text);
            FAIL() << "connected to " << text;
        } catch (const ComError& e) {
            EXPECT_EQ(e.Error(), E_FAIL);
            EXPECT_EQ(e.ErrorMessage(), "Unspecified error");
            EXPECT_EQ(e.Source(), "ADODB.Connection");
            EXPECT_NE(e.Description().find("Data source name not found"), std::string::npos)
                << e.Description();
        }
        EXPECT_EQ(c.State(), adStateClosed);
        ASSERT_FALSE(c.Errors().empty());
        const Error& first = c.Errors().front();
        EXPECT_EQ(first.Number, E_FAIL);
        EXPECT_EQ(first.SQLState, "IM002");
        EXPECT_NE(first.Description.find("Data source name not found"), std::string::npos);
        EXPECT_NE(first.Description.back(), '\n');
    }
    // A failed open leaves the object ready for the next one, which clears the list.
    c.Open(SampleConnectionString());
    EXPECT_TRUE(c.Errors().empty());
}
