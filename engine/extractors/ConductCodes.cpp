#include "ExtractKit.h"

// Conduct code tables from the general code table: incident and outcome types of the school,
// and the subtypes of the discipline log type.

namespace {

struct CodeTable
{
    const char* title;
    const char* file;
    const char* missing;
    const char* category;  // SQL literal
    bool subtypes;         // codes in Value/ValueT of the discipline log type, else Name/Value of the school
    const char* keyTitle;
    const char* nameTitle;
    bool severity;  // a constant "MINOR" severity ends each line
};

const CodeTable kIncidentTypes = {"Conduct Incident Types",
                                  "ConductInType.pef",
                                  "Conduct Incident Types: Required Table does not exist.",
                                  "'disc_incid_cat'",
                                  false,
                                  "CndInTypeKey",
                                  "CndInTypeName",
                                  false};
const CodeTable kOutcomeTypes = {"Conduct Outcome Types",
                                 "ConductOutType.pef",
                                 "Conduct Outcome Types: Required Table does not exist.",
                                 "'disc_action_dtl'",
                                 false,
                                 "CndOutTypeKey",
                                 "CndOutTypeName",
                                 true};
const CodeTable kIncidentSubTypes = {"Conduct Incident Subtypes",
                                     "ConductIncidentSubTypes.pef",
                                     "Conduct Incident Subtypes: Required Table does not exist.",
                                     "'subtype'",
                                     true,
                                     "CndInTypeKey",
                                     "CndInTypeName",
                                     false};
const CodeTable kOutcomeSubTypes = {"Conduct Outcome Types",
                                    "ConductOutcomeSubType.pef",
                                    "Conduct Outcome Subtypes: Required Table does not exist.",
                                    "'subtype'",
                                    true,
                                    "CndOutTypeKey",
                                    "CndOutTypeName",
                                    true};

void WriteCodeTable(ExpEngine& engine, const CodeTable& table)
{
    using H = ExpEngine::ColumnHandles;
    TableExtract t(engine, table.title, table.file);
    ODBCTable* gen = t.Source("Gen", "general");
    if (t.Missing(table.missing))
        return;
    ODBCField* school = t.Add(gen, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* category = t.Add(gen, Col("Cat").Req());
    ODBCField* name = nullptr;
    if (table.subtypes) {
        name = t.Add(gen, Col("Name").Req());
        t.Add(gen, Col("Value").Out(table.keyTitle));
        t.Add(gen, Col("ValueT").Out(table.nameTitle));
    } else {
        t.Add(gen, Col("Name").Out(table.keyTitle));
        t.Add(gen, Col("Value").Out(table.nameTitle));
    }
    if (table.severity)
        t.Constant("CndOutTypeSeverity", "MINOR");
    t.Where(category, table.category);
    if (table.subtypes)
        t.Where(name, "'-100000'");
    else
        t.WhereSchool(school);
    t.Write();
}

}  // namespace

void ExpEngine::CreateConductIncidentTypes()
{
    WriteCodeTable(*this, kIncidentTypes);
}

void ExpEngine::CreateConductOutcomeTypes()
{
    WriteCodeTable(*this, kOutcomeTypes);
}

void ExpEngine::CreateConductIncidentSubTypes()
{
    WriteCodeTable(*this, kIncidentSubTypes);
}

void ExpEngine::CreateConductOutcomeSubTypes()
{
    WriteCodeTable(*this, kOutcomeSubTypes);
}

void ExpEngine::CreateConductConsequenceTypes()
{
    // The consequence types have no source of their own: the table is opened and ended without
    // a file, and the message is logged on every run.
    TableExtract t(*this, "Conduct Outcome Types", "ConductOutcomeConsequenceType.pef");
    t.Source("Gen", "general");
    LogMessage(7, "Conduct Consequence Types: Required Table does not exist.");
}
