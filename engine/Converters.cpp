// Row filters and value converters of the engine.
// PLACEHOLDER BODIES: being written (lookup/inclusion work); every body below is replaced.
#include "ExpEngine.h"

bool ExpEngine::IsIncludedStudent()
{
    return true;
}

bool ExpEngine::IsIncludedStudentAlert()
{
    return true;
}

bool ExpEngine::IsIncludedStaff()
{
    return true;
}

bool ExpEngine::IsUsedDay()
{
    return true;
}

bool ExpEngine::IsUsedCourse()
{
    return true;
}

bool ExpEngine::IsIncludedSchedule()
{
    return true;
}

bool ExpEngine::CollectCourseKey()
{
    return true;
}

bool ExpEngine::CollectStaffKey()
{
    return true;
}

bool ExpEngine::FilterAlternativeSchool()
{
    return true;
}

XString ExpEngine::GetSecKey()
{
    return XString();
}

XString ExpEngine::FeeCreditAmount()
{
    return XString();
}

XString ExpEngine::FeeDebitAmount()
{
    return XString();
}

XString ExpEngine::GradeLevelText()
{
    return XString();
}

XString ExpEngine::StudentNameText()
{
    return XString();
}

XString ExpEngine::StaffNameText()
{
    return XString();
}

XString ExpEngine::RefereeStaffText()
{
    return XString();
}

XString ExpEngine::PerpStudentText()
{
    return XString();
}

XString ExpEngine::PerpNameText()
{
    return XString();
}

XString ExpEngine::EmptyText()
{
    return XString();
}

XString ExpEngine::TargetStudentText()
{
    return XString();
}

XString ExpEngine::TargetNameText()
{
    return XString();
}

XString ExpEngine::NextBusNoteKey()
{
    return XString();
}

XString ExpEngine::BusNoteTitle()
{
    return XString();
}

XString ExpEngine::JoinBusFields()
{
    return XString();
}

XString ExpEngine::BusDaysText()
{
    return XString();
}

XString ExpEngine::BusRouteText()
{
    return XString();
}

XString ExpEngine::BusRouteStopText()
{
    return XString();
}

XString ExpEngine::YearTermKeyText()
{
    return XString();
}

XString ExpEngine::ActiveFlagText()
{
    return XString();
}

XString ExpEngine::StaffActiveFlag()
{
    return XString();
}

XString ExpEngine::StaffTypeName()
{
    return XString();
}

XString ExpEngine::GradeCodeWord()
{
    return XString();
}

XString ExpEngine::AbsenceFlagText()
{
    return XString();
}

XString ExpEngine::AbsentStatusDigit()
{
    return XString();
}

XString ExpEngine::TardyFlagText()
{
    return XString();
}

XString ExpEngine::EthnicityText()
{
    return XString();
}

XString ExpEngine::LanguageText()
{
    return XString();
}

XString ExpEngine::ConsequenceText()
{
    return XString();
}

XString ExpEngine::SubtypeText()
{
    return XString();
}

XString ExpEngine::IncidentLocationText()
{
    return XString();
}

XString ExpEngine::EntryCodeText()
{
    return XString();
}

XString ExpEngine::ExitCodeText()
{
    return XString();
}

XString ExpEngine::LeaveDateText()
{
    return XString();
}

XString ExpEngine::TimeOfDayText()
{
    return XString();
}

XString ExpEngine::GroupSequenceNumber()
{
    return XString();
}

int ExpEngine::DayLetterToNumber(const XString&)
{
    return 0;
}

XString ExpEngine::DayNumberToLetter(int)
{
    return XString();
}

void ExpEngine::AddSchoolRestriction(const std::vector<XString>&) {}

bool ExpEngine::ParseCustomFieldData(XStack<CustomFieldValue>&, const XBuffer&)
{
    return true;
}

const LookupEntry* ExpEngine::FindFieldInfo(const CustomFieldValue&)
{
    return nullptr;
}

XString ExpEngine::GetCustomFieldFormat(CustomFieldValue)
{
    return "NOFORMAT";
}

XString ExpEngine::ContactFieldCaption(const XString& name)
{
    return name;
}
