// The readers of the current record against the real SQLite data source, and the value conversions.

#include "DaTestSupport.h"
#include "ReaderSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using datest::Recorder;
using datest::TestTask;
using readertest::SourceConnectionString;
using readertest::UseReaderSource;

namespace {

// The rows of TypeSample (ids 1 to 5, in order) opened through the query model.
struct TypeRows
{
    TestTask task;
    ODBCTable* table = nullptr;
    ODBCField *id, *txt, *memo, *d, *ts, *dbl, *amount, *big, *raw, *flag;

    explicit TypeRows(uint32_t options = 0) : task(options, DbSybaseOdbc)
    {
        UseReaderSource();
        task.Connect(SourceConnectionString());
        task.StartOutputTable("Type Sample", "TypeSample.pef", false);
        table = task.AddTable("TypeSample", "t", true);
        id = task.GetField(table, "id", true);
        txt = task.GetField(table, "txt", true);
        memo = task.GetField(table, "memo", true);
        d = task.GetField(table, "d", true);
        ts = task.GetField(table, "ts", true);
        dbl = task.GetField(table, "dbl", true);
        amount = task.GetField(table, "amount", true);
        big = task.GetField(table, "big", true);
        raw = task.GetField(table, "raw", true);
        flag = task.GetField(table, "flag", true);
        task.AddOrder(id);
        EXPECT_TRUE(task.OpenTable(true));
    }

    void At(int row)
    {
        ASSERT_TRUE(task.MoveFirst());
        for (int i = 1; i < row; ++i)
            ASSERT_TRUE(task.MoveNext());
        ASSERT_EQ(task.GetInt(id), row);
    }
};

std::string Bytes(const XBuffer& buffer)
{
    return std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Length());
}

}  // namespace

TEST(RecordReaders, ValuesOfEveryKind)
{
    TypeRows rows;
    TestTask& t = rows.task;
    // Row 1: NULL values give the defaults.
    rows.At(1);
    EXPECT_EQ(Str(t.GetString(rows.txt)), "");
    EXPECT_TRUE(t.IsNull(rows.txt));
    EXPECT_TRUE(t.GetDate(rows.d).IsEmpty());
    EXPECT_TRUE(t.GetTime(rows.ts).IsEmpty());
    EXPECT_TRUE(t.GetDateTime(rows.ts).IsEmpty());
    EXPECT_EQ(t.GetInt(rows.big), 0);
    EXPECT_EQ(t.GetDouble(rows.dbl), 0.0);
    EXPECT_FALSE(t.GetBool(rows.flag));
    EXPECT_EQ(t.GetBytes(rows.raw).Length(), 0u);
    // A missing column reads as empty, 0, false and NULL.
    EXPECT_EQ(Str(t.GetString(nullptr)), "");
    EXPECT_TRUE(t.IsNull(nullptr));
    EXPECT_TRUE(t.GetDate(nullptr).IsEmpty());
    EXPECT_EQ(t.GetInt(nullptr), 0);

    // Row 2: Empty text, the zero date, doubles and bytes.
    rows.At(2);
    EXPECT_EQ(Str(t.GetString(rows.txt)), "");
    EXPECT_FALSE(t.IsNull(rows.txt));
    // The zero DATE (1899-12-30 00:00) is an empty date, time and text.
    EXPECT_TRUE(t.GetDate(rows.d).IsEmpty());
    EXPECT_TRUE(t.GetTime(rows.ts).IsEmpty());
    EXPECT_EQ(Str(t.GetString(rows.ts)), "");
    EXPECT_EQ(Str(t.GetString(rows.dbl)), "12.5");
    EXPECT_EQ(t.GetDouble(rows.dbl), 12.5);
    EXPECT_EQ(t.GetInt(rows.dbl), 12);
    EXPECT_EQ(Str(t.GetString(rows.amount)), "-15");
    EXPECT_EQ(Str(t.GetString(rows.big)), "9000000000");
    // Beyond 32 bits: the integer readers fail instead of wrapping; the whole number is kept.
    EXPECT_THROW(t.GetInt(rows.big), XException);
    EXPECT_THROW(t.GetLong(rows.big), XException);
    EXPECT_EQ(t.GetWholeNumber(rows.big), 9000000000LL);
    EXPECT_EQ(Bytes(t.GetBytes(rows.raw)), std::string("\x00\xFF\x10", 3));
    EXPECT_TRUE(t.GetBool(rows.flag));
    EXPECT_EQ(Str(t.GetString(rows.flag)), "True");
    EXPECT_EQ(t.GetInt(rows.flag), 1);

    // Row 3: Trimming, line breaks and the day 1900-01-01.
    rows.At(3);
    EXPECT_EQ(Str(t.GetString(rows.txt)), "  A\tB  ");
    EXPECT_EQ(Str(t.GetTrimmedString(rows.txt)), "AB");
    EXPECT_EQ(Str(t.GetSingleLineString(rows.memo)), "x  y");
    EXPECT_EQ(Str(t.GetTrimmedString(rows.memo)), "x\r\ny");
    EXPECT_EQ(t.GetDate(rows.d).GetDay(), 109573);
    EXPECT_EQ(Str(t.GetString(rows.ts)), "1900/01/01 00:00:00");
    EXPECT_EQ(t.GetTime(rows.ts).GetMs(), 0);  // midnight, not an empty time
    EXPECT_EQ(Str(t.GetString(rows.dbl)), "3");
    EXPECT_EQ(Str(t.GetString(rows.amount)), "-1.25");
    EXPECT_EQ(t.GetDouble(rows.amount), -1.25);
    EXPECT_EQ(Str(t.GetString(rows.big)), "-5");
    EXPECT_EQ(t.GetInt(rows.big), -5);
    EXPECT_FALSE(t.GetBool(rows.flag));
    EXPECT_EQ(Str(t.GetString(rows.flag)), "False");

    // Row 4: Numbers as text, times and zero.
    rows.At(4);
    EXPECT_EQ(t.GetInt(rows.txt), 0);  // "-5": a sign is not a digit
    EXPECT_EQ(t.GetInt(rows.memo), 12);
    EXPECT_EQ(t.GetTime(rows.ts).GetMs(), (14 * 3600 + 5 * 60 + 9) * 1000);
    EXPECT_EQ(Str(t.GetDateTime(rows.ts).Format("YYYY-MM-DD HH:NN:SS")), "2024-09-03 14:05:09");
    EXPECT_EQ(Str(t.GetDate(rows.d).ToISO()), "2024-09-03");
    EXPECT_EQ(Str(t.GetString(rows.d)), "2024/09/03 00:00:00");
    EXPECT_EQ(Str(t.GetString(rows.dbl)), "0");
    EXPECT_FALSE(t.GetBool(rows.dbl));
    EXPECT_EQ(Str(t.GetString(rows.amount)), "0");
    EXPECT_TRUE(t.IsNull(rows.flag));
}

TEST(RecordReaders, LongTextIsReadWholeAndInChunks)
{
    TypeRows rows;
    rows.At(5);
    TestTask& t = rows.task;
    const std::string expected = readertest::LongText();
    EXPECT_EQ(Str(t.GetString(rows.memo)), expected);
    EXPECT_EQ(Bytes(t.GetBytes(rows.memo)), expected);
    EXPECT_EQ(t.GetDouble(rows.txt), 1.5);
    EXPECT_EQ(t.GetInt(rows.txt), 0);
    EXPECT_EQ(Str(t.GetString(rows.dbl)), "100");
    EXPECT_EQ(Str(t.GetString(rows.amount)), "1234.5");
    EXPECT_EQ(t.GetDate(rows.d).GetDay(), 109572);
    EXPECT_EQ(t.GetTime(rows.ts).GetMs(), 0);
    EXPECT_FALSE(t.MoveNext());
    EXPECT_FALSE(t.MoveNext());  // past the end stays false
}

TEST(RecordReaders, ColumnsByPosition)
{
    TypeRows rows;
    rows.At(4);
    // A field created after the query ran lies beyond the result: the driver layer's error.
    ODBCField* extra = rows.task.AddField(rows.table, "txt");
    EXPECT_THROW(rows.task.GetString(extra), ado::ComError);
}

TEST(RecordReaders, GetFieldChecksTablesAndColumns)
{
    UseReaderSource();
    TestTask task(ODBCDataAccess::OptCheckExists, DbSybaseOdbc);
    Recorder log(task);
    task.Connect(SourceConnectionString());
    ODBCTable* codes = task.AddTable("Codes", "c", true);
    ASSERT_NE(codes, nullptr);

    EXPECT_EQ(task.GetField(nullptr, "Code", false), nullptr);
    EXPECT_TRUE(log.Has(8, "Table was NULL when searching for: Code"));
    EXPECT_THROW(task.GetField(nullptr, "Code", true), XException);

    EXPECT_EQ(task.GetField(codes, "Nope", false), nullptr);
    EXPECT_TRUE(log.Has(8, "Field does not exist : Nope in table Codes"));
    try {
        task.GetField(codes, "Nope", true);
        ADD_FAILURE() << "a required missing column must stop";
    } catch (const XException& e) {
        EXPECT_STREQ(e.GetMessage(), "Required Field does not exist : Nope in table Codes");
    }
    EXPECT_TRUE(log.Has(2, "Field does not exist : Nope in table Codes"));
    EXPECT_NE(task.GetField(codes, "title", true), nullptr);  // names in any letter case
}

TEST(VariantConversions, TextOfEveryType)
{
    TestTask task(0, DbSybaseOdbc);
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromR8(12.5))), "12.5");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromR8(3.0))), "3");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromR8(0.0))), "0");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromR8(100.0))), "100");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromR4(0.25f))), "0.25");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromR8(1.23456))), "1.2346");

    ado::Decimal minus15;
    minus15.sign = ado::Decimal::kNegative;
    minus15.lo64 = 1500;
    minus15.scale = 2;
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromDecimal(minus15))), "-15");
    EXPECT_EQ(task.VariantToInt(ado::Variant::FromDecimal(minus15)), -15);
    EXPECT_EQ(task.VariantToDouble(ado::Variant::FromDecimal(minus15)), -15.0);

    ado::Decimal minus100;
    minus100.sign = ado::Decimal::kNegative;
    minus100.lo64 = 100;
    TestTask oracle(0, DbOracleOdbc);
    EXPECT_EQ(Str(oracle.VariantToString(ado::Variant::FromDecimal(minus100))), "-100");
    EXPECT_EQ(oracle.VariantToInt(ado::Variant::FromDecimal(minus100)), -100);

    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromBool(true))), "True");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromI2(-7))), "-7");
    // Unsigned values are written whole, not read as signed or cut to 32 bits.
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromUI4(4294967295u))), "4294967295");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromI8(-9000000000LL))), "-9000000000");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromUI8(0x100000005ULL))), "4294967301");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromUI8(18446744073709551615ULL))), "18446744073709551615");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromCurrency(12345))), "");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromI1(5))), "");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::Null())), "");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromDate(2.5))), "1900/01/01 12:00:00");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromDate(0.0))), "");
    EXPECT_EQ(Str(task.VariantToString(ado::Variant::FromString("Gr\xC3\xBC\xC3\x9F"
                                                                "e"))),
              "Gr\xC3\xBC\xC3\x9F"
              "e");
}

TEST(VariantConversions, NumbersAndTruth)
{
    TestTask task(0, DbSybaseOdbc);
    EXPECT_EQ(task.VariantToInt(ado::Variant::FromI1(-5)), -5);
    EXPECT_EQ(task.VariantToInt(ado::Variant::FromUI2(65535)), 65535);
    EXPECT_EQ(task.VariantToInt(ado::Variant::FromR8(-2.9)), -2);
    // A value beyond 32 bits fails the 32-bit conversion instead of saturating or wrapping.
    EXPECT_THROW(task.VariantToInt(ado::Variant::FromR8(1e12)), XException);
    EXPECT_THROW(task.VariantToInt(ado::Variant::FromI8(4294967306LL)), XException);
    EXPECT_THROW(task.VariantToInt(ado::Variant::FromUI4(4294967295u)), XException);
    EXPECT_THROW(task.VariantToInt(ado::Variant::FromString("4294967306")), XException);
    EXPECT_EQ(task.VariantToWholeNumber(ado::Variant::FromI8(4294967306LL)), 4294967306LL);
    EXPECT_EQ(task.VariantToWholeNumber(ado::Variant::FromString("4294975301")), 4294975301LL);
    EXPECT_EQ(task.VariantToInt(ado::Variant::FromI8(-2147483648LL)), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(task.VariantToInt(ado::Variant::FromString("12")), 12);
    EXPECT_EQ(task.VariantToInt(ado::Variant::FromString(" 12")), 0);
    EXPECT_EQ(task.VariantToInt(ado::Variant::FromString("")), 0);
    EXPECT_EQ(task.VariantToLong(ado::Variant::FromBool(true)), 1);
    EXPECT_EQ(task.VariantToInt(ado::Variant::FromCurrency(50000)), 0);

    EXPECT_EQ(task.VariantToDouble(ado::Variant::FromString("1.5")), 1.5);
    EXPECT_EQ(task.VariantToDouble(ado::Variant::FromString("-1.5")), 0.0);
    EXPECT_EQ(task.VariantToDouble(ado::Variant::FromString("1.2.3")), 0.0);
    EXPECT_EQ(task.VariantToDouble(ado::Variant::FromCurrency(12345678)), 1234.5678);
    EXPECT_EQ(task.VariantToFloat(ado::Variant::FromCurrency(12345678)), 0.0f);
    EXPECT_EQ(task.VariantToDouble(ado::Variant::FromUI4(4294967295u)), 4294967295.0);
    EXPECT_EQ(task.VariantToFloat(ado::Variant::FromI2(-3)), -3.0f);

    EXPECT_TRUE(task.VariantToBool(ado::Variant::FromR8(std::nan(""))));
    EXPECT_FALSE(task.VariantToBool(ado::Variant::FromR8(0.0)));
    EXPECT_TRUE(task.VariantToBool(ado::Variant::FromString("false")));
    EXPECT_FALSE(task.VariantToBool(ado::Variant::FromString("0")));
    EXPECT_FALSE(task.VariantToBool(ado::Variant::FromString("")));
    EXPECT_TRUE(task.VariantToBool(ado::Variant::FromI8(1LL << 40)));
    EXPECT_FALSE(task.VariantToBool(ado::Variant::FromDate(5.0)));
}
