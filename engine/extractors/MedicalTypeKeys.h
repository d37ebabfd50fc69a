// Keys of the built-in medical condition and medical history types; the student medical tables
// refer to them.
#pragma once

namespace medtype {

constexpr const char* kSpecialMedical = "SpecMed";
constexpr const char* kAllergy = "Allergy";
constexpr const char* kMedicalAlert = "MedAlert";

constexpr const char* kImmunPolio = "ImmPolio";
constexpr const char* kImmunMMR = "ImmMMR";
constexpr const char* kImmunDPT = "ImmDPT";

}  // namespace medtype
