// User-Defined Fields
//#customcomfield "CELL_PHONE" "CELL_PHONE" "PHONE"
//#customschoolfield "BADGE_NO" "Badge number" "NOFORMAT"
//#customschoolfield "PARKING_REL" "Relation" "NOFORMAT"
