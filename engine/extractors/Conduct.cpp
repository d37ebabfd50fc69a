#include "ExtractKit.h"

// Conduct incidents and outcomes: the discipline entries of the log, one incident and one outcome
// per entry.

namespace {

const char* const kDisciplineLogType = "-100000";

}  // namespace

void ExpEngine::CreateConductOutcomes()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Conduct Outcome", "ConductOutcome.pef");
    ODBCTable* log = t.Source("Log", "log");
    if (t.Missing("Conduct Outcomes: Required Table does not exist."))
        return;
    t.Add(log, Col("DCID").Out("CndOutKey"));
    t.Add(log, Col("DCID").Out("CndOutInRef"));
    t.Add(log,
          Col("StudentID").Out("CndOutTargetStdRef", &ExpEngine::TargetStudentText).Into(&H::studentKey));
    t.Add(log,
          Col("TeacherID").Out("CndOutTargetStaffRef", &DataAccessBase::FormatZeroBlank).Into(&H::staffKey));
    t.Add(log, Col("StudentID").Out("CndOutTargetName", &ExpEngine::TargetNameText));
    t.Add(log, Col("Subtype").Out("CndOutTypeRef").Into(&H::subtype));
    t.Add(log, Col("Discipline_ActionTaken").Out("CndOutTypeRef"));
    ODBCField* start =
        t.Add(log, Col("Discipline_ActionDate").Out("CndOutStartDate", &ExpEngine::FormatDate));
    ODBCField* end =
        t.Add(log, Col("Discipline_ActionTakenEndDate").Out("CndOutEndDate", &ExpEngine::FormatDate));
    t.Add(log, Col("Discipline_AdministratorID").Out("CndOutRefereeStaffRef"));
    t.Add(log, Col("Consequence").Out("CndOutTypeRef").Into(&H::consequence));
    t.Add(log, Col("Consequence").Out("CndOutNote", &ExpEngine::ConsequenceText).Into(&H::consequence));
    ODBCField* logType = t.Add(log, Col("LogTypeID").Req());
    t.Add(log, Col("SchoolID").Req().Into(&H::schoolId));

    AddSchoolRestriction(m_altSchoolNumbers);
    t.Where(logType, kDisciplineLogType);
    if (m_conductDateFilter && (start || end)) {
        if (m_yearStart.IsEmpty()) {
            LogMessage(
                4, "Conduct Outcomes: no school year start date, the conduct date filter is not applied.");
        } else {
            const XString from = SQLDate(m_yearStart);
            if (start && end) {
                // Started on or after the year start, or still running then.
                t.Where(start, from, ">=", 1);
                t.Condition("OR", end, from, ">=", 0);
            } else {
                t.Where(start ? start : end, from, ">=");
            }
        }
    }
    t.Write(&ExpEngine::IsIncludedStudent);
}

void ExpEngine::CreateConductIncidents()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Conduct Incidents", "ConductIncident.pef");
    ODBCTable* log = t.Source("Log", "log");
    if (t.Missing("Conduct Incidents: Required Table does not exist."))
        return;
    t.Add(log, Col("StudentID").Req().Into(&H::studentKey));
    t.Add(log, Col("TeacherID").Req().Into(&H::staffKey));
    t.Add(log, Col("DCID").Out("CndInKey"));
    t.Add(log, Col("Discipline_IncidentDate").Out("xDiscipline_IncidentDate", &ExpEngine::FormatDate));
    t.Add(log, Col("Discipline_IncidentLocation")
                   .Out("CndInRoomRef", &ExpEngine::IncidentLocationText)
                   .Into(&H::incidentLocation));
    t.Add(log, Col("Subtype").Out("CndInTypeRef").Into(&H::subtype));
    t.Add(log, Col("Discipline_IncidentType").Out("CndInTypeRef"));
    t.Add(log, Col("Entry").Out("CndInNote", &DataAccessBase::FormatNoLineBreaks));
    t.Add(log, Col("Entry_Author").Out("CndInRefererStaffName"));
    ODBCField* entryDate = t.Add(log, Col("Entry_Date").Out("CndInDate", &ExpEngine::FormatDate));
    t.Add(log, Col("Entry_Time").Out("CndInTime", &DataAccessBase::FormatTime));
    t.Computed("CndInRefereeStaffRef", &ExpEngine::RefereeStaffText);
    // The perpetrator's key comes before the name, which depends on it.
    t.Computed("CndInPerpStdRef", &ExpEngine::PerpStudentText);
    t.Computed("CndInPerpStaffRef", &ExpEngine::EmptyText);
    t.Computed("CndInPerpName", &ExpEngine::PerpNameText);
    for (const char* title : {"CndInVictimStdRef", "CndInVictimStaffRef", "CndInVictimName",
                              "CndInWitnessStdRef", "CndInWitnessStaffRef", "CndInWitnessName"})
        t.Computed(title, &ExpEngine::EmptyText);
    t.Add(log, Col("Discipline_WeaponType").Out("CndInWeaponCode"));
    t.Add(log, Col("Discipline_AlcoholRelatedFlag").Out("CndInAlcoholRelated", &DataAccessBase::FormatYN));
    t.Add(log, Col("Discipline_DrugRelatedFlag").Out("CndInDrugRelated", &DataAccessBase::FormatYN));
    t.Add(log, Col("Discipline_DrugTypeDetail").Out("Discipline_DrugTypeDetail"));
    t.Add(log, Col("Discipline_GangRelatedFlag").Out("CndInGangRelated", &DataAccessBase::FormatYN));
    t.Add(log, Col("Discipline_HateCrimeFlag").Out("CndInHateRelated", &DataAccessBase::FormatYN));
    t.Add(log, Col("Discipline_PoliceInvolvedFlag").Out("CndInPoliceNotified", &DataAccessBase::FormatYN));
    t.Add(log, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* logType = t.Add(log, Col("LogTypeID").Req());

    AddSchoolRestriction(m_altSchoolNumbers);
    t.Where(logType, kDisciplineLogType);
    if (m_conductDateFilter && entryDate) {
        if (m_yearStart.IsEmpty())
            LogMessage(
                4, "Conduct Incidents: no school year start date, the conduct date filter is not applied.");
        else
            t.Where(entryDate, SQLDate(m_yearStart), ">=");
    }
    t.Write(&ExpEngine::IsIncludedStudent);
}
