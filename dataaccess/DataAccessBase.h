#pragma once

// DataAccessBase: the database layer shared by every database type.

#include "PDEWriter.h"

#include "DataAccessField.h"
#include "DataAccessTable.h"
#include "XBuffer.h"
#include "XDate.h"
#include "XDateTime.h"
#include "XString.h"
#include "XStringPair.h"
#include "XTextFile.h"
#include "XTime.h"
#include "XVector.h"

#include <QPair>
#include <QString>

#include <cstdint>

// The database layer of the task object: connection settings shared by every database layer,
// the output-table bracket, table opening with retries, the output-column formatters, the
// relationship map and the export of the cached attendance.
class DataAccessBase : public PDEWriter
{
public:
    DataAccessBase();
    ~DataAccessBase() override;

    // Member operations of derived classes as the writer's operation types.
    template <class C> static ValueOperation AsValueOperation(XString (C::*op)())
    {
        return static_cast<ValueOperation>(op);
    }
    template <class C> static RowFilter AsRowFilter(bool (C::*filter)())
    {
        return static_cast<RowFilter>(filter);
    }

    // ---- virtual operations, in table order ----

    // Row filter of the cached attendance export; true for every key.
    virtual bool FilterAttendanceRow(const XString& studentKey);

    // Output-column formatters. Those without a field argument read the current column's field.
    virtual XString FormatText();
    virtual XString FormatTrimmed();
    virtual XString FormatUpper();
    virtual XString FormatQuoted();
    virtual XString FormatZeroBlank();
    virtual XString ZeroBlankText(const XString& text);
    virtual XString FormatZeroAsBlank();
    virtual XString FormatNABlank();
    virtual XString FormatPhone();
    virtual XString FormatNoLineBreaks();
    virtual XString FormatNoTabs();
    virtual XString NoTabsText(const XString& text);
    virtual XString FormatMoney();
    virtual XString FormatDate();
    virtual XString FormatDateBlank1900(DataAccessField* field);
    virtual XString FormatDateBlank1900Current();
    virtual XString FormatDateBlankNull(DataAccessField* field);
    virtual XString FormatDateBlankNullCurrent();
    virtual XString FormatDateZeroBlank();
    virtual XString FormatTime();
    virtual XString FormatDateTime();
    virtual XString FormatDateTimeAsDate();
    virtual XString FormatInt();
    virtual XString FormatIntZeroBlank();
    virtual bool GetBoolOf(DataAccessField* field);
    virtual XString YesNoText(bool value);
    virtual XString FormatYesNo();
    virtual XString FormatNoYes();
    virtual XString FormatNoYesOf(DataAccessField* field);
    virtual XString YesBlankText(bool value);
    virtual XString FormatYesBlank();
    virtual XString FormatYesBlankOf(DataAccessField* field);
    virtual XString FormatBoolDigit();
    virtual XString FormatDigitFromText();
    virtual bool ParseBool();
    virtual XString FormatFloat();
    virtual XString FormatFloatOf(DataAccessField* field);
    virtual XString FormatFloatWhole();
    virtual XString FormatFloatWholeOf(DataAccessField* field);
    virtual XString FormatCategoryWord();
    // Not a formatter: writes the changed cached attendance rows into the update file.
    virtual void ExportAttendance(bool applyRowFilter);
    virtual XString PrefixGSText(const XString& text);
    virtual XString FormatPrefixGS();

    // Query execution (bodies in the database class).
    virtual bool TryExecuteQuery() = 0;
    virtual int32_t ExecuteQuery() = 0;
    virtual void Reconnect() = 0;
    virtual void CloseQuery() = 0;
    // Called at the end of every output table; drops handles kept by a task. Empty here.
    virtual void OnTableEnd();
    virtual int32_t GetRecordCount() = 0;

    // Relationship words to contact types.
    virtual void BuildRelationshipTable();
    virtual XString GetContactType(const XString& relationship);

    // Field handles of the query being described.
    virtual DataAccessField* GetField(DataAccessTable* table, const XString& name, bool required) = 0;
    virtual DataAccessField* AddField(DataAccessTable* table, const XString& name) = 0;

    // Readers of the current record; a null field gives the default value.
    virtual XString GetString(DataAccessField* field) = 0;
    virtual XString GetTrimmedString(DataAccessField* field) = 0;
    virtual XString GetSingleLineString(DataAccessField* field) = 0;
    virtual XBuffer GetBytes(DataAccessField* field) = 0;
    virtual XDate GetDate(DataAccessField* field) = 0;
    virtual XDateTime GetDateTime(DataAccessField* field) = 0;
    virtual XTime GetTime(DataAccessField* field) = 0;
    virtual int32_t GetInt(DataAccessField* field) = 0;
    virtual XString FormatIntOf(DataAccessField* field);
    virtual int32_t GetLong(DataAccessField* field) = 0;
    // The whole integer, 64 bits wide: keys and codes are written as they are.
    virtual int64_t GetWholeNumber(DataAccessField* field) { return GetInt(field); }
    virtual float GetFloat(DataAccessField* field) = 0;
    virtual double GetDouble(DataAccessField* field) = 0;
    virtual bool GetBool(DataAccessField* field) = 0;
    virtual XString GetBoolDigit(DataAccessField* field) = 0;
    virtual bool IsNull(DataAccessField* field) = 0;

    // ---- operations declared by the writer ----
    void ExportCachedAttendance() override;
    bool OpenTable(bool run) override;
    XString GetDatabasePath() override;

    // ---- columns of the output table ----

    // With a table: the field from GetField (null stops here); then the output column.
    DataAccessField* AddFieldColumn(DataAccessTable* table, const XString& name, ValueOperation converter,
                                    bool required, int command);
    // AddFieldColumn, then the header title and custom-field line (each may be null).
    DataAccessField* AddFieldColumnWithHeader(DataAccessTable* table, const XString& name,
                                              ValueOperation converter, const char* title, bool required,
                                              const char* customName, const char* customCaption,
                                              const char* marker, const char* format, int command);

    // ---- output tables ----
    void StartOutputTable(const XString& title, const XString& fileName, bool safeInclude);
    void EndOutputTable();
    void StartOutputTableToFile(XTextFile& file, const XString& title, const XString& fileName);
    void EndOutputTableToFile(XTextFile& file);
    // Writes the current table only when its data file does not exist yet.
    int WriteUserOwnedTable(RowFilter filter, const XString& firstLine);

    // ---- cached attendance ----
    void CreateStudentDailyAttendanceFromDB(bool applyRowFilter);
    void CreateStudentPeriodAttendanceFromDB(bool applyRowFilter);
    // Whether the history holds the table; a check that fails fails the run.
    bool HistoryTableExists(const char* table);

    // ---- more formatters ----
    XString FormatPhoneNumber();
    XString FormatPhoneText(const XString& text);
    XString FormatYN();
    static XString NormalizeYesNo(const XString& text);

    // ---- password masking ----

    // Masks, in place, the value after the first occurrence of the key ("PWD=\"" when empty),
    // up to a ";", a double quote or the end. True when the key was found.
    static bool MaskPassword(XString& connectionString, const XString& key);
    // Masks the value of the first of "Password=", "PASSWORD=", "PWD=", "Pwd=" that occurs.
    static void MaskConnectionPasswords(XString& connectionString);

    // ---- settings ----
    int32_t GetConnectionTimeout() const { return m_connectionTimeout; }
    void SetConnectionTimeout(int32_t seconds) { m_connectionTimeout = seconds; }
    int32_t GetCommandTimeout() const { return m_commandTimeout; }
    void SetCommandTimeout(int32_t seconds) { m_commandTimeout = seconds; }
    int32_t GetQueryTries() const { return m_queryTries; }
    void SetQueryTries(int32_t tries) { m_queryTries = tries; }
    const XString& GetDataSource() const { return m_dataSource; }
    void SetDataSource(const XString& dataSource) { m_dataSource = dataSource; }
    const XString& GetUserName() const { return m_userName; }
    void SetUserName(const XString& userName) { m_userName = userName; }
    const XString& GetPassword() const { return m_password; }
    void SetPassword(const XString& password) { m_password = password; }
    const XVector<XStringPair>* GetRelationshipMap() const { return m_relationshipMap; }

protected:
    int32_t m_connectionTimeout = 15;  // seconds
    int32_t m_commandTimeout = 30;     // seconds
    int32_t m_queryTries = 1;
    XString m_dataSource;  // ODBC data source name
    XString m_userName;
    XString m_password;
    XVector<XStringPair>* m_relationshipMap = nullptr;  // owned, sorted by key
};

// The display text of a school-year identifier ("2015-16" shows as "2015-2016").
QString SchoolYearLabel(const QString& identifier);
// The name when it is not empty, else the label of the identifier.
QString SchoolYearPairText(const QPair<QString, QString>& identifierAndName);
