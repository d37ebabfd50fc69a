#include "ODBCDataAccess.h"

// Columns, conditions and orders of the query being described, and its SQL text.

DataAccessField* DataAccessBase::AddFieldColumn(DataAccessTable* table, const XString& name,
                                                ValueOperation converter, bool required, int command)
{
    DataAccessField* field = nullptr;
    if (table) {
        field = GetField(table, name, required);
        if (!field)
            return nullptr;
    }
    AddColumn(field, name, converter, command);
    return field;
}

DataAccessField* DataAccessBase::AddFieldColumnWithHeader(DataAccessTable* table, const XString& name,
                                                          ValueOperation converter, const char* title,
                                                          bool required, const char* customName,
                                                          const char* customCaption, const char* marker,
                                                          const char* format, int command)
{
    DataAccessField* field = nullptr;
    if (table) {
        field = GetField(table, name, required);
        if (!field)
            return nullptr;
    }
    AddColumn(field, name, converter, command);
    AddHeaderField(title, customName, customCaption, marker, format);
    return field;
}

ODBCTable* ODBCDataAccess::AddTable(const XString& name, const XString& alias, bool required,
                                    const XString& qualifiedName)
{
    if ((m_options & OptCheckExists) && !DoTableExists(name)) {
        const XString text = XString("Table does not exist : ") + name;
        if (required)
            LogAndThrow(2, text, "ODBCDataAccess::AddTable");
        LogMessage(8, text, "ODBCDataAccess::AddTable");
        return nullptr;
    }
    return m_query.AddTable(name, alias, qualifiedName);
}

ODBCField* ODBCDataAccess::AddFieldColumn(ODBCTable* table, const XString& name, ValueOperation converter,
                                          const char* title, bool required, int command)
{
    return static_cast<ODBCField*>(DataAccessBase::AddFieldColumnWithHeader(
        table, name, converter, title, required, nullptr, nullptr, nullptr, nullptr, command));
}

ODBCField* ODBCDataAccess::AddFieldColumnWithHeader(ODBCTable* table, const XString& name,
                                                    ValueOperation converter, const char* title,
                                                    bool required, const char* customName,
                                                    const char* customCaption, const char* marker,
                                                    const char* format, int command)
{
    return static_cast<ODBCField*>(DataAccessBase::AddFieldColumnWithHeader(
        table, name, converter, title, required, customName, customCaption, marker, format, command));
}

void ODBCDataAccess::AddCondition(const XString& conjunction, ODBCField* field, const XString& op,
                                  const XString& value, int32_t group)
{
    if (!field)
        LogAndThrow(2, "Primary field NULL in XODBC::AddCondition.", "ODBCDataAccess::AddCondition");
    m_query.AddCondition(conjunction, field, op, nullptr, value, group);
}

void ODBCDataAccess::AddJoinCondition(const XString& conjunction, ODBCField* left, const XString& op,
                                      ODBCField* right, int32_t group)
{
    if (!left || !right) {
        XString text("Cannot continue: ");
        if (left) {
            text += "Primary field is ";
            text += left->Name();
            text += "; ";
        } else {
            text += "Primary field is NULL; ";
        }
        if (right) {
            text += "Secondary field is ";
            text += right->Name();
            text += "; ";
        } else {
            text += "Secondary field is NULL";
        }
        LogAndThrow(2, text, "ODBCDataAccess::AddCondition");
    }
    m_query.AddCondition(conjunction, left, op, right, XString(), group);
}

void ODBCDataAccess::AddRawCondition(const XString& conjunction, const XString& text, int32_t group)
{
    m_query.AddCondition(conjunction, nullptr, text, nullptr, XString(), group);
}

ODBCField* ODBCDataAccess::AddCalculatedField(const XString& prefix, ODBCField* base, const XString& suffix,
                                              const XString& alias)
{
    if (!base) {
        LogMessage(4, "Field NULL in ODBC::AddCalculatedField.", "ODBCDataAccess::AddCalculatedField");
        return nullptr;
    }
    ODBCField* field = m_query.AddField(base->Table(), base->Name());
    field->SetPrefix(prefix);
    field->SetSuffix(suffix);
    field->SetAlias(alias);
    return field;
}

void ODBCDataAccess::AddOrder(ODBCField* field, bool descending)
{
    if (!field) {
        LogMessage(4, "Field NULL in ODBC::AddOrder.", "ODBCDataAccess::AddOrder");
        return;
    }
    m_query.AddOrder(field, descending);
}

void ODBCDataAccess::ClearQuery()
{
    m_query.Clear();
    // The change-date field and the window conditions went with the model.
    m_changeDateField = nullptr;
    m_filterConditionCount = 0;
}

SqlBuilder::LogFn ODBCDataAccess::BuilderLog()
{
    return [this](int level, const XString& text, const XString& method) { LogMessage(level, text, method); };
}

XString ODBCDataAccess::BuildQuery()
{
    return SqlBuilder(m_query, m_dbType, m_distinct, m_dataSource, BuilderLog()).BuildQuery();
}

XString ODBCDataAccess::BuildAnsiJoinQuery()
{
    return SqlBuilder(m_query, m_dbType, m_distinct, m_dataSource, BuilderLog()).BuildAnsiJoinQuery();
}
