// Sample tables of every value type, and the rows of the speed tests.

#include "SampleTables.h"

namespace sampledb {

namespace {

// Long text over several 64 KiB chunks, with multi-byte characters on the way.
std::string LongText()
{
    std::string s;
    for (int i = 0; s.size() < 200000; ++i)
        s += "Line " + std::to_string(i) +
             ": Gr\xC3\xBC\xC3\x9F"
             "e aus Varnholm \xE2\x82\xAC\n";
    return s;
}

std::string LongBytes()
{
    std::string s;
    Random random(0xb10b);
    for (int i = 0; i < 150000; ++i)
        s.push_back(static_cast<char>(random.Next() & 0xFF));
    return s;
}

}  // namespace

void CreateTypeSamples(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"IntValue", ColumnKind::Integer},
        {"BigValue", ColumnKind::BigInt},
        {"SmallValue", ColumnKind::SmallInt},
        {"ShortText", ColumnKind::Text, 20},
        {"LongText", ColumnKind::LongText},
        {"DateValue", ColumnKind::Date},
        {"StampValue", ColumnKind::Timestamp},
        {"TimeValue", ColumnKind::Time},
        {"DoubleValue", ColumnKind::Double},
        {"NumericValue", ColumnKind::Numeric, 10, 2},
        {"Flag", ColumnKind::Boolean},
        {"Data", ColumnKind::Blob},
    };
    sink.CreateTable("TypeSamples", columns);
    sink.BeginRows("TypeSamples", columns);
    const Value null;
    sink.AddRow({Value::Int(1), Value::Int(42), Value::Int(9000000000LL), Value::Int(-7), Value::Str("Alpha"),
                 Value::Str("Short long text"), Value::Str("2024-09-03"), Value::Str("2024-09-03 08:15:30"),
                 Value::Str("08:15:30"), Value::Real(12.5), Value::Real(-15.25), Value::Int(1),
                 Value::Bytes(std::string("\x00\xFF\x10", 3))});
    sink.AddRow({Value::Int(2), Value::Int(0), Value::Int(-9000000000LL), Value::Int(0), Value::Str(""),
                 Value::Str(""), Value::Str("1899-12-30"), Value::Str("1899-12-30 00:00:00"),
                 Value::Str("00:00:00"), Value::Real(3.0), Value::Real(-1234.5), Value::Int(0),
                 Value::Bytes("")});
    sink.AddRow({Value::Int(3), null, null, null, null, null, null, null, null, null, null, null, null});
    sink.AddRow({Value::Int(4), Value::Int(-2147483647 - 1), Value::Int(1), Value::Int(32767),
                 Value::Str("  A\tB  "), Value::Str("x\r\ny"), Value::Str("1900-01-01"),
                 Value::Str("1900-01-01 12:00:00"), Value::Str("23:59:59"), Value::Real(0.0),
                 Value::Real(0.0), Value::Int(1), Value::Bytes("AB")});
    sink.AddRow({Value::Int(5), Value::Int(7), Value::Int(7), Value::Int(7),
                 Value::Str("M\xC3\xBCller \xE2\x82\xAC"), Value::Str(LongText()), Value::Str("1850-06-15"),
                 Value::Str("1850-06-15 06:00:00"), Value::Str("12:00:00"), Value::Real(100.0),
                 Value::Real(99999999.99), Value::Int(0), Value::Bytes(LongBytes())});
    sink.AddRow({Value::Int(6), Value::Int(1), Value::Int(1), Value::Int(1), Value::Str("not a date"),
                 Value::Str("text"), Value::Str("not a date"), Value::Str("2024-02-29 23:59:59.250"),
                 Value::Str("06:30:00"), Value::Real(-0.5), Value::Real(-0.01), Value::Int(1), null});
    sink.EndRows();
}

void CreateBenchRows(Sink& sink, std::int64_t rows)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"Name", ColumnKind::Text, 40},
        {"Code", ColumnKind::Text, 10},
        {"StartDate", ColumnKind::Date},
        {"Stamp", ColumnKind::Timestamp},
        {"Amount", ColumnKind::Numeric, 10, 2},
        {"Score", ColumnKind::Double},
    };
    static const char* const kNames[] = {
        "Morning attendance", "Lunch balance", "Field trip fee", "Library",
        "Bus pass",           "Music lessons", "Science kit",    "Graduation"};
    sink.CreateTable("BenchRows", columns);
    sink.BeginRows("BenchRows", columns);
    Random random(0xbe4c);
    const std::int64_t base = DaysSince1970(2014, 8, 20);
    for (std::int64_t i = 0; i < rows; ++i) {
        const std::int64_t day = base + random.Between(0, 600);
        const int seconds = random.Between(0, 86399);
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%s %02d:%02d:%02d", IsoDate(day).c_str(), seconds / 3600,
                      seconds / 60 % 60, seconds % 60);
        const std::int64_t cents = random.Between(-50000, 500000);
        sink.AddRow({Value::Int(i + 1), Value::Int(100 * random.Between(1, 3)), Value::Str(kNames[i % 8]),
                     Value::Str("C" + std::to_string(random.Between(100, 999))), Value::Str(IsoDate(day)),
                     Value::Str(stamp), Value::Real(static_cast<double>(cents) / 100.0),
                     Value::Real(random.Between(0, 10000) / 100.0)});
    }
    sink.EndRows();
}

}  // namespace sampledb
