// User-Defined Fields
//#customhiddenfield "Q'uote'd" "Q'uote'd" "NOFORMAT"
#customcomfield "cnt1_LNAME" "Last Name" "NOFORMAT"
