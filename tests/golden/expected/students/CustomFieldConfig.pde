// User-Defined Fields
//#customhiddenfield "Consent" "Photo consent" "NOFORMAT"
#customcomfield "cnt1_LNAME" "Last Name" "NOFORMAT"
//#customhiddenfield "Nickname" "Nickname" "NOFORMAT"
//#customhiddenfield "HomePhone" "HomePhone" "NOFORMAT"
#customcomfield "CNT2_Fname" "First Name" "NOFORMAT"
#customcomfield "MEDIC_PHONE" "Medic phone" "PHONE"
#customcomfield "ecnt2_HPHONE" "Emergencyhome phone" "PHONE"
//#customschoolfield "LunchBalance" "Lunch Balance" "MONEY"
