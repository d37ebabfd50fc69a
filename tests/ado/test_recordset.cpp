// Recordsets on the sample data source: field types, every value kind, chunks, blocks and errors.

#include "AdoTestSupport.h"
#include "OleDate.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>

using namespace ado;

namespace {

// The stored bytes of one cell, read with SQLite itself.
std::string RawCell(const std::string& sql)
{
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(vhtest::SampleDatabasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK);
    std::string out;
    if (sqlite3_step(st) == SQLITE_ROW) {
        const void* p = sqlite3_column_blob(st, 0);
        out.assign(static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(st, 0)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

class RecordsetTest : public ::testing::Test
{
protected:
    void SetUp() override { OpenSample(connection_); }
    Connection connection_;
};

}  // namespace

TEST_F(RecordsetTest, EveryValueKind)
{
    Recordset rs;
    rs.Open("SELECT * FROM TypeSamples ORDER BY ID", connection_);
    FieldCollection& f = rs.Fields();
    std::map<int, std::map<std::string, Variant>> rows;
    std::map<int, std::map<std::string, long>> status;
    for (; !rs.EndOfFile(); rs.MoveNext()) {
        const int id = f[0L].Value().I4();
        for (long i = 0; i < f.Count(); ++i) {
            rows[id][f[i].Name()] = f[i].Value();
            status[id][f[i].Name()] = f[i].Status();
        }
    }
    ASSERT_EQ(rows.size(), 6u);

    // Row 1: ordinary values, each of its own kind. (The readers of the data layer check the
    // values of every kind on rows like 1, 2 and 4.)
    auto& r1 = rows[1];
    const std::pair<const char*, VARTYPE> kinds[] = {
        {"IntValue", VT_I4},    {"BigValue", VT_I8},    {"SmallValue", VT_I2}, {"ShortText", VT_BSTR},
        {"DateValue", VT_DATE}, {"DoubleValue", VT_R8}, {"Flag", VT_BOOL},     {"Data", VT_ARRAY | VT_UI1}};
    for (const auto& [name, kind] : kinds) {
        EXPECT_EQ(r1[name].Type(), kind) << name;
        EXPECT_EQ(rows[2][name].Type(), kind) << name;
    }
    EXPECT_EQ(r1["BigValue"].I8(), 9000000000LL);
    EXPECT_EQ(r1["SmallValue"].I2(), -7);
    EXPECT_DOUBLE_EQ(r1["StampValue"].Date(), Ole(2024, 9, 3, 8, 15, 30));
    EXPECT_DOUBLE_EQ(r1["TimeValue"].Date(), Ole(1899, 12, 30, 8, 15, 30));
    EXPECT_DOUBLE_EQ(r1["NumericValue"].R8(), -15.25);
    EXPECT_EQ(status[1]["ShortText"], adFieldOK);

    // Row 2: the zero date, empty text and blob, a negative big number.
    EXPECT_DOUBLE_EQ(rows[2]["DateValue"].Date(), 0.0);
    EXPECT_TRUE(rows[2]["Data"].Bytes().empty());
    EXPECT_EQ(rows[2]["BigValue"].I8(), -9000000000LL);

    // Row 3: NULL in every column but the key.
    for (auto& [name, value] : rows[3]) {
        if (name == "ID")
            continue;
        EXPECT_EQ(value.Type(), VT_NULL) << name;
        EXPECT_EQ(status[3][name], adFieldIsNull) << name;
    }

    // Row 4: 1900-01-01 and extreme integers.
    auto& r4 = rows[4];
    EXPECT_DOUBLE_EQ(r4["StampValue"].Date(), 2.5);
    EXPECT_DOUBLE_EQ(r4["TimeValue"].Date(), Ole(1899, 12, 30, 23, 59, 59));
    EXPECT_EQ(r4["IntValue"].I4(), -2147483647 - 1);
    EXPECT_EQ(r4["SmallValue"].I2(), 32767);

    // Row 5: before 1899-12-30, UTF-8 text, 100.0; long values are checked below.
    auto& r5 = rows[5];
    EXPECT_DOUBLE_EQ(r5["DateValue"].Date(), Ole(1850, 6, 15));
    EXPECT_LT(r5["DateValue"].Date(), 0.0);
    EXPECT_DOUBLE_EQ(r5["StampValue"].Date(), Ole(1850, 6, 15) - 0.25);
    EXPECT_EQ(r5["ShortText"].Str(), "M\xC3\xBCller \xE2\x82\xAC");
    EXPECT_DOUBLE_EQ(r5["DoubleValue"].R8(), 100.0);
    EXPECT_DOUBLE_EQ(r5["NumericValue"].R8(), 99999999.99);

    // Row 6: the driver gives NULL for a date it cannot read, and keeps fractions of seconds.
    auto& r6 = rows[6];
    EXPECT_EQ(r6["DateValue"].Type(), VT_NULL);
    EXPECT_EQ(r6["ShortText"].Str(), "not a date");
    DateTimeParts parts;
    ASSERT_TRUE(OleDateToParts(r6["StampValue"].Date(), parts));
    EXPECT_EQ(parts.year, 2024);
    EXPECT_EQ(parts.month, 2);
    EXPECT_EQ(parts.day, 29);
    EXPECT_EQ(parts.second, 59);
    EXPECT_EQ(parts.nanosecond, 250000000u);
    EXPECT_DOUBLE_EQ(r6["DoubleValue"].R8(), -0.5);
}

TEST_F(RecordsetTest, LongTextAndBinaryInChunks)
{
    const std::string text = RawCell("SELECT LongText FROM TypeSamples WHERE ID = 5");
    const std::string blob = RawCell("SELECT Data FROM TypeSamples WHERE ID = 5");
    ASSERT_GT(text.size(), 3u * 65536u);
    ASSERT_GT(blob.size(), 2u * 65536u);

    Recordset rs;
    rs.Open("SELECT ID, LongText, Data, ShortText FROM TypeSamples WHERE ID >= 4 ORDER BY ID", connection_);
    Field& id = rs.Fields().Item("ID");
    Field& longText = rs.Fields().Item("LongText");
    Field& data = rs.Fields().Item("Data");
    ASSERT_FALSE(rs.EndOfFile());
    EXPECT_EQ(id.Value().I4(), 4);
    EXPECT_EQ(longText.ActualSize(), 4);
    rs.MoveNext();
    ASSERT_EQ(id.Value().I4(), 5);

    // Whole values, and the same bytes again in pieces.
    EXPECT_EQ(longText.ActualSize(), static_cast<long>(text.size()));
    EXPECT_EQ(longText.Value().Str(), text);
    std::string pieces;
    for (Variant chunk = longText.GetChunk(50000); !chunk.IsNull(); chunk = longText.GetChunk(50000)) {
        ASSERT_EQ(chunk.Type(), VT_BSTR);
        ASSERT_LE(chunk.Str().size(), 50000u);
        pieces += chunk.Str();
    }
    EXPECT_EQ(pieces, text);
    EXPECT_EQ(data.ActualSize(), static_cast<long>(blob.size()));
    const Variant whole = data.GetChunk(data.ActualSize());
    ASSERT_EQ(whole.Type(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(std::string(whole.Bytes().begin(), whole.Bytes().end()), blob);
    EXPECT_TRUE(data.GetChunk(10).IsNull());
    EXPECT_EQ(rs.Fields().Item("ShortText").Value().Str(), "M\xC3\xBCller \xE2\x82\xAC");
    // Short columns have no chunks.
    EXPECT_THROW(rs.Fields().Item("ShortText").GetChunk(10), ComError);

    rs.MoveNext();
    EXPECT_EQ(id.Value().I4(), 6);
    EXPECT_EQ(longText.GetChunk(2).Str(), "te");  // a new record starts at its beginning
    EXPECT_EQ(longText.GetChunk(100).Str(), "xt");
    EXPECT_TRUE(data.GetChunk(10).IsNull());  // NULL
    EXPECT_EQ(data.ActualSize(), 0);
    rs.MoveNext();
    EXPECT_TRUE(rs.EndOfFile());
    EXPECT_THROW(longText.Value(), ComError);
}

TEST_F(RecordsetTest, TextLongerThanDeclared)
{
    // SQLite keeps text longer than a column's declared size; a computed column is declared VARCHAR(255).
    const std::string wide(2000, 'x');
    const char* wideSql = "replace(hex(zeroblob(1000)), '0', 'x')";
    {
        // With a long column the driver gives one row at a time and the value is read again whole.
        Recordset rs;
        rs.Open(std::string("SELECT ID, ") + wideSql + " AS Wide, LongText FROM TypeSamples ORDER BY ID",
                connection_);
        Field& f = rs.Fields().Item("Wide");
        EXPECT_EQ(f.Type(), adVarChar);
        EXPECT_EQ(f.Status(), adFieldOK);
        EXPECT_EQ(f.ActualSize(), 2000);
        EXPECT_EQ(f.Value().Str(), wide);
    }
    {
        // This driver cannot read a value of a block again: text is fetched a row at a time, and a
        // value longer than declared is still read whole, on every row.
        Recordset rs;
        rs.Open(std::string("SELECT ID, ") + wideSql + " AS Wide FROM TypeSamples ORDER BY ID", connection_);
        Field& f = rs.Fields().Item("Wide");
        int rows = 0;
        for (; !rs.EndOfFile(); rs.MoveNext(), ++rows) {
            EXPECT_EQ(f.Status(), adFieldOK);
            EXPECT_EQ(f.ActualSize(), 2000);
            EXPECT_EQ(f.Value().Str(), wide);
            EXPECT_EQ(rs.Fields().Item("ID").Value().I4(), rows + 1);
        }
        EXPECT_GT(rows, 1);
    }
}

TEST_F(RecordsetTest, CountsMovesAndBlocks)
{
    // A small result is counted from its only block (text would be fetched a row at a time here).
    Recordset small;
    small.Open("SELECT School_Number, ID FROM Schools ORDER BY School_Number", connection_);
    EXPECT_EQ(small.RecordCount(), 3);
    EXPECT_FALSE(small.BOF());
    small.MoveNext();
    small.MoveNext();
    small.MoveNext();
    EXPECT_TRUE(small.EndOfFile());
    small.MoveFirst();
    EXPECT_FALSE(small.EndOfFile());
    EXPECT_EQ(small.Fields().Item("School_Number").Value().I4(), 100);
    small.Close();
    EXPECT_EQ(small.State(), adStateClosed);

    // Larger than one block, and with a long column (one row at a time on the SQLite driver):
    // the SQLite driver gives no count for a SELECT, so the count is unknown.
    const long expectedRows = std::stol(RawCell("SELECT CAST(COUNT(*) AS TEXT) FROM BenchRows"));
    ASSERT_GT(expectedRows, 2000);
    for (const char* sql : {"SELECT * FROM BenchRows ORDER BY ID",
                            "SELECT ID, Name, CAST(Name AS TEXT) AS Note FROM BenchRows ORDER BY ID"}) {
        Recordset rs;
        rs.Open(sql, connection_);
        EXPECT_EQ(rs.RecordCount(), -1) << sql;
        Field& id = rs.Fields().Item("ID");
        for (int pass = 0; pass < 2; ++pass) {
            long walked = 0;
            for (; !rs.EndOfFile(); rs.MoveNext()) {
                ++walked;
                ASSERT_EQ(id.Value().I4(), walked) << sql;  // no row lost or repeated at block edges
            }
            EXPECT_EQ(walked, expectedRows) << sql;
            EXPECT_THROW(rs.MoveNext(), ComError);
            rs.MoveFirst();  // runs the statement again
            ASSERT_FALSE(rs.EndOfFile());
            EXPECT_EQ(id.Value().I4(), 1);
        }
    }

    // No rows: BOF and EOF at once, a count of 0.
    Recordset none;
    none.Open("SELECT * FROM Schools WHERE 1 = 0", connection_);
    EXPECT_TRUE(none.BOF());
    EXPECT_TRUE(none.EndOfFile());
    EXPECT_EQ(none.RecordCount(), 0);
    none.MoveFirst();
    EXPECT_TRUE(none.EndOfFile());
    try {
        none.MoveNext();
        ADD_FAILURE() << "moved past an empty result";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), adErrNoCurrentRecord);
    }
    EXPECT_THROW(none.Fields().Item(0L).Value(), ComError);
}

TEST_F(RecordsetTest, ComputedDateIsText)
{
    Recordset rs;
    // A computed date comes back as text: it is not read as a date.
    rs.Open("SELECT MIN(FirstDay) AS First FROM Terms WHERE IsYearRec = 1", connection_);
    EXPECT_EQ(rs.Fields().Item(0L).Type(), adVarChar);
    EXPECT_EQ(rs.Fields().Item(0L).Value().Str(), "2014-08-20");
}

TEST_F(RecordsetTest, FailingStatementFillsErrors)
{
    Recordset rs;
    try {
        rs.Open("SELECT * FROM NoSuchTable", connection_);
        FAIL() << "opened a missing table";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Source(), "ADODB.Recordset");
        EXPECT_NE(e.Description().find("no such table"), std::string::npos) << e.Description();
        ASSERT_FALSE(connection_.Errors().empty());
        EXPECT_EQ(connection_.Errors().front().Description, e.Description());
        EXPECT_EQ(connection_.Errors().front().Number, e.Error());
        EXPECT_FALSE(connection_.Errors().front().SQLState.empty());
    }
    EXPECT_EQ(rs.State(), adStateClosed);
    // The connection stays usable, and the next statement clears the list.
    rs.Open("SELECT ID FROM Schools", connection_);
    EXPECT_TRUE(connection_.Errors().empty());

    Connection closed;
    Recordset other;
    try {
        other.Open("SELECT 1", closed);
        ADD_FAILURE() << "opened on a closed connection";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), adErrInvalidConnection);
    }
}
