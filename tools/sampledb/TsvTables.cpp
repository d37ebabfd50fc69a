// Hand-made tables from tab-separated files: one file per table, named <Table>.tsv.
//
// The first line names the columns as name:kind[:size[:scale]], kind one of int, bigint,
// int64 (INTEGER on SQLite, bigint on PostgreSQL), smallint, text, longtext, date, time,
// timestamp, double, numeric (size 0: without precision), bool, blob. Each further line is a row.
// \N is NULL; \t, \r, \n and \\ stand for TAB, CR, LF and a backslash; a blob is written in
// hexadecimal. Lines starting with # are comments.
#include "SampleTables.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace sampledb {

namespace {

std::vector<std::string> Split(const std::string& line, char separator)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type end = line.find(separator, start);
        parts.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

ColumnDef ParseColumn(const std::string& text, const std::string& where)
{
    const std::vector<std::string> parts = Split(text, ':');
    static const std::pair<const char*, ColumnKind> kKinds[] = {
        {"int", ColumnKind::Integer},       {"bigint", ColumnKind::BigInt},
        {"int64", ColumnKind::WideInt},
        {"smallint", ColumnKind::SmallInt}, {"text", ColumnKind::Text},
        {"longtext", ColumnKind::LongText}, {"date", ColumnKind::Date},
        {"time", ColumnKind::Time},         {"timestamp", ColumnKind::Timestamp},
        {"double", ColumnKind::Double},     {"numeric", ColumnKind::Numeric},
        {"bool", ColumnKind::Boolean},      {"blob", ColumnKind::Blob},
    };
    if (parts.size() < 2 || parts.size() > 4)
        throw std::runtime_error(where + ": column " + text + " is not name:kind[:size[:scale]]");
    ColumnDef column{parts[0], ColumnKind::Text};
    const auto kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                   [&](const auto& k) { return parts[1] == k.first; });
    if (kind == std::end(kKinds))
        throw std::runtime_error(where + ": unknown column kind " + parts[1]);
    column.kind = kind->second;
    column.size = parts.size() > 2 ? std::stoi(parts[2]) : (column.kind == ColumnKind::Text ? 255 : 0);
    column.scale = parts.size() > 3 ? std::stoi(parts[3]) : 0;
    return column;
}

std::string Unescape(const std::string& text, const std::string& where)
{
    std::string out;
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            throw std::runtime_error(where + ": a field ends in a backslash");
        switch (text[i]) {
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            throw std::runtime_error(where + ": unknown escape \\" + text[i]);
        }
    }
    return out;
}

Value ParseValue(const std::string& field, const ColumnDef& column, const std::string& where)
{
    if (field == "\\N")
        return Value::Null();
    const std::string text = Unescape(field, where);
    try {
        switch (column.kind) {
        case ColumnKind::Integer:
        case ColumnKind::BigInt:
        case ColumnKind::WideInt:
        case ColumnKind::SmallInt:
        case ColumnKind::Boolean:
            return Value::Int(std::stoll(text));
        case ColumnKind::Double:
            return Value::Real(std::stod(text));
        case ColumnKind::Numeric: {
            // NaN, infinities and numbers beyond a double's digits go as written.
            const double real = std::stod(text);
            const auto digits =
                std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
            return std::isfinite(real) && digits <= 15 ? Value::Real(real) : Value::Str(text);
        }
        case ColumnKind::Blob: {
            if (text.size() % 2)
                throw std::runtime_error("odd number of hex digits");
            std::string bytes;
            for (std::string::size_type i = 0; i < text.size(); i += 2)
                bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
            return Value::Bytes(bytes);
        }
        default:
            return Value::Str(text);
        }
    } catch (const std::logic_error&) {
        throw std::runtime_error(where + ": " + column.name + " cannot hold " + text);
    }
}

void LoadTable(Sink& sink, const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    const std::string table = file.stem().string();
    std::vector<ColumnDef> columns;
    std::string line;
    int number = 0;
    bool begun = false;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const std::string where = file.filename().string() + ":" + std::to_string(number);
        const std::vector<std::string> fields = Split(line, '\t');
        if (columns.empty()) {
            for (const std::string& f : fields)
                columns.push_back(ParseColumn(f, where));
            sink.CreateTable(table, columns);
            sink.BeginRows(table, columns);
            begun = true;
            continue;
        }
        if (fields.size() != columns.size())
            throw std::runtime_error(where + ": " + std::to_string(fields.size()) + " fields, " +
                                     std::to_string(columns.size()) + " columns");
        Row row;
        for (std::size_t i = 0; i < fields.size(); ++i)
            row.push_back(ParseValue(fields[i], columns[i], where));
        sink.AddRow(row);
    }
    if (!begun)
        throw std::runtime_error(file.string() + " names no columns");
    sink.EndRows();
}

}  // namespace

void LoadTsvTables(Sink& sink, const std::string& folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().extension() == ".tsv")
            files.push_back(entry.path());
    }
    if (files.empty())
        throw std::runtime_error("no .tsv tables in " + folder);
    std::sort(files.begin(), files.end());
    for (const auto& file : files)
        LoadTable(sink, file);
}

}  // namespace sampledb
