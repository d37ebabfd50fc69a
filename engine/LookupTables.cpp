// Lookup tables filled from the source before the full pass, and the built-in attendance codes.
#include "ExtractKit.h"
#include "LookupBatch.h"

namespace {

// A missing source table leaves its lookup tables empty; the run goes on.
void LogMissing(ExpEngine& engine, const char* text, const char* method)
{
    engine.LogMessage(4, text, method);
    engine.LogMessage(7, text, method);
}

}  // namespace

void ExpEngine::BuildFieldLUT()
{
    static const char* const method = "ExpEngine::BuildFieldLUT";
    TableExtract t(*this, "Custom Field List", "");
    ODBCTable* fields = t.Source("FieldsTable", "fields");
    if (!fields) {
        LogMissing(*this, "Custom Field List: Required Table does not exist.", method);
        return;
    }
    ODBCField* id = t.Add(fields, Col("ID").Req());
    ODBCField* fileNumber = t.Add(fields, Col("FILENO").Req());
    ODBCField* name = t.Add(fields, Col("NAME").Req());
    ODBCField* description = t.Add(fields, Col("DESCRIPTION").Req());
    OpenTable(true);
    for (bool more = MoveFirst(); more; more = MoveNext()) {
        LookupEntry* entry = new LookupEntry(GetTrimmedString(id), GetTrimmedString(description),
                                             GetTrimmedString(name), GetTrimmedString(fileNumber));
        // The first definition read for an id wins.
        if (m_fieldDefinitions.FindOrAdd(entry) != entry)
            delete entry;
    }
}

void ExpEngine::BuildIncludedStaffLUT()
{
    static const char* const method = "ExpEngine::BuildIncludedStaffLUT";
    using H = ColumnHandles;
    TableExtract t(*this, "Staff Inclusion", "");
    ODBCTable* staff = t.Source("Teachers", "stf");
    if (!staff) {
        LogMissing(*this, "Staff LUT: Required Table: Teachers does not exist.", method);
        return;
    }
    ODBCField* id = t.Add(staff, Col("ID").Req().Into(&H::staffKey));
    ODBCField* status = t.Add(staff, Col("Status").Req().Into(&H::status));
    ODBCField* lastFirst = t.Add(staff, Col("LastFirst"));
    t.WhereSchool(t.Add(staff, Col("SchoolID").Req().Into(&H::schoolId)));
    OpenTable(true);
    DeleteStringPairs(&m_includedStaff);

    // With an inactive date every staff member of the school; otherwise the active ones when asked
    // for. The teachers of included students' schedules are added later.
    const bool everyone = !m_inactiveDate.IsEmpty();
    PairBatch names(m_staffNames);
    PairBatch included(m_includedStaff);
    for (bool more = MoveFirst(); more; more = MoveNext()) {
        const XString key = GetTrimmedString(id);
        const XString name = GetTrimmedString(lastFirst);
        if (key.IsEmpty() && name.IsEmpty())
            continue;
        if (!name.IsEmpty())
            names.Add(key, name);
        if (everyone || (m_includeExtraStaff && GetWholeNumber(status) == 1))
            included.Add(key, XString());
    }
    names.Flush();
    included.Flush();
}

void ExpEngine::BuildValuesLUT()
{
    LogMessage(5, "Creating Default Attendance Values...", "ExpEngine::BuildValuesLUT");
    static const char* const kExcused[] = {"EX", "E", "OSS", "O", "ISS", "I", "X", "Z"};
    static const char* const kUnexcused[] = {"U", "UN"};
    static const char* const kOtherExcused[] = {"C", "D", "E", "F", "P"};
    for (const char* code : kExcused)
        m_absenceCodes.Add(new XStringPair(code, "Y"));
    for (const char* code : kUnexcused)
        m_absenceCodes.Add(new XStringPair(code, "N"));
    for (const char* code : kOtherExcused)
        m_absenceCodes.Add(new XStringPair(code, "Y"));
    m_tardyCodes.Add(new XStringPair("T", "1"));
    m_tardyCodes.Add(new XStringPair("TD", "1"));
}

void ExpEngine::BuildGeneralCodeLUT()
{
    using H = ColumnHandles;
    TableExtract t(*this, "General Codes", "");
    ODBCTable* general = t.Source("Gen", "general");
    if (!general) {
        LogMissing(*this, "General Codes: Required Table does not exist.", "ExpEngine::BuildGeneralCodeLUT");
        return;
    }
    t.Add(general, Col("SchoolID").Into(&H::schoolId));
    ODBCField* category = t.Add(general, Col("Cat"));
    t.Add(general, Col("Custom"));
    ODBCField* name = t.Add(general, Col("Name"));
    ODBCField* value = t.Add(general, Col("Value"));
    ODBCField* valueT = t.Add(general, Col("ValueT"));
    OpenTable(true);

    // Category word, its table, and which columns give the key and the value.
    enum Column
    {
        NameColumn,
        ValueColumn,
        ValueTColumn
    };
    struct Category
    {
        const char* word;
        PairBatch batch;
        Column key;
        Column text;
    };
    Category categories[] = {
        {"ethnicity", PairBatch(m_ethnicityCodes), ValueColumn, NameColumn},
        {"language", PairBatch(m_languageCodes), ValueColumn, NameColumn},
        {"entrycodes", PairBatch(m_entryCodes), NameColumn, ValueTColumn},
        {"exitcodes", PairBatch(m_exitCodes), NameColumn, ValueTColumn},
        {"consequence", PairBatch(m_consequenceCodes), ValueColumn, NameColumn},
        {"subType", PairBatch(m_subtypeCodes), ValueColumn, ValueTColumn},
        {"disc_loc_dtl", PairBatch(m_incidentLocations), NameColumn, ValueColumn},
    };
    ODBCField* const columns[] = {name, value, valueT};
    for (bool more = MoveFirst(); more; more = MoveNext()) {
        const XString word = GetTrimmedString(category);
        for (Category& c : categories) {
            if (word.CompareNoCase(c.word) == 0) {
                c.batch.Add(GetTrimmedString(columns[c.key]), GetTrimmedString(columns[c.text]));
                break;
            }
        }
    }
    for (Category& c : categories)
        c.batch.Flush();
}
