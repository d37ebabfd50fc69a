#pragma once

// ExpEngine: the extraction task.

#include "ODBCExpEngineBase.h"

#include "LookupEntry.h"
#include "ParamMap.h"
#include "SISExpCustomFieldList.h"
#include "XBuffer.h"
#include "XDate.h"
#include "XStack.h"
#include "XString.h"
#include "XStringPair.h"
#include "XVector.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <vector>

// The extraction task: the driver of a run, the connection search and the
// school year, the list answers, the lookup tables and the table extractors.
class ExpEngine : public ODBCExpEngineBase
{
    friend class TableExtract;

public:
    // One answer of a list loader.
    struct BridgeListEntry
    {
        QString id;
        QString name;
    };

    // Fields of the output table being written that filters and converters read.
    struct ColumnHandles
    {
        ODBCTable* studentsTable = nullptr;
        ODBCField* schoolId = nullptr;
        ODBCField* studentKey = nullptr;
        ODBCField* staffKey = nullptr;
        ODBCField* dayKey = nullptr;
        ODBCField* courseKey = nullptr;
        ODBCField* status = nullptr;
        ODBCField* staffType = nullptr;
        ODBCField* alertText = nullptr;
        ODBCField* bellKey = nullptr;
        ODBCField* yearId = nullptr;
        ODBCField* presenceStatus = nullptr;
        ODBCField* attendanceCode = nullptr;
        ODBCField* ethnicity = nullptr;
        ODBCField* exitCode = nullptr;
        ODBCField* entryCode = nullptr;
        ODBCField* sectionKey = nullptr;
        ODBCField* fromTo = nullptr;
        ODBCField* busNumber = nullptr;
        ODBCField* leaveDate = nullptr;
        ODBCField* consequence = nullptr;
        ODBCField* subtype = nullptr;
        ODBCField* incidentLocation = nullptr;
        ODBCField* citizenship = nullptr;
        ODBCField* grade = nullptr;
        ODBCField* distance = nullptr;
        ODBCField* distanceIndicator = nullptr;
        ODBCField* startDate = nullptr;
        ODBCField* endDate = nullptr;
        ODBCField* weekdays[7] = {};  // Monday .. Sunday
        ODBCField* route = nullptr;
        ODBCField* stop = nullptr;
        ODBCField* customColumn = nullptr;
        ODBCField* contactName = nullptr;
        ODBCField* contactPhone = nullptr;
        ODBCField* calendarDay[5] = {};  // Calendar: date, day letter, bell schedule, in session, note
        ODBCField* calendarDayKey = nullptr;  // Calendar: the day's ID, for messages
        // The other parts of a transport note.
        ODBCField* address = nullptr;
        ODBCField* arrivalTime = nullptr;
        ODBCField* contact = nullptr;
        ODBCField* departureTime = nullptr;
        ODBCField* description = nullptr;
        ODBCField* driver = nullptr;
        ODBCField* linkingCode = nullptr;
        ODBCField* instructions = nullptr;
        ODBCField* transportType = nullptr;
    };

    ExpEngine();
    ~ExpEngine() override;

    // ---- overrides ----
    bool Execute(ParamMap params, int mode, QString& result) override;
    void RegisterCustomFieldLists() override;
    void DeletePDEFiles(XString importFolder = XString()) override;
    XString FormatDate() override;
    XString FormatCategoryWord() override;
    void OnTableEnd() override;

    // "VH." + name when the flag is set, else the name.
    static XString QualifyTableName(const XString& name, bool prefix);
    // Deletes the entries of the sixteen sorted lookup tables and empties them.
    void ClearLookupTables();
    // Deletes every entry of a table of four-text records; a null table is left alone.
    static void DeleteLookupEntries(XVector<LookupEntry>* table);

    // ---- connection search and school year ----
    // One attempt under the current database type and schema-prefix flag.
    bool ValidateDBConnection(ParamMap params, QString& result);
    // Tries the four combinations; the working one stays in the engine.
    bool ValidateConnection(ParamMap params, QString& result);
    bool ValidateSchoolNumber(ParamMap params, QString& result);
    // The current year's ID (empty when none); sets the year start and end.
    XString GetCurrentSchoolYear();
    // Why the last GetCurrentSchoolYear could not read the year (empty when it could).
    const XString& GetYearReadError() const { return m_yearReadError; }

    // ---- list answers ----
    bool LoadSchoolList(ParamMap params, QList<BridgeListEntry>& list, QString& error);
    bool LoadSchoolListNoValidate(ParamMap params, QList<BridgeListEntry>& list, QString& error);
    bool LoadSchoolDistrictList(ParamMap params, QList<BridgeListEntry>& list, QString& error);
    bool LoadSchoolYearList(ParamMap params, QList<BridgeListEntry>& list, QString& error);
    bool LoadBridgeList(ParamMap params, const QString& key, QList<BridgeListEntry>& list, QString& error);

    // One record of the packed custom-field data.
    struct CustomFieldValue
    {
        XString key;    // the field id in decimal
        XString value;  // the value bytes, type byte first, and the continuation bytes
        uint8_t type = 0;
    };

    // ---- lookup tables and inclusion ----
    void BuildFieldLUT();
    void BuildStudentInclusion();
    void BuildIncludedStaffLUT();
    void BuildValuesLUT();
    void BuildGeneralCodeLUT();
    void BuildMedicalCodeLUT();
    // The school conditions of a student or staff query (the SchoolID handle is set).
    void AddSchoolRestriction(const std::vector<XString>& altSchoolNumbers);

    // ---- packed custom-field data ----
    // Pushes one item per record in data order; false when the bytes were not all parsed.
    bool ParseCustomFieldData(XStack<CustomFieldValue>& items, const XBuffer& data);
    // The custom-field definition of the item's key, or null.
    const LookupEntry* FindFieldInfo(const CustomFieldValue& item);
    XString GetCustomFieldFormat(CustomFieldValue item);
    static XString ContactFieldCaption(const XString& name);
    // Whether the list holds no field written like name, so that it may be added; a name written
    // like another one that the list holds is warned about once and not added.
    bool IsNewCustomField(SISExpCustomFieldList& list, const XString& name);

    // ---- row filters ----
    bool IsIncludedStudent();
    bool IsIncludedStudentAlert();
    bool IsIncludedStaff();
    bool IsUsedDay();
    bool IsUsedCourse();
    bool IsIncludedSchedule();
    bool CollectCourseKey();
    bool CollectStaffKey();
    bool FilterAlternativeSchool();
    // An included student's contact with a name or a phone (trimmed).
    bool IsIncludedContact();
    // Calendar: a line already written for the record's date is not written again.
    bool IsFirstCalendarLine();
    // A grade line is written only with a grade that is not blank.
    bool HasGradeText();

    // ---- value converters ----
    XString GetSecKey();
    XString FeeCreditAmount();
    XString FeeDebitAmount();
    XString GradeLevelText();
    XString StudentNameText();
    XString StaffNameText();
    XString RefereeStaffText();
    XString PerpStudentText();
    XString PerpNameText();
    XString EmptyText();
    XString TargetStudentText();
    XString TargetNameText();
    XString NextBusNoteKey();
    XString BusNoteTitle();
    XString JoinBusFields();
    XString BusDaysText();
    XString BusRouteText();
    XString BusRouteStopText();
    // The transport note of the current record, and the bus texts, each on one line.
    XString BuildTransportNote();
    XString BusNoteTitleLine();
    XString BusRouteLine();
    XString YearTermKeyText();
    XString ActiveFlagText();
    XString StaffActiveFlag();
    XString StaffTypeName();
    XString GradeCodeWord();
    XString AbsenceFlagText();
    XString AbsentStatusDigit();
    XString TardyFlagText();
    XString EthnicityText();
    XString LanguageText();
    XString ConsequenceText();
    XString SubtypeText();
    XString IncidentLocationText();
    XString EntryCodeText();
    XString ExitCodeText();
    XString LeaveDateText();
    XString TimeOfDayText();
    XString GroupSequenceNumber();
    // "A".."Z" give 1..26, anything else 0; and back (else empty).
    static int DayLetterToNumber(const XString& letter);
    static XString DayNumberToLetter(int number);

    // ---- table extractors, in the order of the full pass ----
    void CreateStudentCustom();
    void WriteContactCustomHeader();
    void CreateConductCustom();
    void CreateSchoolFees();
    void CreatePayments();
    void CreateFeeCredits();
    void CreateFeeDebits();
    void CreateLunchTransactions();
    void CreateLunchBalance();
    void CreateGradeScores();
    void CreateStudentMedicalHistory();
    void CreateStudentTransport();
    void CreateStudentDemo();
    void CreateStudentMain();
    void CreateStudentBusIn();
    void CreateStudentBusOut();
    void CreateStudentAddress();
    void CreateStudentDoctor();
    void CreateStudentEmergency1();
    void CreateStudentEmergency2();
    void CreateDisciplineAlert();
    void CreateLegalAlert();
    void CreateOtherAlert();
    void CreateStudentSchedules();
    void CreateStudentGrades();
    void CreateCalendar();
    void CreateTerms();
    void CreateTermYear();
    void CreateTumbles();
    void CreatePeriods();
    void CreateBellSchedules();
    void CreateRooms();
    void CreateAttCodes();
    void CreateSections();
    void CreateSectionSchedules();
    void CreateDays();
    void CreateCourses();
    void CreateBins();
    void CreateConductIncidentTypes();
    void CreateConductOutcomeTypes();
    void CreateConductIncidentSubTypes();
    void CreateConductOutcomeSubTypes();
    void CreateConductConsequenceTypes();
    void CreateStudentMedConditions();
    void CreateMedicalConditionTypes();
    void CreateMedicalHistoryTypes();
    void CreateStudentImmunizations();
    void CreateStaff();
    void CreateStaffCustom();
    void CreateStaffMedicalHistory();
    void CreateConductOutcomes();
    void CreateConductIncidents();
    // The update pass.
    void CreateDailyAttendance(XDate yearStart, XDate yearEnd);

    // Start and end date texts of the terms, by term key.
    using TermDateMap = QMap<QString, QPair<QString, QString>>;
    // The smallest other term that contains the term, or empty; may switch the date pattern.
    XString FindParentTerm(const TermDateMap& terms, const XString& key, QString& datePattern);
    void CreatePeriodAttendance(XDate yearStart, XDate yearEnd);

    // ---- state ----
    bool SchemaPrefix() const { return UsesSchemaPrefix(); }
    const XString& GetSchoolYear() const { return m_schoolYear; }
    const XString& GetSchoolNumber() const { return m_schoolNumber; }
    const XDate& GetYearStart() const { return m_yearStart; }
    const XDate& GetYearEnd() const { return m_yearEnd; }
    const XDate& GetInactiveDate() const { return m_inactiveDate; }
    const std::vector<XString>& GetAltSchoolNumbers() const { return m_altSchoolNumbers; }
    const XString& GetAltSchoolField() const { return m_altSchoolField; }
    bool IncludeStudentCustom() const { return m_includeStudentCustom; }
    bool IncludeExtraStaff() const { return m_includeExtraStaff; }
    bool IncludeConductCustom() const { return m_includeConductCustom; }
    bool IncludeFees() const { return m_includeFees; }
    bool ConductDateFilter() const { return m_conductDateFilter; }
    const ColumnHandles& Handles() const { return m_handles; }

protected:
    // True when the parameters that go into SQL text are usable; otherwise logs the reason,
    // sends it as an "error" line when asked, and answers false with it.
    bool CheckSqlParams(const ParamMap& params, QString& message, bool sendError);
    // The first of the keys whose value is empty: "<key> missing or blank." as the error text
    // and a queued "missing" line; answers false then.
    bool RequireParams(const ParamMap& params, const QStringList& keys, QString& error);
    // Reads the run parameters into the engine; false with a message for a value that cannot be used.
    bool ReadRunParams(const ParamMap& params, QString& key, QString& message);
    void FullPass();
    void UpdatePass(bool daily, bool period);
    void LogSkip(const char* message);
    // Runs the connection search unless one succeeded already for the data source.
    bool EnsureConnectionFound(const ParamMap& params, QString& error, const char* method);

    XDate m_yearStart;
    XDate m_yearEnd;
    XString m_yearReadError;
    int32_t m_periodCount = 0;
    int32_t m_tumblePeriodCount = 0;
    bool m_includeStudentCustom = false;
    bool m_includeExtraStaff = false;
    bool m_includeConductCustom = false;
    bool m_includeFees = false;
    bool m_conductDateFilter = false;
    bool m_busTextMissing = false;
    // Counters of the converters.
    int32_t m_groupCounter = 0;
    XString m_lastGroupKey;
    bool m_perpetratorFlag = false;
    QString m_connectionFoundFor;  // the data source of the last successful connection search
    std::vector<XString> m_altSchoolNumbers;
    XString m_altSchoolNumberText;  // the numbers joined by ",", for the log
    XString m_altSchoolField;

    // The student custom-field list and its copy registered with the writer (owned).
    SISExpCustomFieldList m_studentCustomFields;
    SISExpCustomFieldList* m_registeredCustomFields = nullptr;

    // Lookup tables.
    XVector<XStringPair> m_includedStudents;
    XVector<XStringPair> m_includedStaff;
    XVector<XStringPair> m_usedCourses;
    XVector<XStringPair> m_studentNames;
    XVector<XStringPair> m_staffNames;
    XVector<XStringPair> m_ethnicityCodes;
    XVector<XStringPair> m_usedDays;
    XVector<XStringPair> m_languageCodes;
    XVector<XStringPair> m_consequenceCodes;
    XVector<XStringPair> m_subtypeCodes;
    XVector<XStringPair> m_incidentLocations;
    XVector<XStringPair> m_entryCodes;
    XVector<XStringPair> m_exitCodes;
    XVector<LookupEntry> m_fieldDefinitions;
    XVector<XStringPair> m_tardyCodes;
    XVector<XStringPair> m_absenceCodes;
    XVector<XString> m_medicalLogTypes;  // insertion order

    ColumnHandles m_handles;
    // The calendar lines written for the date of the last written calendar record.
    XString m_calendarDate;
    std::vector<XString> m_calendarLines;
};
