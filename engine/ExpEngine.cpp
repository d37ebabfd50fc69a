// The extraction engine's object, its lookup tables' lifetime and its shared helpers.

#include "ExpEngine.h"

#include "ParamRules.h"
#include "StringHelpers.h"
#include "XDirIterator.h"
#include "XFileSpec.h"

#include <algorithm>

ExpEngine::ExpEngine()
    : m_studentCustomFields("CustomFieldConfig.pde", "User-Defined Fields", "StudentCustom.pef", true),
      m_includedStudents(10, XStringPair::CompareFn), m_includedStaff(5, XStringPair::CompareFn),
      m_usedCourses(5, XStringPair::CompareFn), m_studentNames(5, XStringPair::CompareFn),
      m_staffNames(5, XStringPair::CompareFn), m_ethnicityCodes(3, XStringPair::CompareFn),
      m_usedDays(5, XStringPair::CompareFn), m_languageCodes(3, XStringPair::CompareFn),
      m_consequenceCodes(3, XStringPair::CompareFn), m_subtypeCodes(3, XStringPair::CompareFn),
      m_incidentLocations(3, XStringPair::CompareFn), m_entryCodes(3, XStringPair::CompareFn),
      m_exitCodes(3, XStringPair::CompareFn), m_fieldDefinitions(10, LookupEntry::CompareFn),
      m_tardyCodes(3, XStringPair::CompareFn), m_absenceCodes(3, XStringPair::CompareFn), m_medicalLogTypes(2)
{
    m_options = OptCheckExists | 1u;
    SetDatabaseType(DbSybaseOdbc);
    m_registeredCustomFields = new SISExpCustomFieldList(m_studentCustomFields);
    AddCustomFieldList(m_registeredCustomFields);
    SetQueryTries(5);
    SetDateFormat("mm/dd/yyyy");
    SetMinVersion(XVersion("7.5.0.0"));
    m_progressSetup = 1;
    m_progressLookup = 5;
    m_progressImport = 53;
    m_progressDaily = 1;
    m_progressPeriod = 1;
}

ExpEngine::~ExpEngine()
{
    ClearLookupTables();
    m_medicalLogTypes.DeleteAll();
    m_customFieldLists.erase(
        std::remove(m_customFieldLists.begin(), m_customFieldLists.end(), m_registeredCustomFields),
        m_customFieldLists.end());
    delete m_registeredCustomFields;
}

void ExpEngine::RegisterCustomFieldLists()
{
    if (std::find(m_customFieldLists.begin(), m_customFieldLists.end(), m_registeredCustomFields) ==
        m_customFieldLists.end())
        AddCustomFieldList(m_registeredCustomFields);
}

XString ExpEngine::FormatDate()
{
    return FormatDateBlankNull(GetCurrentField());
}

XString ExpEngine::FormatCategoryWord()
{
    const XString text = FormatText();
    for (const char* word : {"activity", "athletic", "class", "enrollment", "lunch", "transit"}) {
        if (text.CompareNoCase(word) == 0)
            return XString(word);
    }
    return text;
}

void ExpEngine::OnTableEnd()
{
    m_handles = ColumnHandles();
}

XString ExpEngine::QualifyTableName(const XString& name, bool prefix)
{
    return prefix ? XString("VH.") + name : name;
}

void ExpEngine::ClearLookupTables()
{
    for (XVector<XStringPair>* table :
         {&m_includedStudents, &m_includedStaff, &m_usedCourses, &m_studentNames, &m_staffNames,
          &m_ethnicityCodes, &m_usedDays, &m_languageCodes, &m_consequenceCodes, &m_subtypeCodes,
          &m_incidentLocations, &m_entryCodes, &m_exitCodes, &m_absenceCodes, &m_tardyCodes})
        DeleteStringPairs(table);
    DeleteLookupEntries(&m_fieldDefinitions);
}

void ExpEngine::DeleteLookupEntries(XVector<LookupEntry>* table)
{
    if (table)
        table->DeleteAll();
}

void ExpEngine::DeletePDEFiles(XString importFolder)
{
    LogMessage(8, "DeletePDEFiles: Assigned import folder");
    if (importFolder.IsEmpty())
        importFolder = GetOutputFolder();
    try {
        XDirIterator files(importFolder.CStr(), "*.pde", 0);
        XString path;
        uint32_t attributes = 0;
        while (files.Next(path, attributes)) {
            if (StrCmpNoCase(files.GetName().CStr(), "CustomFieldConfig.pde") == 0)
                continue;
            LogMessage(8, XString("Deleting : ") + path, "ExpEngine::DeletePDEFiles");
            XFileSpec(path).Delete();
        }
    } catch (const XException& e) {
        LogAndThrow(
            2, XString("Error: Failed while trying to remove PDE Files.\n Please manually remove all .pde "
                       "(except for CustomFieldConfig.pde) files from the Import Directory, and try "
                       "extracting again.\n") +
                   e.GetMessage() + "\nExiting Extractor.");
    }
}

bool ExpEngine::CheckSqlParams(const ParamMap& params, QString& message, bool sendError)
{
    QString key;
    if (CheckQueryParams(params, key, message))
        return true;
    LogMessage(3, fromQString(message), "ExpEngine::CheckSqlParams");
    if (sendError)
        emit writeError(key, message);
    return false;
}

bool ExpEngine::RequireParams(const ParamMap& params, const QStringList& keys, QString& error)
{
    for (const QString& key : keys) {
        if (params.value(key).isEmpty()) {
            error = key + QStringLiteral(" missing or blank.");
            emit writeMissing(key, error);
            return false;
        }
    }
    return true;
}
