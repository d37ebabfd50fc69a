// Lookup tables, student and staff inclusion, row filters and value converters, driven in process
// over the hand-made school "lookups" (tests/golden/schools/lookups) on SQLite and PostgreSQL;
// and the packed custom-field data on hand-made bytes.
#include "DataSources.h"
#include "EngineTestSupport.h"
#include "ExtractKit.h"

using enginetest::DataSource;

namespace {

using H = ExpEngine::ColumnHandles;
using E = ExpEngine;

// An engine whose tables and handles the test reads. Statements are recorded; the
// alternative-school condition calls a function that only the real source has, so it is
// answered true here and the custom-field test alone decides.
class LookupEngine : public ExpEngine
{
public:
    using E::m_absenceCodes, E::m_altSchoolField, E::m_ethnicityCodes, E::m_fieldDefinitions, E::m_handles;
    using E::m_includedStaff, E::m_includedStudents, E::m_staffNames, E::m_studentNames, E::m_tardyCodes;
    using E::m_usedCourses, E::m_usedDays;

    QStringList statements;

    XString BuildQuery() override
    {
        std::string sql = ExpEngine::BuildQuery().CStr();
        statements << QString::fromStdString(sql);
        const std::string::size_type at = sql.find("vh_customfields.getCF(");
        if (at != std::string::npos)
            sql.replace(at, sql.find("= '1'", at) + 5 - at, "1 = 1");
        return XString(sql.c_str());
    }
};

// "key=value" of every entry, in table order, joined by "|".
QString Pairs(const XVector<XStringPair>& table)
{
    QStringList out;
    for (size_t i = 0; i < table.Count(); ++i)
        out << QString(table[i]->key.CStr()) + '=' + QString(table[i]->value.CStr());
    return out.join('|');
}

// A column of ConverterRows: no source is a computed column, no title a read-only one.
struct Probe
{
    const char* source;
    const char* title;
    Col::Converter converter;
    Col::Handle handle;
};

class Lookups : public ::testing::TestWithParam<DataSource>
{
protected:
    // The driver's attendance pass without attendance: it builds every lookup table and writes no
    // table of its own.
    // extra: "key=value&key=value".
    bool Run(LookupEngine& engine, Reports& reports, const char* extra = "", const char* school = "lookups")
    {
        ParamMap params;
        params.insert("dsn", GetParam().Dsn("vh_golden_" + QString(school)));
        params.insert("user", GetParam().User());
        params.insert("pwd", GetParam().Password());
        params.insert("school", "100");
        params.insert("path", m_folder = enginetest::NewFolder("lookups"));
        params.insert("logSchema", "false");
        for (const QString& pair : QString(extra).split('&', Qt::SkipEmptyParts))
            params.insert(pair.section('=', 0, 0), pair.section('=', 1));
        reports.Attach(engine);
        QString result;
        const bool ok = engine.BeginExecute(params, 2, result);
        EXPECT_TRUE(ok) << result.toStdString();
        return ok;
    }

    // Writes the table (ConverterRows) ordered by ID with its ID and the probes; answers the lines
    // joined by LF.
    QString Write(LookupEngine& engine, std::initializer_list<Probe> probes,
                  TableExtract::Filter filter = nullptr, const char* table = "ConverterRows")
    {
        {
            TableExtract t(engine, "Probe", "Probe.pef");
            ODBCTable* rows = t.Source(table, "cr");
            if (!rows)
                return QString("no ") + table;
            ODBCField* id = t.Add(rows, Col("ID").Out("ID").Req());
            for (const Probe& p : probes) {
                if (!p.source) {
                    t.Computed(p.title, p.converter);
                    continue;
                }
                Col column(p.source);
                if (p.title)
                    column.Out(p.title, p.converter);
                if (p.handle)
                    column.Into(p.handle);
                t.Add(rows, column);
            }
            t.OrderBy(id);
            t.Write(filter);
        }
        QString text = enginetest::ReadText(m_folder + "/Probe.pef").replace("\r\n", "\n");
        text.chop(1);
        return text;
    }

    QString m_folder;
};

struct InclusionCase
{
    const char* params;
    const char* where;  // the statement after "FROM Students stu  WHERE "
    bool custom;        // the Custom column is selected
    const char* included;
    int names;
    const char* logs;  // "level|method|text" of lines that must be logged, one per line
};

TEST_P(Lookups, StudentInclusionWithAndWithoutInactiveDateAndAlternativeSchools)
{
    const char* const alt = "(stu.SchoolID = 101 OR stu.SchoolID = 102 OR stu.SchoolID = 100)";
    const InclusionCase cases[] = {
        {"", "stu.SchoolID = 100 ORDER BY stu.ID", false, "=|1001=|1007=|1010=|1011=", 7,
         "7|ExpEngine::BuildStudentInclusion|Totals: Records 8\n"
         "7|ExpEngine::BuildStudentInclusion|Totals: Names 7\n"
         "7|ExpEngine::BuildStudentInclusion|Totals: Inclusion 5"},
        // Inactive students (status 1) too; status 2 and NULL never.
        {"inactivedate=08/17/2026", "stu.SchoolID = 100 ORDER BY stu.ID", false,
         "=|1001=|1002=|1007=|1010=|1011=", 7, ""},
        {"altschool=101, 102", " ORDER BY stu.ID", false, "=|1001=|1004=|1005=|1007=|1010=|1011=", 10,
         "7|ExpEngine::BuildStudentInclusion|Totals: Records 11"},
        // The field decides for every student, the last parsed item first; short data still counts.
        {"altschool=101,102&altschfield=AltSch",
         " AND vh_customfields.getCF('Students', stu.id, 'AltSch') = '1'  ORDER BY stu.ID", true,
         "1001=|1005=|1010=", 6,
         "4||Custom Field for: 1010 had a problem, will try to continue.\n"
         "8||Custom Field: Data is in Bad format, custom fields may not be correct for this student.\n"
         "8||Custom Field: Data is too short to process."},
        // A field without alternative numbers includes nobody, and says so.
        {"altschfield=AltSch", "stu.SchoolID = 100 ORDER BY stu.ID", false, "", 0,
         "4|ExpEngine::BuildStudentInclusion|Alt School Field AltSch is set without an Alt School Number: no "
         "student is included."},
        // A field name that is not a plain name never reaches the statement.
        {"altschool=101&altschfield=AltSch')=0--",
         "(stu.SchoolID = 101 OR stu.SchoolID = 100) ORDER BY stu.ID", true, "", 0,
         "4|ExpEngine::BuildStudentInclusion|Alt School Field AltSch)=0-- is not only letters, digits and _: "
         "it "
         "is not sent to the database; the students' own custom fields are tested."},
    };
    for (const InclusionCase& c : cases) {
        SCOPED_TRACE(c.params);
        LookupEngine engine;
        Reports reports;
        ASSERT_TRUE(Run(engine, reports, c.params));
        EXPECT_EQ(engine.statements.filter("Students stu").value(0),
                  QString("SELECT stu.ID, stu.Enroll_Status, stu.LastFirst, stu.SchoolID") +
                      (c.custom ? ", stu.Custom" : "") + (engine.SchemaPrefix() ? " FROM VH." : " FROM ") +
                      "Students stu  WHERE " + (c.where[0] == ' ' ? alt : "") + c.where);
        EXPECT_EQ(Pairs(engine.m_includedStudents), QString(c.included));
        EXPECT_EQ(static_cast<int>(engine.m_studentNames.Count()), c.names);
        for (const QString& log : QString(c.logs).split('\n', Qt::SkipEmptyParts))
            EXPECT_EQ(reports.Find(log.section('|', 2)), log);
    }
    LookupEngine engine;
    Reports reports;
    ASSERT_TRUE(Run(engine, reports));
    EXPECT_EQ(Pairs(engine.m_studentNames),
              "=Nobody, Key|1001=Andersen, Anna|1002=Berg, Bjorn|1003=Christensen, "
              "Clara|1008=Null, Status|1010=Jensen, Jonas|1011=O'Neill, Åse \"Kari\"");
}

TEST_P(Lookups, StaffCodeAndFieldTablesFirstRowWins)
{
    LookupEngine engine;
    Reports reports;
    ASSERT_TRUE(Run(engine, reports));
    EXPECT_EQ(Pairs(engine.m_staffNames),
              "=Nobody, Key|501=Berg, Karin|502=Gone, Hugo|504=Null, Status|505=Solo");
    EXPECT_TRUE(engine.m_includedStaff.IsEmpty());
    // Gen of every school; categories in any letter case; keys exact.
    EXPECT_EQ(Pairs(engine.m_ethnicityCodes), "H=Hispanic|N0=|O=Other school|W=White|m=lower m");
    // The other code tables show in the converters' texts (FiltersAndConvertersOnRealRows).
    QStringList fields;
    for (size_t i = 0; i < engine.m_fieldDefinitions.Count(); ++i) {
        const LookupEntry* e = engine.m_fieldDefinitions[i];
        fields << QString((e->key + "," + e->description + "," + e->name + "," + e->fileNumber).CStr());
    }
    EXPECT_EQ(fields.join('|'),
              "4095,,Log_Note,200|5,Alternative school,AltSch,100|66,Contacthome  phone,cnt1_HPHONE,100");
    EXPECT_EQ(Pairs(engine.m_absenceCodes),
              "C=Y|D=Y|E=Y|E=Y|EX=Y|F=Y|I=Y|ISS=Y|O=Y|OSS=Y|P=Y|U=N|UN=N|X=Y|Z=Y");
    EXPECT_EQ(Pairs(engine.m_tardyCodes), "T=1|TD=1");

    for (const auto& c : {std::make_pair("filterstaff=true", "=|501=|503=|505="),
                          std::make_pair("inactivedate=01/01/2027", "=|501=|502=|503=|504=|505=")}) {
        LookupEngine staff;
        Reports staffReports;
        ASSERT_TRUE(Run(staff, staffReports, c.first));
        EXPECT_EQ(Pairs(staff.m_includedStaff), QString(c.second));
    }

    // A year id that is not a plain number is not used.
    LookupEngine badYear;
    Reports badYearReports;
    ASSERT_TRUE(Run(badYear, badYearReports, "school=300"));
    EXPECT_EQ(badYearReports.Find("School Year is not a plain number and is left empty: 27 OR 1=1"),
              QStringLiteral(
                  "4|ExpEngine::Execute|School Year is not a plain number and is left empty: 27 OR 1=1"));
    EXPECT_FALSE(badYearReports.Find("School Year: ").isEmpty());
}

TEST_P(Lookups, FiltersAndConvertersOnRealRows)
{
    LookupEngine engine;
    Reports reports;
    ASSERT_TRUE(Run(engine, reports, "filterstaff=true"));
    engine.Connect(
        engine.BuildConnectionString(engine.GetDataSource(), engine.GetUserName(), engine.GetPassword()));
    const Probe student{"StudentID", nullptr, nullptr, &H::studentKey};
    const Probe teacher{"TeacherID", nullptr, nullptr, &H::staffKey};

    EXPECT_EQ(Write(engine, {student,
                             teacher,
                             {nullptr, "StdName", &E::StudentNameText, nullptr},
                             {nullptr, "StaffName", &E::StaffNameText, nullptr},
                             {nullptr, "Referee", &E::RefereeStaffText, nullptr},
                             {nullptr, "Perp", &E::PerpStudentText, nullptr},
                             {nullptr, "PerpName", &E::PerpNameText, nullptr},
                             {nullptr, "Empty", &E::EmptyText, nullptr},
                             {nullptr, "Target", &E::TargetStudentText, nullptr},
                             {nullptr, "TargetName", &E::TargetNameText, nullptr}}),
              "1\tAndersen, Anna\tBerg, Karin\t501\t1001\t\t\t1001\t\n"
              "2\tBerg, Bjorn\tGone, Hugo\t\t\tBerg, Bjorn\t\t\tBerg, Bjorn\n"
              "3\tNobody, Key\tNobody, Key\t\t\tNobody, Key\t\t\t\n"
              "4\t1007\t0\t\t1007\t\t\t1007\t\n"
              "5\t0\t9999\t\t\t0\t\t\t0\n"
              "6\tJensen, Jonas\t503\t503\t1010\t\t\t1010\t");

    EXPECT_EQ(Write(engine, {{"Ethnicity", "Eth", &E::EthnicityText, &H::ethnicity},
                             {"Language", "Lang", &E::LanguageText, nullptr},
                             {"Consequence", "Cons", &E::ConsequenceText, &H::consequence},
                             {"Subtype", "Sub", &E::SubtypeText, &H::subtype},
                             {"Location", "Loc", &E::IncidentLocationText, &H::incidentLocation},
                             {"EntryCode", "Entry", &E::EntryCodeText, &H::entryCode},
                             {"ExitCode", "Exit", &E::ExitCodeText, &H::exitCode},
                             {"LeaveDate", "Leave", &E::LeaveDateText, &H::leaveDate},
                             {"AttCode", "Excused", &E::AbsenceFlagText, &H::attendanceCode},
                             {nullptr, "Tardy", &E::TardyFlagText, nullptr},
                             {"Presence", "Abs", &E::AbsentStatusDigit, &H::presenceStatus},
                             {"Citizenship", "Cit", &E::GradeCodeWord, &H::citizenship}}),
              "1\tHispanic\tNorwegian\tDetention\tSub type one\tGymnasium\tNew enrolment\tMoved "
              "\"away\"\t09/30/2026\tY\t0\t1\tExcellent\n"
              "2\t\tFrançais\t\tSubtype two\t\t\t\t\tN\t0\t0\tX\n"
              "3\t\t\t\t\t\t\t\t\tN\t0\t0\t\n"
              "4\t\tNorwegian\t\t\t\t\t\t\tN\t1\t0\t\n"
              "5\tOther school\t\tDetention\tSub type one\tGymnasium\tNew enrolment\tMoved "
              "\"away\"\t\tN\t1\t1\tSatisfactory\n"
              "6\tWhite\t\t\t\t\t\tMoved \"away\"\t01/15/2027\tY\t0\t1\tUnsatisfactory");

    EXPECT_EQ(Write(engine, {{"Grade", "Grade", &E::GradeLevelText, nullptr},
                             {"Seconds", "Time", &E::TimeOfDayText, nullptr},
                             {"Amount", "Credit", &E::FeeCreditAmount, nullptr},
                             {"Amount", "Debit", &E::FeeDebitAmount, nullptr},
                             {"Status", "Active", &E::ActiveFlagText, &H::status},
                             {nullptr, "StaffActive", &E::StaffActiveFlag, nullptr},
                             {"StaffType", "Type", &E::StaffTypeName, &H::staffType},
                             {"SecKey", "SecKey", &E::GetSecKey, &H::sectionKey},
                             {"YearID", "TermKey", &E::YearTermKeyText, &H::yearId},
                             {"Bell", "Order", &E::GroupSequenceNumber, &H::bellKey}}),
              "1\tPK4\t8:00:00 AM\t12.500000\t\tY\tN\tTeacher\t42\t2700\t1\n"
              "2\tK\t12:00:00 AM\t\t3.00\tN\tY\tSubstitute\t-5\t\t2\n"
              "3\t\t\t0\t0\tY\tN\tNot Assigned\t0\t\t1\n"
              "4\t12\t11:59:59 PM\t0\t0\tN\tN\t\t0\t2600\t1\n"
              "5\t5\t\t0.250000\t\tY\tN\tStaff\t7\t2700\t2\n"
              "6\t\t\t\t7.50\tN\tY\tLunch Staff\t1000\t02700\t1");
    EXPECT_EQ(reports.Texts("SecKey contains -"),
              QStringList{"SecKey contains -, even after modification: -5"});

    // Row filters: the rows they let through.
    const auto rows = [](const QString& lines) { return QString(lines).replace('\n', ' '); };
    EXPECT_EQ(rows(Write(engine, {student}, &E::IsIncludedStudent)), "1 3 4 6");
    EXPECT_EQ(rows(Write(engine, {teacher}, &E::IsIncludedStaff)), "1 3 6");
    EXPECT_EQ(rows(Write(engine, {student, {"Alert", nullptr, nullptr, &H::alertText}},
                         &E::IsIncludedStudentAlert)),
              "1 6");
    // The schedule filter adds the staff of included students' rows only (0 of row 4).
    EXPECT_EQ(rows(Write(engine, {student, teacher}, &E::IsIncludedSchedule)), "1 3 4 6");
    EXPECT_EQ(Pairs(engine.m_includedStaff), "=|0=|501=|503=|505=");
    const Probe course{"Course", nullptr, nullptr, &H::courseKey};
    EXPECT_EQ(Write(engine, {course}, &E::IsUsedCourse), QString());
    EXPECT_EQ(rows(Write(engine, {course}, &E::CollectCourseKey)), "1 2 3 4 5 6");
    EXPECT_EQ(Pairs(engine.m_usedCourses), "=|ART2=|MATH1=");
    engine.m_usedDays.Add(new XStringPair("A", ""));
    engine.m_usedDays.Add(new XStringPair("Z", ""));
    EXPECT_EQ(rows(Write(engine, {{"DayKey", nullptr, nullptr, &H::dayKey}}, &E::IsUsedDay)), "1 5 6");

    // With its raw condition the restriction turns the INNER JOIN builder off.
    {
        TableExtract t(engine, "Restriction", "");
        engine.m_handles.studentsTable = t.Source("Students", "stu");
        t.Add(engine.m_handles.studentsTable, Col("SchoolID").Into(&H::schoolId));
        engine.SetAnsiJoin(true);
        engine.m_altSchoolField = "AltSch";
        engine.AddSchoolRestriction({XString("101")});
        EXPECT_FALSE(engine.IsAnsiJoin());
        EXPECT_TRUE(QString(engine.ExpEngine::BuildQuery().CStr())
                        .endsWith(" AND vh_customfields.getCF('Students', stu.id, 'AltSch') = '1' "));
    }
    engine.Disconnect();
}

// Whole numbers beyond 32 bits get the answer of the converter's rule; a decimal beyond the data
// layer's range fails with the field and the value.
TEST_P(Lookups, ValuesOutOfRange)
{
    LookupEngine engine;
    Reports reports;
    ASSERT_TRUE(Run(engine, reports));
    engine.Connect(
        engine.BuildConnectionString(engine.GetDataSource(), engine.GetUserName(), engine.GetPassword()));
    EXPECT_EQ(Write(engine,
                    {{"Grade", "Grade", &E::GradeLevelText, nullptr},
                     {"Seconds", "Time", &E::TimeOfDayText, nullptr},
                     {"Status", "Active", &E::ActiveFlagText, &H::status},
                     {nullptr, "StaffActive", &E::StaffActiveFlag, nullptr},
                     {"StaffType", "Type", &E::StaffTypeName, &H::staffType},
                     {"Fine", "Credit", &E::FeeCreditAmount, nullptr},
                     {"Fine", "Debit", &E::FeeDebitAmount, nullptr}},
                    nullptr, "WideValues"),
              "1\t4294967295\t\tN\tN\t\t12.500000\t\n"
              "2\t-4294967296\t\tN\tN\t\t\t0.25");

    // Decimals: SQLite's driver reads these columns as doubles.
    const std::pair<const char*, const char*> beyond[] = {
        {"NotANumber", "NaN"}, {"Infinite", "Infinity"}, {"Huge", "79228162514264337593543950336"}};
    for (const auto& column : beyond) {
        if (!GetParam().pg)
            break;
        SCOPED_TRACE(column.first);
        std::string error;
        try {
            Write(engine, {{column.first, "Credit", &E::FeeCreditAmount, nullptr}}, nullptr, "WideValues");
        } catch (const XException& e) {
            error = e.GetMessage();
        }
        EXPECT_EQ(error.substr(0, error.find(" while writing")),
                  std::string("Failed with error [The value ") + column.second +
                      " does not fit in a decimal number. Field: " + column.first + "]");
    }

    // Whole numbers in decimal columns are read exactly: 2^53 + 1 and 2^63 - 1 keep their last
    // digit, and a value beyond 64 bits is named as it is stored.
    if (GetParam().pg) {
        const Probe whole = {"WholeGrade", "Grade", &E::GradeLevelText, nullptr};
        EXPECT_EQ(Write(engine, {whole}, nullptr, "WideValues"),
                  "1\t9007199254740993\n2\t9223372036854775807");
        std::string error;
        try {
            Write(engine, {{"WideGrade", "Grade", &E::GradeLevelText, nullptr}}, nullptr, "WideValues");
        } catch (const XException& e) {
            error = e.GetMessage();
        }
        EXPECT_EQ(error.substr(0, error.find(" while writing")),
                  "Failed with error [The value 99999999999999999999 does not fit in a 64-bit integer. "
                  "Field: WideGrade]");
    }
    engine.Disconnect();
}

TEST_P(Lookups, MissingTablesLeaveTheirTablesEmpty)
{
    LookupEngine engine;
    Reports reports;
    const auto lines = [&](const char* text) {
        QStringList out;
        for (const Reports::Line& log : reports.lines) {
            if (log.text == QLatin1String(text))
                out << QString::number(log.level) + '|' + log.method;
        }
        return out.join(',').toStdString();
    };
    ASSERT_TRUE(Run(engine, reports, "", "lookups_missing"));
    EXPECT_EQ(Pairs(engine.m_includedStudents) + '|' + Pairs(engine.m_studentNames), "7=|7=Solo, Sam");
    EXPECT_EQ(lines("Custom Field List: Required Table does not exist.") +
                  lines("Staff LUT: Required Table: Teachers does not exist.") +
                  lines("General Codes: Required Table does not exist."),
              "4|ExpEngine::BuildFieldLUT,7|ExpEngine::BuildFieldLUT"
              "4|ExpEngine::BuildIncludedStaffLUT,7|ExpEngine::BuildIncludedStaffLUT"
              "4|ExpEngine::BuildGeneralCodeLUT,7|ExpEngine::BuildGeneralCodeLUT");
    // vh_test has no Students: the query layer reports it and the run fails.
    LookupEngine noStudents;
    reports.Clear();
    reports.Attach(noStudents);
    ParamMap params = LoginParams(enginetest::kTestDsn);
    params.insert("path", enginetest::NewFolder("nostudents"));
    QString result;
    EXPECT_FALSE(noStudents.BeginExecute(params, 2, result));
    EXPECT_EQ(result.toStdString(), "Table does not exist : Students");
    EXPECT_TRUE(noStudents.m_includedStudents.IsEmpty());
    EXPECT_EQ(lines("Table does not exist : Students"), "2|ODBCDataAccess::AddTable");
    EXPECT_EQ(lines("Student Inclusion: Required Table does not exist."), "");
}

INSTANTIATE_ON_BOTH_SOURCES(Lookups);

XBuffer Bytes(std::initializer_list<unsigned char> bytes)
{
    return XBuffer(bytes.begin(), bytes.size());
}

TEST(CustomFieldData, ParsesWellFormedShortEmptyAndLongData)
{
    TestEngine engine;
    Reports reports;
    reports.Attach(engine);
    // The items as "key=value/type", joined by "|".
    const auto parse = [&](const XBuffer& data, bool want) {
        XStack<ExpEngine::CustomFieldValue> items;
        EXPECT_EQ(engine.ParseCustomFieldData(items, data), want);
        QStringList out;
        for (size_t i = 0; i < items.Count(); ++i) {
            const ExpEngine::CustomFieldValue* item = items.At(i);
            out << QString(item->key.CStr()) + '=' + QString(item->value.CStr()) + '/' +
                       QString::number(item->type);
            delete item;
        }
        return out.join('|');
    };
    const QString tooShort = "Custom Field: Data is too short to process.";
    const QString badFormat = QStringLiteral(
        "Custom Field: Data is in Bad format, custom fields may not be correct for this student.");

    EXPECT_EQ(parse(XBuffer(), true), QString());
    EXPECT_EQ(parse(Bytes({0x11, 0, 5, 0x12, 0, 1, 0x41}), true), "5=A/65");
    // 0x01 ends a value's continuation; other bytes up to the next record start continue it.
    EXPECT_EQ(
        parse(Bytes({0x11, 1, 2, 0x12, 0, 2, 'S', 'Y', 0x01, 0x11, 0, 5, 0x12, 0, 1, 'A', 'B', 'C'}), true),
        "66=SY/83|5=ABC/65");
    // Zero bytes add nothing; the largest id; an empty value.
    EXPECT_EQ(parse(Bytes({0x11, 255, 255, 0x12, 0, 3, 'A', 0, 'B', 0x11, 0, 1, 0x12, 0, 0, 'C'}), true),
              "16575=AB/65|1=C/67");
    EXPECT_TRUE(reports.lines.empty());
    EXPECT_EQ(parse(Bytes({0xAA, 0xBB, 0x11, 0, 5, 0x12, 0, 1, 'A'}), true), "5=A/65");
    EXPECT_EQ(reports.Texts("Custom Field:"), QStringList{badFormat});

    reports.Clear();
    EXPECT_EQ(parse(Bytes({0x11, 0, 5, 0x12}), false), QString());
    EXPECT_EQ(parse(Bytes({0x11, 0, 5, 0x12, 0, 1, 'A', 0x01, '1', '2', '3'}), false), "5=A/65");
    EXPECT_EQ(parse(Bytes({0x11, 0, 5, 0x12, 0, 1, 'A', '1', '2', '3'}), true), "5=A123/65");
    // A record that claims more bytes than there are keeps what there is, and fails.
    EXPECT_EQ(parse(Bytes({0x11, 0, 5, 0x12, 0, 9, 'A', 'B'}), false), "5=AB/65");
    EXPECT_EQ(reports.Texts("Custom Field:"), (QStringList{tooShort, tooShort, tooShort}));
    EXPECT_EQ(reports.Find(tooShort), "8||" + tooShort);
    reports.Clear();
    EXPECT_EQ(parse(Bytes({1, 2, 3, 4, 5, 6, 7, 8}), false), QString());
    EXPECT_EQ(reports.Texts("Custom Field:"), QStringList{badFormat});

    // Many records in one pass.
    XBuffer many;
    for (int i = 0; i < 100000; ++i) {
        const unsigned char record[] = {
            0x11, static_cast<unsigned char>(i / 64 % 64), static_cast<unsigned char>(i % 64), 0x12, 0, 1,
            'x'};
        many.Append(record, sizeof record);
    }
    XStack<ExpEngine::CustomFieldValue> items;
    EXPECT_TRUE(engine.ParseCustomFieldData(items, many));
    EXPECT_EQ(items.Count(), 100000u);
    EXPECT_STREQ(items.At(99999)->key.CStr(), "1695");  // 99999 % 4096
    while (ExpEngine::CustomFieldValue* item = items.Pop())
        delete item;
}

TEST(CustomFieldData, CaptionsFormatsAndDayLetters)
{
    QStringList captions;
    for (const char* name : {"MOTHER_HPHONE", "mother_rel", "Guardian_Street", "cnt1_RECVMAIL", "Notes"})
        captions << QString(ExpEngine::ContactFieldCaption(name).CStr());
    EXPECT_EQ(captions.join('|'), "Home Phone|Relation|Street|Can Rec'v Mail|Notes");

    LookupEngine engine;
    QStringList formats;
    for (const char* name : {"HomePhone", "homephone", "HOMEPHONE"})
        engine.m_fieldDefinitions.Add(new LookupEntry(XString(name), "", XString(name), "100"));
    for (const char* key : {"HomePhone", "homephone", "HOMEPHONE", "unknown"}) {
        ExpEngine::CustomFieldValue item;
        item.key = key;
        formats << QString(engine.GetCustomFieldFormat(item).CStr());
    }
    EXPECT_EQ(formats.join('|'), "NOFORMAT|PHONE|PHONE|NOFORMAT");

    EXPECT_EQ(ExpEngine::DayLetterToNumber("A") * 100 + ExpEngine::DayLetterToNumber("Z"), 126);
    EXPECT_EQ(ExpEngine::DayLetterToNumber("a") + ExpEngine::DayLetterToNumber("AB") +
                  ExpEngine::DayLetterToNumber(""),
              0);
    EXPECT_STREQ((ExpEngine::DayNumberToLetter(1) + ExpEngine::DayNumberToLetter(26)).CStr(), "AZ");
    EXPECT_STREQ((ExpEngine::DayNumberToLetter(0) + ExpEngine::DayNumberToLetter(27)).CStr(), "");
}

}  // namespace
