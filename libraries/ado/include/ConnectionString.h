#pragma once

// Parsing and joining of connection strings.

#include <string>
#include <utility>
#include <vector>

namespace ado {

using ConnectionAttribute = std::pair<std::string, std::string>;

// Splits "key=value;key=value" into pairs. Only braces quote a value ({a;b}, with "}}"
// for a "}"), as ODBC drivers read it; a quote mark is a character like any other.
// Keys and unbraced values are trimmed. Entries without "=" are kept with an empty value.
std::vector<ConnectionAttribute> ParseConnectionString(const std::string& text);

// A value as a connection string carries it: in braces with every "}" doubled when it
// holds ";", "{", "}", "=", "%" or "+", or begins or ends with a blank or a quote mark;
// otherwise as it is. Drivers read an unbraced "%xx" or "+" as an escape.
std::string ConnectionValue(const std::string& value);

// Joins pairs as ODBC expects, each value written by ConnectionValue.
std::string JoinConnectionString(const std::vector<ConnectionAttribute>& attributes);

// Turns ADO words into ODBC ones: "Data Source" -> DSN, "User ID"/"User Id" -> UID,
// "Password" -> PWD; drops "Persist Security Info" and a "Provider" naming MSDASQL.
// Everything else passes as it is. Keys compare without regard to letter case.
std::string ToOdbcConnectionString(const std::string& adoText);

}  // namespace ado
