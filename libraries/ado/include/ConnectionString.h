#pragma once

// Parsing and joining of connection strings.

#include <string>
#include <utility>
#include <vector>

namespace ado {

using ConnectionAttribute = std::pair<std::string, std::string>;

// Splits "key=value;key=value" into pairs. Values may be braced ({a;b}, with "}}"
// for a "}") or quoted ("a;b" or 'a;b'); keys and unbraced values are trimmed.
// Entries without "=" are kept with an empty value.
std::vector<ConnectionAttribute> ParseConnectionString(const std::string& text);

// Joins pairs as ODBC expects; a value holding ";", "{" or "}", or with blanks at
// either end, is written in braces with every "}" doubled.
std::string JoinConnectionString(const std::vector<ConnectionAttribute>& attributes);

// Turns ADO words into ODBC ones: "Data Source" -> DSN, "User ID"/"User Id" -> UID,
// "Password" -> PWD; drops "Persist Security Info" and a "Provider" naming MSDASQL.
// Everything else passes as it is. Keys compare without regard to letter case.
std::string ToOdbcConnectionString(const std::string& adoText);

}  // namespace ado
