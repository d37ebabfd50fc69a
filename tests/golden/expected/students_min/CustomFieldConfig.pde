// User-Defined Fields
//#customcndoutfield "MEDIC_PHONE" "Medic phone" "PHONE"
//#customcndoutfield "Consent" "Photo consent" "NOFORMAT"
//#customcndoutfield "Other_File" "Other file" "NOFORMAT"
