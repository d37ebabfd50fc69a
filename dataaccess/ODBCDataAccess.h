#pragma once

// ODBCDataAccess: the database layer over the ADO-style connection.

#include "DataAccessBase.h"
#include "DatabaseTypes.h"
#include "ODBCCondition.h"
#include "ODBCField.h"
#include "ODBCOrder.h"
#include "ODBCTable.h"
#include "QueryModel.h"
#include "SqlBuilder.h"

#include "ComError.h"
#include "Connection.h"
#include "Field.h"
#include "Recordset.h"
#include "Variant.h"

#include "XException.h"

#include <cstdint>
#include <memory>

// The database layer over the ADO-style connection: the database types, the connection, the
// query model with its SQL builders, query execution and the readers of the current record.
class ODBCDataAccess : public DataAccessBase
{
public:
    // Bits of the options word.
    enum Options : uint32_t
    {
        OptCheckExists = 2,   // AddTable and GetField check the catalogue first
        OptReadByName = 4,    // readers find a column by name, not by position
        OptForwardOnly = 8,   // recordsets are opened forward-only, not static
        OptPessimistic = 16,  // recordsets are opened with pessimistic locking, not read-only
        OptExclusive = 32,    // the connection is opened exclusive (mode 12), not read-only (mode 1)
        OptLogColumns = 64,   // a missing column also logs the columns of its table
        OptCatalogue = 128
    };

    // Results of RunQuery and ExecuteQuery other than 0; every other failure is thrown.
    enum RetryCode : int32_t
    {
        RetryConnectionLost = 1629,  // "ORA-03135" or "ORA-03113"
        RetryTimeout = 12170         // "ORA-12170"
    };

    ODBCDataAccess(uint32_t options, int32_t dbType);
    ~ODBCDataAccess() override;

    // ---- overrides of the writer ----
    void FilterAttendance(const XDate& first, const XDate& last) override;
    void ClearAttendanceFilter() override;
    bool MoveFirst() override;
    bool MoveNext() override;
    void ClearQuery() override;
    XString BuildQuery() override;
    void Finish() override;

    // ---- overrides of the data-access base ----
    bool TryExecuteQuery() override;
    int32_t ExecuteQuery() override;
    void Reconnect() override;
    void CloseQuery() override;
    int32_t GetRecordCount() override;

    ODBCField* GetField(DataAccessTable* table, const XString& name, bool required) override;
    ODBCField* AddField(DataAccessTable* table, const XString& name) override;

    XString GetString(DataAccessField* field) override;
    XString GetTrimmedString(DataAccessField* field) override;
    XString GetSingleLineString(DataAccessField* field) override;
    XBuffer GetBytes(DataAccessField* field) override;
    XDate GetDate(DataAccessField* field) override;
    XDateTime GetDateTime(DataAccessField* field) override;
    XTime GetTime(DataAccessField* field) override;
    int32_t GetInt(DataAccessField* field) override;
    int32_t GetLong(DataAccessField* field) override;
    int64_t GetWholeNumber(DataAccessField* field) override;
    float GetFloat(DataAccessField* field) override;
    double GetDouble(DataAccessField* field) override;
    bool GetBool(DataAccessField* field) override;
    XString GetBoolDigit(DataAccessField* field) override;
    bool IsNull(DataAccessField* field) override;

    // ---- own virtual operations ----
    virtual XString GetStringZeroBlank(DataAccessField* field);
    virtual XString GetStringNABlank(DataAccessField* field);
    virtual XString GetSingleLineZeroBlank(DataAccessField* field);
    virtual XDate GetDateOrNull(DataAccessField* field);
    virtual XString BuildConnectionString(const XString& dataSource, const XString& user,
                                          const XString& password);
    // The SQL literal of a date; type 0 means the current type.
    virtual XString SQLDate(const XDate& date, int32_t type = 0);
    virtual int32_t RunQuery(const XString& sql);
    virtual bool TryTrialQuery(const XString& sql);

    // ---- database types ----
    const char* GetDBTypeName() const;
    // True when the catalogue query ran and found the table or column; a check that could not be
    // made (a lost connection, a query the source refuses) is fatal.
    bool DoTableExists(const XString& table);
    bool DoFieldExists(const XString& table, const XString& column);
    // Writes every table and column of the source to the log; may throw.
    void LogSchema();
    // Name of the ADO data type of a column of the open recordset.
    const char* GetDataTypeName(int32_t column);

    // ---- connection ----
    void Connect(const XString& connectionString);
    void Disconnect();
    bool IsConnected() const;
    // Connects when needed, checks the table and disconnects again when it connected and
    // keepOpen is false.
    bool ConnectAndCheckTable(const XString& connectionString, const XString& table, bool keepOpen);
    // Starts the writer, connects and logs the schema when the parameter "logSchema" is "true".
    void StartWithSchemaLog(const XString& connectionString, bool keepConnection);

    // ---- query model ----
    // Null for a table that the catalogue lacks under OptCheckExists (fatal when required).
    ODBCTable* AddTable(const XString& name, const XString& alias, bool required,
                        const XString& qualifiedName = XString());
    ODBCField* AddFieldColumn(ODBCTable* table, const XString& name, ValueOperation converter,
                              const char* title, bool required = false, int command = 0);
    ODBCField* AddFieldColumnWithHeader(ODBCTable* table, const XString& name, ValueOperation converter,
                                        const char* title, bool required, const char* customName,
                                        const char* customCaption, const char* marker, const char* format,
                                        int command = 0);
    void AddCondition(const XString& conjunction, ODBCField* field, const XString& op, const XString& value,
                      int32_t group = 0);
    void AddJoinCondition(const XString& conjunction, ODBCField* left, const XString& op, ODBCField* right,
                          int32_t group = 0);
    void AddRawCondition(const XString& conjunction, const XString& text, int32_t group = 0);
    ODBCField* AddCalculatedField(const XString& prefix, ODBCField* base, const XString& suffix,
                                  const XString& alias);
    void AddOrder(ODBCField* field, bool descending = false);
    XString BuildAnsiJoinQuery();

    // ---- query execution ----
    std::unique_ptr<ado::Recordset> CreateRecordset(const XString& sql);
    // The connection's error list followed by the error's code, meaning, source and description;
    // logged at level 8. Passwords are masked.
    XString GetComErrorText(ado::Connection* connection, const ado::ComError& error);
    XException MakeComException(ado::Connection* connection, const ado::ComError& error);
    static int32_t ClassifyOracleError(const XString& text);

    // ---- record readers ----
    ado::Field* GetAdoField(DataAccessField* field);
    int32_t GetFieldCount();
    XString GetFieldName(int32_t column);
    void LogTableColumns(ODBCTable* table);
    XString VariantToString(const ado::Variant& value);
    int32_t VariantToInt(const ado::Variant& value);
    int32_t VariantToLong(const ado::Variant& value);
    // The integer conversion without the 32-bit limit; throws when the value has no 64-bit form.
    int64_t VariantToWholeNumber(const ado::Variant& value);
    float VariantToFloat(const ado::Variant& value);
    double VariantToDouble(const ado::Variant& value);
    bool VariantToBool(const ado::Variant& value);
    // UTF-16 text (length -1: up to the terminator) into 8-bit text; null gives the empty text.
    static void AssignWideString(XString& target, const char16_t* text, int length, unsigned codePage);
    static const char* FieldStatusText(long status);

    // ---- masking ----
    // The text with every password value masked: the values after the password keys and every
    // occurrence of the passwords of the stored connection string and the settings.
    XString MaskSecrets(const XString& text) const;

    // ---- state ----
    uint32_t GetOptions() const { return m_options; }
    int32_t GetDatabaseType() const { return m_dbType; }
    void SetDatabaseType(int32_t type) { m_dbType = type; }
    bool IsDistinct() const { return m_distinct; }
    void SetDistinct(bool distinct) { m_distinct = distinct; }
    bool IsAnsiJoin() const { return m_ansiJoin; }
    void SetAnsiJoin(bool ansiJoin) { m_ansiJoin = ansiJoin; }
    // Table names carry the schema prefix "VH." (found by the connection search).
    bool UsesSchemaPrefix() const { return m_schemaPrefix; }
    void SetUseSchemaPrefix(bool prefix) { m_schemaPrefix = prefix; }
    const XString& GetConnectionString() const { return m_connectionString; }
    bool GetKeepConnection() const { return m_keepConnection; }
    const QueryModel& GetQueryModel() const { return m_query; }
    ODBCField* GetChangeDateField() const { return m_changeDateField; }
    void SetChangeDateField(ODBCField* field) { m_changeDateField = field; }
    ado::Connection* GetConnection() const { return m_connection.get(); }
    ado::Recordset* GetRecordset() const { return m_recordset.get(); }

protected:
    // Log sink of the SQL builders.
    SqlBuilder::LogFn BuilderLog();

    // Called by RunQuery just before the recordset opens; an ado::ComError thrown here counts as a
    // failure of the statement. Does nothing here (a test uses it to drop the connection).
    virtual void OnRecordsetOpening(const XString& sql);
    // Reads the value of the field at the current record into value; false for a missing field or
    // database type 2. A read failure throws XException with the field status (a date overflow
    // gives an empty value when dateRead is set).
    bool ReadValue(DataAccessField* field, ado::Variant& value, bool dateRead);

    uint32_t m_options;
    int32_t m_dbType;
    bool m_distinct = false;
    bool m_ansiJoin = false;
    XString m_connectionString;
    XString m_wholeTableStatement;    // "SELECT * FROM %s"
    XString m_singleColumnStatement;  // "SELECT %s FROM %s"
    bool m_keepConnection = false;
    std::unique_ptr<ado::Connection> m_connection;
    std::unique_ptr<ado::Recordset> m_recordset;
    QueryModel m_query;
    ODBCField* m_changeDateField = nullptr;  // borrowed from the query model
    int32_t m_filterConditionCount = 0;      // conditions added by the last FilterAttendance
    bool m_schemaPrefix = false;

private:
    // Runs a catalogue query on a recordset of its own and judges it; throws XException when a
    // query of the catalogue fails.
    bool JudgeCatalogueQuery(const CatalogueQuery& query, bool reportSteps);
    // The table check without its error line: throws XException when the check fails.
    bool CheckTableExists(const XString& table);

    ado::Variant m_textValue;  // GetString's value, whose text storage is reused record after record
};
