#include "ExtractKit.h"

#include "CrashGuard.h"
#include "XFileSpec.h"

#include <memory>

// Student, contact and conduct custom fields, unpacked from the records' Custom column.

namespace {

// The parsed items of one record; whatever is left on the stack is freed with it.
struct ParsedItems
{
    XStack<ExpEngine::CustomFieldValue> stack;
    ParsedItems() = default;
    ParsedItems(const ParsedItems&) = delete;
    ParsedItems& operator=(const ParsedItems&) = delete;
    ~ParsedItems()
    {
        while (ExpEngine::CustomFieldValue* item = stack.Pop())
            delete item;
    }
};

// Takes the items off the stack, the last packed one first; frees each after use.
template <typename Fn> void TakeEach(ParsedItems& items, Fn each)
{
    while (ExpEngine::CustomFieldValue* top = items.stack.Pop()) {
        std::unique_ptr<ExpEngine::CustomFieldValue> item(top);
        each(*item);
    }
}

void WriteFields(XTextFile& file, std::initializer_list<XString> fields)
{
    for (const XString& field : fields)
        file.WriteField(field);
    file.EndLine();
}

bool BeginsNoCase(const XString& text, const char* prefix)
{
    return StrCmpNoCasePrefix(text.CStr(), prefix) == 0;
}

XString NotFoundLine(const XString& id)
{
    return "Custom Field: " + id + " not found in table or not correct Table, skipping.";
}

XString ProblemLine(const XString& id)
{
    return "Custom Field for: " + id + " had a problem, will try to continue.";
}

}  // namespace

bool ExpEngine::IsNewCustomField(SISExpCustomFieldList& list, const XString& name)
{
    if (!list.Contains(name))
        return true;
    const XString other = list.NewClash(name);
    if (!other.IsEmpty())
        LogMessage(4, "Custom Field: " + name + " and " + other + " are both written " +
                          SISExpCustomField::WrittenText(name) + "; they are one field for the import.");
    return false;
}

void ExpEngine::CreateStudentCustom()
{
    using H = ColumnHandles;
    XTextFile contacts('\t', nullptr, nullptr, nullptr, 0);
    XFileSpec contactSpec;
    MakeOutputPath(contactSpec, "ContactCustom.pef");
    contactSpec.SetTypeCreator(XFourCC("TEXT"), XFourCC("ttxt"));
    // Written under a temporary name like every data file: it takes its name only when whole.
    contacts.Open(contactSpec, XFile::ModeWrite | XFile::ModeReplace);

    FileExtract t(*this, "Student Demographics: Custom", "StudentCustom.pef");
    ODBCTable* stu = t.RequiredSource("Students", "stu");
    m_handles.studentsTable = stu;
    for (const char* title : {"StdKey", "StdComKind", "StdComValue", "xStdComValType"})
        AddHeaderField(title);
    ODBCField* key = t.Add(stu, Col("ID").Req().Into(&H::studentKey));
    ODBCField* custom = t.Add(stu, Col("Custom"));
    ODBCField* status = t.Add(stu, Col("Enroll_Status").Req().Into(&H::status));
    t.Add(stu, Col("SchoolID").Req().Into(&H::schoolId));
    AddSchoolRestriction(m_altSchoolNumbers);
    t.WhereEnrolled(status);
    t.OrderBy(key);
    OpenTable(true);

    try {
        LogMessage(8, "Creating Custom Field Vector.");
        // A name is registered once: the list itself keeps the names it holds.
        SISExpCustomFieldList& registered = *m_registeredCustomFields;
        ParsedItems items;
        LogMessage(8, "Entering field processing loop.");
        LogMessage(8, "Retrieved first record.");
        for (bool more = MoveFirst(); more; more = MoveNext()) {
            if (!IsIncludedStudent())
                continue;
            const XString id = GetTrimmedString(key);
            if (!ParseCustomFieldData(items.stack, GetBytes(custom)))
                LogMessage(4, ProblemLine(id));
            TakeEach(items, [&](const CustomFieldValue& item) {
                const LookupEntry* info = FindFieldInfo(item);
                if (!info || info->fileNumber != "100") {
                    LogMessage(8, NotFoundLine(item.key));
                    return;
                }
                const XString& name = info->name;
                const XString description = NoTabsText(info->description);
                const XString format = GetCustomFieldFormat(item);
                const XString value = NormalizeYesNo(NoTabsText(item.value));

                XString role = "Contact";
                size_t numberStart = 3;
                bool contact = BeginsNoCase(name, "cnt");
                if (BeginsNoCase(name, "ecnt")) {
                    role = "Emergency";
                    numberStart = 4;
                    contact = true;
                }
                const XString kind = SISExpCustomField::WrittenText(name);
                if (contact) {
                    const XString contactKey = role + " " + name.Mid(numberStart, name.Find('_'));
                    WriteFields(contacts, {contactKey, id, role, kind, value, format});
                } else {
                    t.WriteLine({id, kind, value, format});
                }

                if (!IsNewCustomField(registered, name))
                    return;
                const bool comTab = contact || format == "PHONE";
                const XString caption = description.IsEmpty() ? ContactFieldCaption(name) : description;
                registered.AddCustomField(name, caption, comTab ? "#customcomfield" : "#customhiddenfield",
                                          format, comTab ? 0 : 1);
            });
        }
    } catch (const RunStopped&) {
        contacts.Discard();
        throw;
    } catch (...) {
        // A short file must not stand behind a run that reports success.
        LogMessage(3, "Student Custom: Crashed while exporting custom fields, skipping.");
        contacts.Discard();
        throw;
    }
    t.End();
    contacts.Close();
}

void ExpEngine::WriteContactCustomHeader()
{
    TableExtract t(*this, "Student Demographics: Contacts Custom", "ContactCustom.pef");
    for (const char* title :
         {"ConKey", "ConStdRef", "ConRoleRef", "ConComKind", "ConComValue", "ConComValType"})
        AddHeaderField(title);
}

void ExpEngine::CreateConductCustom()
{
    using H = ColumnHandles;
    FileExtract t(*this, "Conduct Outcome: Custom", "ConductCustom.pef");
    ODBCTable* log = t.Source("Log", "log");
    if (t.Missing("Conduct Outcomes Custom Fields: Required Table does not exist."))
        return;
    for (const char* title : {"CndOutKey", "CndOutKind", "CndOutValue", "CndOutValType"})
        AddHeaderField(title);
    ODBCField* entry = t.Add(log, Col("DCID").Req());
    ODBCField* student = t.Add(log, Col("StudentID").Into(&H::studentKey));
    ODBCField* custom = t.Add(log, Col("Custom"));
    ODBCField* logType = t.Add(log, Col("LogTypeID").Req());
    t.Add(log, Col("SchoolID").Req().Into(&H::schoolId));
    AddSchoolRestriction(m_altSchoolNumbers);
    t.Where(logType, "-100000");
    OpenTable(true);

    try {
        SISExpCustomFieldList& registered = *m_registeredCustomFields;
        ParsedItems items;
        for (bool more = MoveFirst(); more; more = MoveNext()) {
            if (!IsIncludedStudent())
                continue;
            LogMessage(8, "Custom Field: Reading Byte Array");
            const XBuffer bytes = GetBytes(custom);
            if (bytes.IsEmpty()) {
                LogMessage(8, "Custom Field: Skipping byte array is zero.");
                continue;
            }
            if (!ParseCustomFieldData(items.stack, bytes))
                LogMessage(4, ProblemLine(GetTrimmedString(student)));
            const XString entryKey = GetTrimmedString(entry);
            TakeEach(items, [&](const CustomFieldValue& item) {
                const LookupEntry* info = FindFieldInfo(item);
                if (!info) {
                    LogMessage(8, NotFoundLine(item.key));
                    return;
                }
                const XString& name = info->name;
                const XString description = NoTabsText(info->description);
                const XString format = GetCustomFieldFormat(item);
                t.WriteLine({entryKey, SISExpCustomField::WrittenText(name), NoTabsText(item.value), format});
                if (!IsNewCustomField(registered, name))
                    return;
                const XString caption = description.IsEmpty() ? ContactFieldCaption(name) : description;
                registered.AddCustomField(name, caption, "#customcndoutfield", format);
            });
        }
    } catch (const RunStopped&) {
        throw;
    } catch (...) {
        // A short file must not stand behind a run that reports success.
        LogMessage(3, "Conduct Custom: Crashed while exporting conduct custom, skipping.");
        throw;
    }
    t.End();
}
