#include "ExtractKit.h"

// The student main record.

void ExpEngine::CreateStudentMain()
{
    using H = ColumnHandles;
    static const char* const kMethod = "ExpEngine::CreateStudentMain";
    static const char* const kSchool = "#customschoolfield";
    static const char* const kCom = "#customcomfield";

    // Cleared by the bus-in converter as soon as one written student has a route or a stop.
    m_busTextMissing = true;
    TableExtract t(*this, "Student Demographics: Main", "Students.pef");
    ODBCTable* stu = t.RequiredSource("Students", "stu");
    if (!stu) {
        LogMessage(4, "Student Demographics: Required Table does not exist.", kMethod);
        LogMessage(7, "Student Demographics: Required Table does not exist.", kMethod);
        return;
    }
    m_handles.studentsTable = stu;

    ODBCField* key = t.Add(stu, Col("ID").Out("StdKey").Req().Into(&H::studentKey));
    t.Add(stu, Col("Student_Number").Out("StdNum").Req());
    t.Add(stu, Col("LastFirst").Out("StdFullName"));
    t.Add(stu, Col("First_Name").Out("StdFirstName").Req());
    t.Add(stu, Col("Middle_Name").Out("StdMiddleName"));
    t.Add(stu, Col("Last_Name").Out("StdLastName").Req());
    t.Add(stu, Col("Gender").Out("StdSex"));
    t.Add(stu, Col("DOB").Out("StdBirthDate", &ExpEngine::FormatDate));
    t.Add(stu, Col("Street").Out("StdAddress1"));
    t.Add(stu, Col("City").Out("StdCity"));
    t.Add(stu, Col("State").Out("StdState"));
    t.Add(stu, Col("Zip").Out("StdZip"));
    t.Add(stu, Col("Mailing_City").Out("StdMailCity"));
    t.Add(stu, Col("Mailing_Street").Out("StdMailAddress1"));
    t.Add(stu, Col("Mailing_State").Out("StdMailState"));
    t.Add(stu, Col("Mailing_Zip").Out("StdMailZip"));
    t.Add(stu, Col("Track").Out("StdTrack"));
    t.Add(stu, Col("Grade_Level").Out("StdGrade", &ExpEngine::GradeLevelText));
    t.Add(stu, Col("Homeroom").Out("StdHRRoomRef"));
    t.Add(stu, Col("Locker_Number").Out("StdLocker"));
    t.Add(stu, Col("Locker_Combination").Out("StdLockerCombo"));
    t.Add(stu, Col("Bus_Route").Out("StdBusIn", &ExpEngine::BusRouteStopText));
    t.Add(stu, Col("Bus_Route")
                   .Out("StdBusRoute")
                   .Into(&H::route)
                   .Custom("BusRoute", "Bus Route", kSchool, "NOFORMAT"));
    t.Add(
        stu,
        Col("Bus_Stop").Out("StdBusStop").Into(&H::stop).Custom("BusStop", "Bus  Stop", kSchool, "NOFORMAT"));
    ODBCField* status =
        t.Add(stu, Col("Enroll_Status").Out("StdActive", &ExpEngine::ActiveFlagText).Req().Into(&H::status));
    t.Add(stu, Col("PhotoFlag").Out("notUsed", &ExpEngine::FormatYesNo));
    t.Add(stu, Col("EntryDate").Out("StdEnterDate", &ExpEngine::FormatDate));
    t.Add(stu, Col("ExitDate").Out("StdLeaveDate", &ExpEngine::LeaveDateText).Into(&H::leaveDate));
    t.Add(stu, Col("GuardianEmail")
                   .Out("StdGuardianEmail")
                   .Custom("GuardianEmail", "Guardian Email", kCom, "EMAIL"));
    t.Add(stu, Col("ClassOf").Out("StdClassOf").Custom("ClassOf", "Class Of", kSchool, "NOFORMAT"));
    t.Add(stu, Col("State_StudentNumber").Out("StdStateID"));
    t.Add(stu, Col("TransferComment")
                   .Out("StdTransferComment", &ExpEngine::FormatNoLineBreaks)
                   .Custom("TransferComment", "Transfer Comment", kSchool, "NOFORMAT"));
    t.Add(stu, Col("GuardianFax")
                   .Out("StdGuardianFax", &ExpEngine::FormatPhoneNumber)
                   .Custom("GuardianFax", "Guardian Fax", kCom, "PHONE"));
    t.Add(stu, Col("EntryCode")
                   .Out("StdEntryCode", &ExpEngine::EntryCodeText)
                   .Into(&H::entryCode)
                   .Custom("EntryCode", "Entry Code", kSchool, "NOFORMAT"));
    t.Add(stu, Col("ExitCode")
                   .Out("StdExitCode", &ExpEngine::ExitCodeText)
                   .Into(&H::exitCode)
                   .Custom("ExitCode", "Exit Code", kSchool, "NOFORMAT"));
    if (t.Add(stu, Col("Balance1").Out("StdLunchBalance", &ExpEngine::FormatMoney)))
        m_registeredCustomFields->AddCustomField("LunchBalance", "Lunch Balance", kSchool, "MONEY", 1);
    t.Add(stu, Col("Ethnicity")
                   .Out("StdEthnicity", &ExpEngine::EthnicityText)
                   .Into(&H::ethnicity)
                   .Custom("Ethnicity", "Ethnicity", "#custombasicfield", "NOFORMAT"));
    t.Add(stu, Col("Father").Out("StdFather").Custom("Father", "Father", kCom, "NOFORMAT"));
    t.Add(stu, Col("Home_Phone")
                   .Out("StdHomePhone", &ExpEngine::FormatPhoneNumber)
                   .Custom("HomePhone", "Home Phone", kCom, "PHONE"));
    t.Add(stu, Col("Mother").Out("StdMother").Custom("Mother", "Mother", kCom, "NOFORMAT"));
    t.Add(stu, Col("SchoolEntryDate")
                   .Out("StdSchoolEntry", &ExpEngine::FormatDate)
                   .Custom("SchoolEntry", "Entered School", kSchool, "DATE"));
    t.Add(stu, Col("SchoolEntryGradeLevel")
                   .Out("StdSchoolEntryGrade", &ExpEngine::FormatZeroBlank)
                   .Custom("SchoolEntryGrade", "Entry Grade", kSchool, "NOFORMAT"));
    t.Add(stu, Col("DistrictOfResidence")
                   .Out("DistrictResidence")
                   .Custom("DistrictResidence", "District Residence", kSchool, "NOFORMAT"));
    t.Add(stu, Col("EnrollmentType")
                   .Out("EnrollmentType")
                   .Custom("EnrollmentType", "Enrollment Type", kSchool, "NOFORMAT"));
    t.Add(stu, Col("EnrollmentCode")
                   .Out("EnrollmentCode")
                   .Custom("EnrollmentCode", "Enrollment Code", kSchool, "NOFORMAT"));
    t.Add(stu,
          Col("ExitComment").Out("ExitComment").Custom("ExitComment", "Exit Comment", kSchool, "NOFORMAT"));
    t.Add(stu, Col("Team").Out("StdTeam").Custom("Team", "Team", kSchool, "NOFORMAT"));
    t.Add(stu, Col("House").Out("StdHouse").Custom("House", "House", kSchool, "NOFORMAT"));
    t.Add(stu, Col("Building").Out("StdBuilding").Custom("Building", "Building", kSchool, "NOFORMAT"));
    t.Add(stu, Col("SummerSchoolNote")
                   .Out("StdSummerSchool")
                   .Custom("SummerSchool", "Summer School", kSchool, "NOFORMAT"));
    t.Add(stu, Col("SchoolID").Req().Into(&H::schoolId));

    AddSchoolRestriction(m_altSchoolNumbers);
    t.WhereEnrolled(status);
    t.OrderBy(key);
    t.Write(&ExpEngine::IsIncludedStudent);
}
