#pragma once

// An in-memory task for the writer's tests and benchmark: the database layer's operations
// served from a vector of rows (or a row generator), with every call recorded.

#include <QObject>
#include <QStringList>

#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "PDEWriter.h"
#include "StringHelpers.h"
#include "XException.h"

class FakeTask : public PDEWriter
{
public:
    typedef std::vector<XString> Row;

    FakeTask()
    {
        QObject::connect(this, &AppTaskBase::writeLog,
                         [this](int level, const QString& message, const QString& method) {
                             log << QString::number(level) + "|" + method + "|" + message;
                         });
        QObject::connect(this, &AppTaskBase::writeProgress, [this](const QString& type, int total) {
            progress << type + " " + QString::number(total);
        });
        QObject::connect(this, &AppTaskBase::writeProgressIncrement,
                         [this](const QString& text) { progress << "inc " + text; });
        QObject::connect(this, &AppTaskBase::writeProgressWarning,
                         [this](const QString& text) { progress << "warn " + text; });
    }

    // --- the database layer's operations ---
    void FilterAttendance(const XDate& first, const XDate& last) override
    {
        windows.push_back({first, last});
        windowFirst = first;
        windowLast = last;
    }
    void ClearAttendanceFilter() override
    {
        ++clearFilterCalls;
        windowFirst = windowLast = XDate();
    }
    void ExportCachedAttendance() override {}
    bool OpenTable(bool) override
    {
        ++openCalls;
        return true;
    }
    bool MoveFirst() override
    {
        cursor = 0;
        return Settle();
    }
    bool MoveNext() override
    {
        ++cursor;
        return Settle();
    }
    void ClearQuery() override { ++clearQueryCalls; }
    XString BuildQuery() override { return query; }
    XString GetDatabasePath() override { return dataSource; }

    // --- value operations and row filters ---
    // The value of the current column: the column's name is the index into the row.
    XString Value()
    {
        int index = GetCurrentColumn()->name.ToInt();
        return generator ? generator(cursor, index) : rows[cursor][index];
    }
    XString FailOnThirdRow()
    {
        if (cursor == 2)
            throw XException("disk on fire");
        return "ok";
    }
    XString FailUnknown()
    {
        if (cursor == 1)
            throw 42;
        return "ok";
    }
    XString FailStd()
    {
        if (cursor == 1)
            throw std::runtime_error("not a library error");
        return "ok";
    }
    bool SkipOdd() { return cursor % 2 == 0; }
    // The record id of an attendance row: the row's value at recordIdColumn.
    XString RecordId() { return rows[cursor][recordIdColumn]; }
    int recordIdColumn = 0;
    void ColumnCommandHook(DataAccessField*) override { ++hookCalls; }

    // Adds a column reading row index `index`; ValueColumns adds those of first to last.
    void ValueColumn(int index)
    {
        AddColumn(nullptr, XString(index), static_cast<ValueOperation>(&FakeTask::Value), 0);
    }
    void ValueColumns(int first, int last)
    {
        for (int i = first; i <= last; ++i)
            ValueColumn(i);
    }
    void Titles(std::initializer_list<const char*> titles)
    {
        for (const char* title : titles)
            AddHeaderField(title);
    }

    // --- a scripted run for BeginExecute ---
    bool Execute(ParamMap params, int mode, QString& result) override
    {
        executeParams = params;
        executeMode = mode;
        if (script)
            return script(result);
        return BridgeTaskBase::Execute(params, mode, result);
    }

    // Access to protected state for the tests.
    using PDEWriter::m_bridgeAlias;
    using PDEWriter::m_districtNumber;
    using PDEWriter::m_params;
    using PDEWriter::m_recordCounter;
    using PDEWriter::m_schoolNumber;
    using PDEWriter::m_schoolYear;

    std::vector<Row> rows;
    // Instead of rows: generator(row, column) for rowCount rows.
    std::function<XString(size_t, int)> generator;
    size_t rowCount = 0;
    // With a window filter set, rows whose date (in this column, "mm/dd/yyyy") lies outside are skipped.
    int dateColumn = -1;

    std::function<bool(QString&)> script;
    ParamMap executeParams;
    int executeMode = 0;

    XString query = "SELECT * FROM Fake";
    XString dataSource = "FakeDSN";
    size_t cursor = 0;
    XDate windowFirst, windowLast;
    std::vector<std::pair<XDate, XDate>> windows;
    int clearFilterCalls = 0, openCalls = 0, clearQueryCalls = 0, hookCalls = 0;
    QStringList log;
    QStringList progress;

private:
    size_t Count() const { return generator ? rowCount : rows.size(); }
    bool Settle()
    {
        while (cursor < Count() && dateColumn >= 0 && !windowFirst.IsEmpty()) {
            XDate day("mm/dd/yyyy", rows[cursor][dateColumn].CStr());
            if (day >= windowFirst && day <= windowLast)
                break;
            ++cursor;
        }
        return cursor < Count();
    }
};
