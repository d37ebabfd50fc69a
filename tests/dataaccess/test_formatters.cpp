// The output-column formatters on real rows, written through WriteTable and compared byte for byte.

#include "DaTestSupport.h"
#include "ReaderSource.h"
#include "ValueText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

using datest::Recorder;
using datest::TestTask;

namespace {

// A task that can make one of its output columns current, as the writer does for each field.
class FormatTask : public TestTask
{
public:
    FormatTask() : TestTask(0, DbSybaseOdbc) {}

    XString Call(size_t column, ValueOperation op)
    {
        m_currentColumn = &m_columns.at(column);
        const XString text = (this->*op)();
        m_currentColumn = nullptr;
        return text;
    }
};

template <class F> PDEWriter::ValueOperation Op(F f)
{
    return DataAccessBase::AsValueOperation(f);
}

}  // namespace

// The formatters that the extractors use, on real rows.
TEST(Formatters, EveryWrittenFormatterOnRealRows)
{
    readertest::UseReaderSource();
    FormatTask task;
    Recorder log(task);
    readertest::TempFolder temp("vh-format");
    const std::string& folder = temp.path;
    task.SetOutputFolder(folder.c_str());
    task.Connect(readertest::SourceConnectionString());

    task.StartOutputTable("Format Sample", "FormatSample.pef", false);
    ODBCTable* t = task.AddTable("FormatSample", "f", true);
    struct Column
    {
        const char* name;
        PDEWriter::ValueOperation op;
    };
    const Column columns[] = {
        {"id", Op(&DataAccessBase::FormatInt)},        {"txt", Op(&DataAccessBase::FormatText)},
        {"txt", Op(&DataAccessBase::FormatZeroBlank)}, {"txt", Op(&DataAccessBase::FormatCategoryWord)},
        {"txt", Op(&DataAccessBase::FormatPrefixGS)},  {"txt", Op(&DataAccessBase::FormatYN)},
        {"amount", Op(&DataAccessBase::FormatMoney)},  {"d", Op(&DataAccessBase::FormatDate)},
        {"ts", Op(&DataAccessBase::FormatTime)},       {"f", Op(&DataAccessBase::FormatFloat)},
        {"flag", Op(&DataAccessBase::FormatYesNo)},    {"phone", Op(&DataAccessBase::FormatPhoneNumber)},
    };
    ODBCField* id = nullptr;
    for (const Column& c : columns) {
        ODBCField* field = task.AddFieldColumn(t, c.name, c.op, c.name, true);
        if (!id)
            id = field;
    }
    task.AddFieldColumn(nullptr, "Calendar", nullptr, "CalName", false, 1);
    task.AddOrder(id);

    EXPECT_EQ(task.WriteTable(nullptr, XString()), 7);

    const std::string expected =
        "1\tLunch  Room\tLunch  Room\tLunch  Room\tgs_Lunch  Room\t\t$-12.50\t\t9:05:07 "
        "AM\t2.500000\tYes\t555 123-4567 x12\tCalendar\r\n"
        "2\t0\t\t0\tgs_0\tN\t$1234.50\t12/31/1899\t12:00:00 AM\t0.000000\tNo\tN/A\tCalendar\r\n"
        "3\tN/A\tN/A\tN/A\tgs_N/A\t\t$0.00\t01/01/1900\t\t99.500000\tNo\t12345\tCalendar\r\n"
        "4\tYES\tYES\tYES\tgs_YES\tY\t$0.00\t\t1:30:00 PM\t0.000000\tYes\t555 123-4567\tCalendar\r\n"
        "5\tlunchroom\tlunchroom\tlunchroom\tgs_lunchroom\t\t$0.13\t01/01/"
        "1600\t\t-0.500000\tNo\t\tCalendar\r\n"
        "6\tn\tn\tn\tgs_n\tN\t$3.00\t02/29/2024\t\t1.000000\tYes\t\tCalendar\r\n"
        "7\tLUNCH\tLUNCH\tlunch\tgs_LUNCH\t\t$0.00\t\t\t0.000000\tNo\t\tCalendar\r\n";
    EXPECT_EQ(vhtest::ReadBytes(folder + "/FormatSample.pef"), expected);
    // Numbers the phone formatter cannot read are kept and reported at level 7.
    EXPECT_TRUE(
        log.Has(7, "Phone number: 12345, cannot parse into right format.  This means that the phone number "
                   "in your database is not in phone number format."));
    EXPECT_TRUE(
        log.Has(7, "Phone number: N/A, cannot parse into right format.  This means that the phone number "
                   "in your database is not in phone number format."));
    task.EndOutputTable();
}

// The field-argument formatters that the extractors use, and formatters without a current column.
TEST(Formatters, FieldArgumentsAndNoCurrentColumn)
{
    readertest::UseReaderSource();
    FormatTask task;
    task.Connect(readertest::SourceConnectionString());
    task.StartOutputTable("Format Sample", "FormatSample.pef", false);
    ODBCTable* t = task.AddTable("FormatSample", "f", true);
    ODBCField* id = task.AddFieldColumn(t, "id", Op(&DataAccessBase::FormatInt), "id", true);
    task.AddFieldColumn(t, "txt", Op(&DataAccessBase::FormatText), "txt", true);
    ODBCField* d = task.AddFieldColumn(t, "d", Op(&DataAccessBase::FormatDate), "d", true);
    task.AddOrder(id);
    ASSERT_TRUE(task.OpenTable(true));
    ASSERT_TRUE(task.MoveFirst());

    // Row 1: the zero DATE (1899-12-30) reads as no date.
    EXPECT_EQ(Str(task.Call(1, Op(&DataAccessBase::FormatNoLineBreaks))), "Lunch  Room");
    EXPECT_EQ(Str(task.Call(1, Op(&DataAccessBase::FormatNoTabs))), "Lunch  Room");
    EXPECT_EQ(Str(task.FormatDateBlankNull(d)), "");
    EXPECT_EQ(Str(task.FormatDateBlank1900(d)), "");
    ASSERT_TRUE(task.MoveNext());  // row 2: 1899-12-31
    EXPECT_EQ(Str(task.FormatDateBlankNull(d)), "12/31/1899");
    ASSERT_TRUE(task.MoveNext());  // row 3: 1900-01-01
    EXPECT_EQ(Str(task.FormatDateBlank1900(d)), "");
    EXPECT_EQ(Str(task.FormatDateBlank1900(nullptr)), "");

    // Without a current column: empty texts, and the stated value of the flag formatter.
    EXPECT_EQ(Str(task.FormatText()), "");
    EXPECT_EQ(Str(task.FormatMoney()), "");
    EXPECT_EQ(Str(task.FormatYesNo()), "No");
}

TEST(Formatters, TextRulesWithoutFields)
{
    TestTask task(0, DbSybaseOdbc);
    EXPECT_EQ(Str(task.ZeroBlankText("0")), "");
    EXPECT_EQ(Str(task.ZeroBlankText("00")), "00");
    EXPECT_EQ(Str(task.NoTabsText("a\tb\r\nc")), "a b  c");
    for (const char* yes : {"yes", "TRUE", "Y", "1"})
        EXPECT_EQ(Str(DataAccessBase::NormalizeYesNo(yes)), "Yes") << yes;
    for (const char* no : {"NO", "False", "n", "0"})
        EXPECT_EQ(Str(DataAccessBase::NormalizeYesNo(no)), "No") << no;
    EXPECT_EQ(Str(DataAccessBase::NormalizeYesNo("maybe")), "maybe");
    EXPECT_EQ(Str(DataAccessBase::NormalizeYesNo("")), "");
}

TEST(Formatters, QuickTextsMatchTheGeneralFormatting)
{
    XString quick;
    for (int32_t day = 0; day < 3000000; day += 997) {
        const XDate date(day);
        for (const char* pattern : {"mm/dd/yyyy", "MM/DD/YYYY", "Mm/dD/yYyY"}) {
            if (valuetext::DefaultDate(date, pattern, quick)) {
                EXPECT_EQ(Str(quick), Str(date.Format(pattern))) << day;
            }
        }
    }
    EXPECT_TRUE(valuetext::DefaultDate(XDate(109573), "mm/dd/yyyy", quick));
    EXPECT_FALSE(valuetext::DefaultDate(XDate(), "mm/dd/yyyy", quick));
    EXPECT_FALSE(valuetext::DefaultDate(XDate(109573), "yyyy-mm-dd", quick));

    for (int32_t ms = 0; ms < XTime::MsPerDay; ms += 61007) {
        const XDateTime value(XDate(154000 + ms % 5000), XTime(ms));
        ASSERT_TRUE(valuetext::DefaultDateTime(value, "mm/dd/yyyy HH:NN:SS AA", quick));
        EXPECT_EQ(Str(quick), Str(value.Format("mm/dd/yyyy HH:NN:SS AA"))) << ms;
    }
    for (int hour : {0, 9, 11, 12, 13, 23}) {
        const XDateTime value(XDate(154000), XTime(hour * 3600000 + 59 * 1000));
        ASSERT_TRUE(valuetext::DefaultDateTime(value, "MM/DD/YYYY HH:NN:SS AA", quick));
        EXPECT_EQ(Str(quick), Str(value.Format("MM/DD/YYYY HH:NN:SS AA"))) << hour;
    }
    EXPECT_FALSE(
        valuetext::DefaultDateTime(XDateTime(XDate(154000), XTime()), "mm/dd/yyyy HH:NN:SS AA", quick));

    EXPECT_EQ(Str(valuetext::Real(-0.5)), "-0.5");
    EXPECT_EQ(Str(valuetext::Real(1e20)), "100000000000000000000");
    EXPECT_EQ(Str(valuetext::Real(0.00004)), "0");
    EXPECT_EQ(Str(valuetext::Integer(-9223372036854775807LL - 1)), "-9223372036854775808");
}

TEST(Formatters, FixedMatchesPrintfOnTiesAndBoundaries)
{
    // Exact binary ties and values whose decimal text looks like a tie; both signs below.
    std::vector<double> values = {0.5,   1.5,   2.5,      0.125, 0.375,       1.005,
                                  2.675, 0.045, 4999.995, 0.995, 9.9999999995};
    // Tiny and large magnitudes, around 2^53 and 2^64; then a spread of cents and quarter-cents.
    values.insert(values.end(), {5e-324, 1e-300, 4503599627370495.5, 9007199254740991.0, 9007199254740992.0,
                                 18446744073709551616.0, 1e300});
    for (int i = -300000; i <= 300000; i += 7)
        values.push_back(i / 100.0 + i / 8.0 / 1000.0);
    char expected[400];
    for (double v : values) {
        for (double signedValue : {v, -v}) {
            for (int decimals = 0; decimals <= 10; ++decimals) {
                std::snprintf(expected, sizeof expected, "%.*f", decimals, signedValue);
                ASSERT_EQ(Str(valuetext::Fixed(signedValue, decimals)), expected)
                    << signedValue << " " << decimals;
            }
            std::snprintf(expected, sizeof expected, "%.4f", signedValue);
            std::string trimmed = expected;
            trimmed.erase(trimmed.find_last_not_of('0') + 1);
            if (trimmed.back() == '.')
                trimmed.pop_back();
            ASSERT_EQ(Str(valuetext::Real(signedValue)), trimmed) << signedValue;
        }
    }
}
