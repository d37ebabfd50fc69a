// The extractor toolkit: the common steps of every output table of the engine.
#include "ExtractKit.h"

#include <exception>

#include "DatabaseTypes.h"

namespace {

PDEWriter::ValueOperation ToOperation(Col::Converter converter)
{
    return static_cast<PDEWriter::ValueOperation>(converter);
}

}  // namespace

Col::Converter Col::converter() const
{
    if (m_converter)
        return m_converter;
    return m_title ? static_cast<Converter>(&DataAccessBase::FormatText) : nullptr;
}

TableExtract::TableExtract(ExpEngine& engine, const char* title, const char* fileName, bool safeInclude)
    : m_engine(engine)
{
    m_engine.StartOutputTable(title, fileName, safeInclude);
}

TableExtract::~TableExtract() noexcept(false)
{
    m_engine.SetDistinct(false);
    m_engine.SetAnsiJoin(false);
    if (m_ended)
        return;
    if (std::uncaught_exceptions() > 0) {
        try {
            TableExtract::End();
        } catch (...) {
            // Already unwinding from the failure that matters.
        }
        return;
    }
    TableExtract::End();  // a failure here is the table's own and ends the run
}

ODBCTable* TableExtract::Source(const char* name, const char* alias)
{
    ODBCTable* table =
        m_engine.AddTable(name, alias, false, ExpEngine::QualifyTableName(name, m_engine.UsesSchemaPrefix()));
    if (!table)
        m_missing = true;
    return table;
}

ODBCTable* TableExtract::RequiredSource(const char* name, const char* alias)
{
    return m_engine.AddTable(name, alias, true,
                             ExpEngine::QualifyTableName(name, m_engine.UsesSchemaPrefix()));
}

bool TableExtract::Missing(const char* message)
{
    if (!m_missing)
        return false;
    m_engine.LogMessage(7, message);
    End();
    return true;
}

ODBCField* TableExtract::Add(ODBCTable* table, const Col& column)
{
    ODBCField* field = m_engine.AddFieldColumnWithHeader(
        table, column.source(), ToOperation(column.converter()), column.title(), column.required(),
        column.customName(), column.customCaption(), column.marker(), column.format());
    if (field && column.handle())
        m_engine.m_handles.*column.handle() = field;
    return field;
}

void TableExtract::Computed(const char* title, Converter converter)
{
    m_engine.AddFieldColumn(nullptr, title, ToOperation(converter), title);
}

void TableExtract::Constant(const char* title, const char* value)
{
    m_engine.AddFieldColumn(nullptr, value, nullptr, title, false, 1);
}

void TableExtract::Constant(const Col& column)
{
    m_engine.AddFieldColumnWithHeader(nullptr, column.source(), nullptr, column.title(), false,
                                      column.customName(), column.customCaption(), column.marker(),
                                      column.format(), 1);
}

void TableExtract::Where(ODBCField* field, const XString& value, const char* op, int group)
{
    m_engine.AddCondition("AND", field, op, value, group);
}

void TableExtract::Condition(const char* conjunction, ODBCField* field, const XString& value, const char* op,
                             int group)
{
    m_engine.AddCondition(conjunction, field, op, value, group);
}

void TableExtract::WhereEnrolled(ODBCField* status)
{
    if (m_engine.GetInactiveDate().IsEmpty()) {
        Where(status, "0");
        return;
    }
    Where(status, "0", "=", 1);
    Condition("OR", status, "1");
}

void TableExtract::WhereText(ODBCField* field, const XString& text, const char* op, int group)
{
    XString quoted("'");
    for (const char* p = text.CStr(); *p; ++p) {
        if (*p == '\'')
            quoted += '\'';
        quoted += *p;
    }
    quoted += "'";
    Where(field, quoted, op, group);
}

void TableExtract::WhereSchool(ODBCField* field)
{
    Where(field, m_engine.GetSchoolNumber());
}

void TableExtract::WhereYear(ODBCField* field)
{
    if (!m_engine.GetSchoolYear().IsEmpty())
        Where(field, m_engine.GetSchoolYear());
}

void TableExtract::Join(ODBCField* left, ODBCField* right, const char* op, int group)
{
    m_engine.AddJoinCondition("AND", left, op, right, group);
}

void TableExtract::Raw(const XString& text, const char* conjunction, int group)
{
    m_engine.AddRawCondition(conjunction, text, group);
}

void TableExtract::OrderBy(ODBCField* field, bool descending)
{
    m_engine.AddOrder(field, descending);
}

bool TableExtract::EmptyTextIsNull() const
{
    const int32_t type = m_engine.GetDatabaseType();
    return type == DbOracleOdbc || type == DbOracleOle || type == DbOracleMsdaora;
}

int TableExtract::Write(Filter filter, const XString& firstLine)
{
    return m_engine.WriteTable(static_cast<PDEWriter::RowFilter>(filter), firstLine);
}

int TableExtract::WriteUserOwned(Filter filter, const XString& firstLine)
{
    return m_engine.WriteUserOwnedTable(static_cast<PDEWriter::RowFilter>(filter), firstLine);
}

void TableExtract::End()
{
    if (m_ended)
        return;
    m_ended = true;
    m_engine.SetDistinct(false);
    m_engine.SetAnsiJoin(false);
    m_engine.EndOutputTable();
}

FileExtract::FileExtract(ExpEngine& engine, const char* title, const char* fileName)
    : TableExtract(engine), m_file('\t', "", "", "", 0)
{
    m_engine.StartOutputTableToFile(m_file, title, fileName);
}

FileExtract::~FileExtract() noexcept(false)
{
    if (m_ended)
        return;
    if (std::uncaught_exceptions() > 0) {
        // A failed walk: the unfinished data file never takes its final name.
        m_ended = true;
        m_file.Discard();
        try {
            m_engine.EndOutputTable();
        } catch (...) {
            // Already unwinding from the failure that matters.
        }
        return;
    }
    FileExtract::End();  // a failure to finish the file is the table's own and ends the run
}

void FileExtract::WriteLine(std::initializer_list<XString> fields)
{
    for (const XString& field : fields)
        m_file.WriteField(field);
    m_file.EndLine();
}

void FileExtract::End()
{
    if (m_ended)
        return;
    m_ended = true;
    m_engine.SetDistinct(false);
    m_engine.SetAnsiJoin(false);
    m_engine.EndOutputTableToFile(m_file);
}
