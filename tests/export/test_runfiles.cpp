// The main file, include files and SchoolConfig.xml.

#include "ExportTestSupport.h"

#include "SchoolConfig.h"

#include <QDir>
#include <QFile>

namespace {

void WriteTableOf(FakeTask& task, const char* title, const char* file, bool safe,
                  std::vector<const char*> titles)
{
    task.StartTable(title, file, safe);
    task.ClearColumns();
    for (size_t i = 0; i < titles.size(); ++i) {
        task.ValueColumn(static_cast<int>(i));
        task.AddHeaderField(titles[i]);
    }
    task.WriteTable(nullptr, "");
    task.EndTable();
}

}  // namespace

TEST(RunFiles, MainFileIncludeFilesAndCustomFields)
{
    TempFolder folder;
    FakeTask task;
    Prepare(task, folder);
    SISExpCustomFieldList fields("CustomFieldConfig.pde", "User-Defined Fields", "StudentCustom.pef", true);
    fields.AddCustomField("Locker", "Locker", "#customhiddenfield", "NOFORMAT");
    fields.GetHeader().AddTitle("stale title");
    task.AddCustomFieldList(&fields);
    task.AddCustomFieldList(&fields);  // registered once
    task.SetMinVersion("7.5.0.0");
    task.SetMaxExpectedTimeSlots(8);

    task.StartImport();
    EXPECT_FALSE(fields.GetHeader().HasTitles());
    task.rows = {{"1", "Ann"}};
    WriteTableOf(task, "Students", "Students.pef", false, {"StdKey", "StdName"});
    task.AddHeaderField("StdHomePhone", "HomePhone", "Home Phone", "#customcomfield", "PHONE");
    task.AddHeaderField(nullptr, "HomePhone", "Again", "#customcomfield", "PHONE");
    WriteTableOf(task, "Attendance Codes", "AttCodes.pef", true, {"AttCodeKey"});
    task.StartTable("Courses", "Courses.pef", false);  // a missing table: no titles, not listed
    task.EndTable();
    task.FinishImport();

    const std::string expected = "// Tamberlyn Data Extractor for Varnholm 3.3.2.0\r\n"
                                 "// Created: 03/05/2024 2:07:09 PM\r\n"
                                 "#pragma dateformat \"mm/dd/yyyy\"\r\n"
                                 "#pragma timeformat \"HH:NN:SS AA\"\r\n"
                                 "#pragma datetimeformat \"mm/dd/yyyy HH:NN:SS AA\"\r\n"
                                 "#pragma minversion \"7.5.0.0\"\r\n"
                                 "#pragma maxexpectedtimeslots \"8\"\r\n"
                                 "// Custom Fields\r\n"
                                 "#customcomfield \"HomePhone\" \"Home Phone\" \"PHONE\"\r\n"
                                 "// Students\r\n"
                                 "StdKey\tStdName\tStdHomePhone\r\n"
                                 "#include \"Students.pef\"\r\n"
                                 "*\r\n"
                                 "\r\n"
                                 "// Attendance Codes\r\n"
                                 "AttCodeKey\r\n"
                                 "#safeinclude \"AttCodes.pef\"\r\n"
                                 "*\r\n"
                                 "\r\n"
                                 "#include \"CustomFieldConfig.pde\"\r\n"
                                 "// Start Time: 03/05/2024 2:07:09 PM\r\n"
                                 "// End Time: 03/05/2024 2:07:09 PM\r\n";
    EXPECT_EQ(ReadBytes(folder.File("Varnholm.PDE")), expected);
    EXPECT_EQ(ReadBytes(folder.File("CustomFieldConfig.pde")),
              "// User-Defined Fields\r\n//#customhiddenfield \"Locker\" \"Locker\" \"NOFORMAT\"\r\n");

    // A second run leaves the include file that exists (the user may have edited it).
    WriteBytes(folder.File("CustomFieldConfig.pde"), "edited");
    fields.AddCustomField("Bus", "Bus", "#custombasicfield", "NOFORMAT");
    task.StartImport();
    task.SetMinVersion(XVersion());
    task.SetMaxExpectedTimeSlots(0);
    task.FinishImport();
    EXPECT_EQ(ReadBytes(folder.File("CustomFieldConfig.pde")), "edited");
    const std::string bare = ReadBytes(folder.File("Varnholm.PDE"));
    EXPECT_EQ(bare.find("Students"), std::string::npos);  // the header blocks went with StartImport
    EXPECT_EQ(bare.find("minversion"), std::string::npos);
    EXPECT_EQ(bare.find("maxexpectedtimeslots"), std::string::npos);
    EXPECT_NE(bare.find("#include \"CustomFieldConfig.pde\"\r\n"), std::string::npos);

    // The include file is written before the main file: when it cannot be, no main file names it.
    QDir().mkpath(QString::fromStdString(folder.File("fresh/CustomFieldConfig.pde.partial")));
    task.SetOutputFolder(folder.File("fresh").c_str());
    std::string text = Thrown([&] { task.FinishImport(); });
    EXPECT_NE(text.find("] while writing file [CustomFieldConfig.pde]"), std::string::npos) << text;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.File("fresh/Varnholm.PDE"))));

    // Writing into a folder that is not one fails with the file's name.
    WriteBytes(folder.File("plainfile"), "x");
    task.SetOutputFolder(folder.File("plainfile").c_str());
    text = Thrown([&] { task.FinishImport(); });
    EXPECT_EQ(text.rfind("Failed with error [", 0), 0u) << text;
    EXPECT_NE(text.find("] while writing file [CustomFieldConfig.pde]"), std::string::npos) << text;
}

TEST(RunFiles, CustomFieldLinesKeepTheirQuotedValues)
{
    TempFolder folder;
    FakeTask task;
    Prepare(task, folder);
    SISExpCustomFieldList fields("CustomFieldConfig.pde", "User-Defined Fields", "StudentCustom.pef", true);
    fields.AddCustomField("MOTHER_HPHONE", "Mother \"home\" phone", "#customcomfield", "PHONE", 0);
    fields.AddCustomField("Shoe\"Size", "\"Size\"", "#customhiddenfield", "NOFORMAT");
    fields.AddCustomField("Plain", "It's plain", "#customhiddenfield", "NOFORMAT");
    fields.AddCustomField("Two\r\nLines", "Tab\there", "#customhiddenfield", "NOFORMAT");
    task.AddCustomFieldList(&fields);

    task.StartImport();
    task.rows = {{"1"}};
    task.StartTable("Students", "Students.pef", false);
    task.ClearColumns();
    task.ValueColumn(0);
    task.AddHeaderField("StdMother", "Mother\"s", "Mother \"M\"", "#customcomfield", "NOFORMAT");
    task.WriteTable(nullptr, "");
    task.EndTable();
    task.FinishImport();

    const std::string main = ReadBytes(folder.File("Varnholm.PDE"));
    EXPECT_NE(main.find("// Custom Fields\r\n#customcomfield \"Mother's\" \"Mother 'M'\" \"NOFORMAT\"\r\n"),
              std::string::npos)
        << main;
    EXPECT_EQ(ReadBytes(folder.File("CustomFieldConfig.pde")),
              "// User-Defined Fields\r\n"
              "#customcomfield \"MOTHER_HPHONE\" \"Mother 'home' phone\" \"PHONE\"\r\n"
              "//#customhiddenfield \"Shoe'Size\" \"'Size'\" \"NOFORMAT\"\r\n"
              "//#customhiddenfield \"Plain\" \"It's plain\" \"NOFORMAT\"\r\n"
              "//#customhiddenfield \"Two  Lines\" \"Tabhere\" \"NOFORMAT\"\r\n");
}

TEST(RunFiles, SchoolConfigRecordAndChangeDetection)
{
    TempFolder folder;
    FakeTask task;
    Prepare(task, folder);
    task.m_bridgeAlias = "";
    task.m_districtNumber = "";

    // No record yet: a changed configuration; the update date stays empty without an update pass.
    WriteBytes(folder.File("Update 20240101010101.PDU"), "old");
    WriteBytes(folder.File("update 20240101010102.pdu"), "old");
    WriteBytes(folder.File("Keep.PDU"), "other");
    WriteBytes(folder.File("Attendance/Attendance.db"), "cache");
    task.StartWriter();
    EXPECT_TRUE(task.log.contains("7|PDEWriter::StartWriter|Bridge Configuration Changed."));
    EXPECT_TRUE(task.log.contains(QString("7|PDEWriter::StartWriter|Import Folder: ") + folder.path.c_str()));
    EXPECT_FALSE(fs::exists(folder.File("Update 20240101010101.PDU")));
    EXPECT_FALSE(fs::exists(folder.File("update 20240101010102.pdu")));
    EXPECT_TRUE(fs::exists(folder.File("Keep.PDU")));
    EXPECT_FALSE(fs::exists(folder.File("Attendance/Attendance.db")));
    task.WriteSchoolConfig();
    EXPECT_EQ(ReadBytes(folder.File("SchoolConfig.xml")), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                                          "<SchoolConfig>\r\n"
                                                          "  <BridgeAlias></BridgeAlias>\r\n"
                                                          "  <District></District>\r\n"
                                                          "  <School>101</School>\r\n"
                                                          "  <Year>2023-2024</Year>\r\n"
                                                          "  <DataSource>FakeDSN</DataSource>\r\n"
                                                          "  <Version>3.3.2.0</Version>\r\n"
                                                          "  <UpdateDate></UpdateDate>\r\n"
                                                          "</SchoolConfig>\r\n");

    // An update pass that caches no attendance leaves the date as it was.
    {
        FakeTask next;
        Prepare(next, folder);
        next.dataSource = "FakeDSN";
        next.StartWriter();
        XTextFile update;
        next.StartUpdateFile(&update);
        next.FinishUpdateFile();
        next.Finish();
        SchoolConfig written;
        ASSERT_TRUE(written.Read(folder.File("SchoolConfig.xml").c_str()));
        EXPECT_TRUE(written.updateDate.IsEmpty());
    }

    // An update pass whose attendance table was started but never read (a missing source table)
    // leaves the date as it was, and says why.
    {
        FakeTask next;
        Prepare(next, folder);
        next.dataSource = "FakeDSN";
        next.StartWriter();
        XTextFile update;
        next.StartUpdateFile(&update);
        next.StartAttTable("DAILY_ATT", true, false);
        next.FinishUpdateFile();
        next.Finish();
        SchoolConfig written;
        ASSERT_TRUE(written.Read(folder.File("SchoolConfig.xml").c_str()));
        EXPECT_TRUE(written.updateDate.IsEmpty());
        EXPECT_TRUE(
            next.log.contains("4|PDEWriter::FinishUpdateFile|The update date stays at none: the source "
                              "attendance for DAILY_ATT could not be read, so the next run reads these "
                              "days again."))
            << next.log.join('\n').toStdString();
    }

    // The same identity with another version: unchanged. An update pass that caches attendance
    // advances the date.
    {
        FakeTask next;
        Prepare(next, folder);
        next.m_params["appVersion_"] = "3.3.3.0";
        next.dataSource = "FakeDSN";
        next.StartWriter();
        EXPECT_TRUE(next.log.contains("7|PDEWriter::StartWriter|Bridge Configuration Did Not Change."));
        XTextFile update;
        next.StartUpdateFile(&update);
        next.StartAttTable("DAILY_ATT", true, false);
        next.WriteAttendanceTable(Ymd(2024, 2, 1), Ymd(2024, 6, 1), nullptr, false);
        next.FinishUpdateFile();
        next.Finish();
        EXPECT_TRUE(next.log.contains("5||Export complete."));
        EXPECT_TRUE(next.progress.contains("inc Export complete."));
        EXPECT_EQ(next.progress.last(), "bridge_complete -1");
        SchoolConfig written;
        ASSERT_TRUE(written.Read(folder.File("SchoolConfig.xml").c_str()));
        EXPECT_EQ(written.updateDate, Ymd(2024, 3, 5));
        EXPECT_STREQ(written.version.CStr(), "3.3.3.0");
    }

    // A recorded overlap and date survive a run without an update pass.
    std::string xml = ReadBytes(folder.File("SchoolConfig.xml"));
    xml.insert(xml.find("</SchoolConfig>"), "  <OverlapInDays>3</OverlapInDays>\r\n");
    WriteBytes(folder.File("SchoolConfig.xml"), xml);
    {
        FakeTask next;
        Prepare(next, folder);
        next.SetFixedNow(XDateTime(Ymd(2024, 3, 9), XTime(0)));
        next.script = [&next](QString& result) {
            EXPECT_EQ(next.GetUpdateDate(), Ymd(2024, 3, 5));  // read by BeginExecute
            next.StartWriter();
            next.StartImport();
            next.FinishImport();
            next.Finish();
            result = "Execute completed successfully.";
            return true;
        };
        QString result;
        EXPECT_TRUE(next.BeginExecute(next.m_params, BridgeTaskBase::ModeFull, result));
        SchoolConfig written;
        ASSERT_TRUE(written.Read(folder.File("SchoolConfig.xml").c_str()));
        EXPECT_EQ(written.updateDate, Ymd(2024, 3, 5));
        EXPECT_TRUE(written.hasOverlapInDays);
        EXPECT_STREQ(written.overlapInDays.CStr(), "3");
    }

    // A malformed record fails the run and deletes nothing.
    const char* broken[] = {"<SchoolConfig><School>101</School>", "not xml at all", "<Other/>",
                            "<SchoolConfig><School>101</School></SchoolConfig>"};
    for (const char* bytes : broken) {
        WriteBytes(folder.File("SchoolConfig.xml"), bytes);
        WriteBytes(folder.File("Update 20240301000000.PDU"), "old");
        FakeTask next;
        Prepare(next, folder);
        EXPECT_THROW(next.StartWriter(), XException) << bytes;
        EXPECT_EQ(ReadBytes(folder.File("SchoolConfig.xml")), bytes);
        EXPECT_TRUE(fs::exists(folder.File("Update 20240301000000.PDU")));
    }
    fs::remove(folder.File("Update 20240301000000.PDU"));
    task.WriteSchoolConfig();
    {
        FakeTask other;
        Prepare(other, folder);
        other.dataSource = "OtherDSN";
        other.StartWriter();
        EXPECT_TRUE(other.log.contains("7|PDEWriter::StartWriter|Bridge Configuration Changed."));
    }
}
