// The run: parameters, the full pass and the attendance update pass.

#include "ExpEngine.h"

#include "ParamRules.h"
#include "StringHelpers.h"
#include "XTextFile.h"

#include <memory>

namespace {

const char* const kExecute = "ExpEngine::Execute";

const char* YesNo(bool value)
{
    return value ? "Yes" : "No";
}

bool IsOn(const ParamMap& params, const char* key)
{
    return params.value(QLatin1String(key)) == QLatin1String("true");
}

}  // namespace

bool ExpEngine::ReadRunParams(const ParamMap& params, QString& key, QString& message)
{
    m_bridgeAlias = fromQString(params.value(QStringLiteral("bridgeAlias_")));
    SetUserName(fromQString(params.value(QStringLiteral("user"))));
    SetPassword(fromQString(params.value(QStringLiteral("pwd"))));
    SetDataSource(fromQString(params.value(QStringLiteral("dsn"))));

    const QString inactive = params.value(QStringLiteral("inactivedate"));
    m_inactiveDate = inactive.isEmpty() ? XDate() : XDate(GetDateFormat(), fromQString(inactive));
    if (!inactive.trimmed().isEmpty() && m_inactiveDate.IsEmpty()) {
        key = QStringLiteral("inactivedate");
        message = QStringLiteral("Inactive date is not a date in the form mm/dd/yyyy: ") + inactive;
        return false;
    }

    const QString school = params.value(QStringLiteral("school"));
    m_schoolNumber = fromQString(school);
    m_includeStudentCustom = IsOn(params, "filterstudent");
    m_includeExtraStaff = IsOn(params, "filterstaff");
    m_includeConductCustom = IsOn(params, "filterextraconduct");
    m_includeFees = true;
    m_conductDateFilter = IsOn(params, "filterconductdate");

    const QStringList alternatives = CleanAltSchoolNumbers(params.value(QStringLiteral("altschool")));
    m_altSchoolNumbers.clear();
    for (const QString& number : alternatives)
        m_altSchoolNumbers.push_back(fromQString(number));
    m_altSchoolNumberText = fromQString(alternatives.join(QLatin1Char(',')));
    m_altSchoolField = fromQString(CleanAltSchoolField(params.value(QStringLiteral("altschfield"))));

    if (school.isEmpty()) {
        key = QStringLiteral("school");
        message = QStringLiteral("school missing or blank.");
        emit writeMissing(key, message);
        return false;
    }
    if (!IsPlainNumber(school)) {
        key = QStringLiteral("school");
        message = QStringLiteral("School number must be a plain number: ") + school;
        return false;
    }
    return CheckQueryParams(params, key, message);
}

bool ExpEngine::Execute(ParamMap params, int mode, QString& result)
{
    LogMessage(7, "Execute Starting", kExecute);

    // The run's settings come from the map the run holds.
    const ParamMap& run = GetParams();
    QString badKey;
    QString badValue;
    const bool usable = ReadRunParams(run, badKey, badValue);
    const bool daily = IsOn(run, "filterdaily");
    const bool period = IsOn(run, "filterperiod");
    if (!usable) {
        LogMessage(3, fromQString(badValue), kExecute);
        emit writeError(badKey, badValue);
        result = QStringLiteral("Validate Failed");
        LogMessage(3, fromQString(result), kExecute);
        return false;
    }

    if (!ValidateSchoolNumber(params, result)) {
        result = QStringLiteral("Validate Failed");
        LogMessage(3, fromQString(result), kExecute);
        return false;
    }

    LogMessage(8, "GetCurrentSchoolYear Starting", kExecute);
    m_schoolYear = GetCurrentSchoolYear();
    // The year id is written into statements: anything but a plain number counts as no year.
    if (!m_schoolYear.IsEmpty() && !m_schoolYear.IsDigits()) {
        LogMessage(4, "School Year is not a plain number and is left empty: " + m_schoolYear, kExecute);
        m_schoolYear = XString();
    }
    // A year that could not be read is no configuration change: the run stops before the writer
    // starts, so no update file, cache or data file is touched because of it.
    if (!m_yearReadError.IsEmpty())
        LogAndThrow(2, "Error Extracting School Year: " + m_yearReadError, kExecute);

    LogMessage(9, XString("UserName: ") + GetUserName(), kExecute);
    LogMessage(9, XString("DSN: ") + GetDataSource(), kExecute);
    LogMessage(9, XString("InactiveDate: ") + m_inactiveDate.Format(GetDateFormat()), kExecute);

    LogMessage(7, XString("Including Student Custom Fields: ") + YesNo(m_includeStudentCustom), kExecute);
    LogMessage(7, XString("Including Extra Staff Info: ") + YesNo(m_includeExtraStaff), kExecute);
    LogMessage(7, XString("Including Student Conduct Custom Fields: ") + YesNo(m_includeConductCustom),
               kExecute);
    LogMessage(7, XString("Including Student Fees: ") + YesNo(m_includeFees), kExecute);
    LogMessage(7, XString("Including Daily Attendance: ") + YesNo(daily), kExecute);
    LogMessage(7, XString("Including Period Attendance: ") + YesNo(period), kExecute);
    LogMessage(7, XString("School Year: ") + m_schoolYear, kExecute);
    LogMessage(7, XString("School Number: ") + m_schoolNumber, kExecute);
    LogMessage(7, XString("District Number: ") + m_districtNumber, kExecute);
    LogMessage(7, XString("Alt School Number: ") + m_altSchoolNumberText, kExecute);
    LogMessage(7, XString("Alt School Field: ") + m_altSchoolField, kExecute);

    StartWithSchemaLog(BuildConnectionString(GetDataSource(), GetUserName(), GetPassword()), false);

    ClearLookupTables();
    BuildFieldLUT();
    BuildStudentInclusion();
    BuildIncludedStaffLUT();
    BuildValuesLUT();
    BuildGeneralCodeLUT();

    if (mode & ModeFull)
        FullPass();
    if (mode & ModeUpdate)
        UpdatePass(daily, period);

    Finish();
    result = QStringLiteral("Execute completed successfully.");
    return true;
}

void ExpEngine::LogSkip(const char* message)
{
    LogMessage(5, message, kExecute);
}

void ExpEngine::FullPass()
{
    StartImport();

    if (m_includeStudentCustom) {
        CreateStudentCustom();
        WriteContactCustomHeader();
    } else {
        LogSkip("Skipping Student Demographics: Custom...");
        LogSkip("Skipping Student Demographics: Contacts Custom...");
    }
    if (m_includeConductCustom)
        CreateConductCustom();
    else
        LogSkip("Skipping Conduct Outcome: Custom...");
    if (m_includeFees) {
        CreateSchoolFees();
        CreatePayments();
        CreateFeeCredits();
        CreateFeeDebits();
        CreateLunchTransactions();
        CreateLunchBalance();
    }
    CreateGradeScores();
    BuildMedicalCodeLUT();
    if (!m_medicalLogTypes.IsEmpty())
        CreateStudentMedicalHistory();
    CreateStudentTransport();
    CreateStudentDemo();
    CreateStudentMain();
    if (m_busTextMissing) {
        CreateStudentBusIn();
        CreateStudentBusOut();
    } else {
        LogSkip("Skipping Student Bus In...");
        LogSkip("Skipping Student Bus Out...");
    }
    CreateStudentAddress();
    CreateStudentDoctor();
    CreateStudentEmergency1();
    CreateStudentEmergency2();
    CreateDisciplineAlert();
    CreateLegalAlert();
    CreateOtherAlert();
    CreateStudentSchedules();
    CreateStudentGrades();
    CreateCalendar();
    CreateTerms();
    CreateTermYear();
    CreateTumbles();
    CreatePeriods();
    CreateBellSchedules();
    CreateRooms();
    CreateAttCodes();
    CreateSections();
    CreateSectionSchedules();
    CreateDays();
    CreateCourses();
    CreateBins();
    CreateConductIncidentTypes();
    CreateConductOutcomeTypes();
    CreateConductIncidentSubTypes();
    CreateConductOutcomeSubTypes();
    CreateConductConsequenceTypes();
    CreateStudentMedConditions();
    CreateMedicalConditionTypes();
    CreateMedicalHistoryTypes();
    CreateStudentImmunizations();
    SetMaxExpectedTimeSlots(m_periodCount >= m_tumblePeriodCount ? m_periodCount : m_tumblePeriodCount);
    CreateStaff();
    CreateStaffCustom();
    if (!m_medicalLogTypes.IsEmpty())
        CreateStaffMedicalHistory();
    CreateConductOutcomes();
    CreateConductIncidents();

    FinishImport();
}

void ExpEngine::UpdatePass(bool daily, bool period)
{
    std::unique_ptr<XTextFile> file(new XTextFile('\t', "", "", "", 0));
    StartUpdateFile(file.get());
    if (daily)
        CreateDailyAttendance(m_yearStart, m_yearEnd);
    else
        LogSkip("Skipping Student Daily Attendance...");
    if (period)
        CreatePeriodAttendance(m_yearStart, m_yearEnd);
    else
        LogSkip("Skipping Student Period Attendance...");
    LogMessage(7, XString("Finished Creating Attendance at: ") + GetRunDateTimeString());
    if (daily || period)
        RunExportCachedAttendance();
    FinishUpdateFile();
}
