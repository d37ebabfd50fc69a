// The extractor toolkit: one output table described column by column, ended however it ends.
#pragma once

#include "ExpEngine.h"
#include "XTextFile.h"

// One output column, described by named setters instead of positional texts.
//   Col("Room_Number").Out("RoomKey").Req()          written with FormatText, required
//   Col("SchoolID").Req().Into(&Handles::schoolId)   read only, kept in a column handle
//   Col("Start_Time").Out("BellTimeStart", &ExpEngine::TimeOfDayText)
class Col
{
public:
    using Converter = XString (ExpEngine::*)();
    using Handle = ODBCField* ExpEngine::ColumnHandles::*;

    // A column of a source table.
    explicit Col(const char* source) : m_source(source) {}

    // Written under the title with the default text formatter (unless a converter is set).
    Col& Out(const char* title)
    {
        m_title = title;
        return *this;
    }
    // Written under the title with the converter.
    Col& Out(const char* title, Converter op)
    {
        m_title = title;
        m_converter = op;
        return *this;
    }
    // Read with a converter but written without a title (lookup builders).
    Col& Convert(Converter op)
    {
        m_converter = op;
        return *this;
    }
    Col& Req(bool required = true)
    {
        m_required = required;
        return *this;
    }
    Col& Into(Handle handle)
    {
        m_handle = handle;
        return *this;
    }
    // A custom-field line for the import program beside the column.
    Col& Custom(const char* name, const char* caption, const char* marker, const char* format)
    {
        m_customName = name;
        m_customCaption = caption;
        m_marker = marker;
        m_format = format;
        return *this;
    }

    const char* source() const { return m_source; }
    const char* title() const { return m_title; }
    Converter converter() const;
    bool required() const { return m_required; }
    Handle handle() const { return m_handle; }
    const char* customName() const { return m_customName; }
    const char* customCaption() const { return m_customCaption; }
    const char* marker() const { return m_marker; }
    const char* format() const { return m_format; }

private:
    const char* m_source;
    const char* m_title = nullptr;
    Converter m_converter = nullptr;
    bool m_required = false;
    Handle m_handle = nullptr;
    const char* m_customName = nullptr;
    const char* m_customCaption = nullptr;
    const char* m_marker = nullptr;
    const char* m_format = nullptr;
};

// One output table of the engine from start to end. The destructor ends the table when the
// extractor did not, clears the DISTINCT and ANSI-join flags and, through the end of the table,
// the column handles.
class TableExtract
{
public:
    using Converter = Col::Converter;
    using Filter = bool (ExpEngine::*)();

    TableExtract(ExpEngine& engine, const char* title, const char* fileName, bool safeInclude = false);
    // May throw when the table cannot be finished (never while unwinding).
    virtual ~TableExtract() noexcept(false);
    TableExtract(const TableExtract&) = delete;
    TableExtract& operator=(const TableExtract&) = delete;

    // A source table (not required), qualified with the schema prefix when the connection
    // search chose it. Null when the source lacks it.
    ODBCTable* Source(const char* name, const char* alias);
    // A source table that must exist: a missing one ends the run.
    ODBCTable* RequiredSource(const char* name, const char* alias);
    // When a source table is missing: logs the message at level 7, ends the table and answers
    // true. The caller returns then.
    bool Missing(const char* message);

    // A column of a table; null when an optional column is missing from the source.
    ODBCField* Add(ODBCTable* table, const Col& column);
    // A column without a source column: the converter builds the text.
    void Computed(const char* title, Converter converter);
    // A column that writes the same text on every line.
    void Constant(const char* title, const char* value);
    // The same with a custom-field line: the column's source text is the value.
    void Constant(const Col& column);

    // Conditions joined with "AND" in group 0 unless told otherwise.
    void Where(ODBCField* field, const XString& value, const char* op = "=", int group = 0);
    // A condition joined with the given word ("OR" and the like).
    void Condition(const char* conjunction, ODBCField* field, const XString& value, const char* op = "=",
                   int group = 0);
    // The run's enrolled students: status 0, or 0 or 1 when an inactive date is given.
    void WhereEnrolled(ODBCField* status);
    // The text value in single quotes (quotes inside doubled).
    void WhereText(ODBCField* field, const XString& text, const char* op = "=", int group = 0);
    void WhereSchool(ODBCField* field);
    // Only when the current school year is known.
    void WhereYear(ODBCField* field);
    void Join(ODBCField* left, ODBCField* right, const char* op = "=", int group = 0);
    void Raw(const XString& text, const char* conjunction = "AND", int group = 0);
    // A missing optional column is skipped with the data layer's warning.
    void OrderBy(ODBCField* field, bool descending = false);
    void Distinct() { m_engine.SetDistinct(true); }

    // Writes the rows through the writer; answers the number of lines.
    int Write(Filter filter = nullptr, const XString& firstLine = XString());
    // Writes only when the data file does not exist yet.
    int WriteUserOwned(Filter filter, const XString& firstLine);
    // Ends the table now (the destructor does it otherwise).
    virtual void End();

    ExpEngine& engine() { return m_engine; }
    // True where the empty text is NULL (Oracle): no value ever equals or is LIKE '' there.
    bool EmptyTextIsNull() const;

protected:
    // For tables that start otherwise (their own data file).
    explicit TableExtract(ExpEngine& engine) : m_engine(engine) {}

    ExpEngine& m_engine;
    bool m_ended = false;
    bool m_missing = false;
};

// An output table whose lines the extractor writes itself into its own data file.
class FileExtract : public TableExtract
{
public:
    FileExtract(ExpEngine& engine, const char* title, const char* fileName);
    ~FileExtract() noexcept(false) override;

    // Opens the described query (a failure is fatal) and walks it: each(next) is called for every
    // record. The record's fields are read through the engine.
    template <typename Fn> int ForEachRecord(Fn each)
    {
        m_engine.OpenTable(true);
        int records = 0;
        for (bool more = m_engine.MoveFirst(); more; more = m_engine.MoveNext()) {
            each();
            ++records;
        }
        return records;
    }
    // Writes one line: the fields joined by TAB (each field kept on the line by XTextFile).
    void WriteLine(std::initializer_list<XString> fields);
    XTextFile& file() { return m_file; }
    void End() override;

private:
    XTextFile m_file;
};
