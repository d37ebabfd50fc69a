#include "ExtractKit.h"
#include "MedicalTypeKeys.h"

// Built-in medical code tables: the fixed type keys that the student medical tables refer to.

namespace {

void WriteFixedTable(ExpEngine& engine, const char* title, const char* fileName,
                     std::initializer_list<const char*> titles,
                     std::initializer_list<std::initializer_list<XString>> rows)
{
    FileExtract f(engine, title, fileName);
    for (const char* column : titles)
        engine.AddHeaderField(column);
    for (const auto& row : rows)
        f.WriteLine(row);
    f.End();
}

}  // namespace

void ExpEngine::CreateMedicalConditionTypes()
{
    WriteFixedTable(*this, "Medical Condition Types", "MedCondTypes.pef",
                    {"MedConditTypeKey", "MedConditTypeName", "MedConditTypeSeverity", "MedConditTypeNote"},
                    {
                        {medtype::kSpecialMedical, "Special Medical Considerations", "Normal", ""},
                        {medtype::kAllergy, "Allergies", "Normal", ""},
                        {medtype::kMedicalAlert, "Medical Alert", "Alert", ""},
                    });
}

void ExpEngine::CreateMedicalHistoryTypes()
{
    WriteFixedTable(*this, "Medical History Types", "MedHistTypes.pef",
                    {"MedHistTypeKey", "MedHistTypeName", "MedHistTypeCategory", "MedHistTypeNote",
                     "MedHistTypeCategoryNote"},
                    {
                        {medtype::kImmunPolio, "Immunization - Polio", "IMMUN", "", ""},
                        {medtype::kImmunMMR, "Immunization - MMR", "IMMUN", "", ""},
                        {medtype::kImmunDPT, "Immunization - DPT", "IMMUN", "", ""},
                    });
}
