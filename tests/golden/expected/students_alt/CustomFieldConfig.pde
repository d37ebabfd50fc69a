// User-Defined Fields
//#customschoolfield "LunchBalance" "Lunch Balance" "MONEY"
