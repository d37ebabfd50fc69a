// Parsing and joining of connection strings.

#include "ConnectionString.h"

#include <cctype>

namespace ado {

namespace {

std::string Trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsEdgeMark(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) || c == '\'' || c == '"';
}

}  // namespace

std::string ConnectionValue(const std::string& value)
{
    if (value.empty())
        return value;
    if (value.find_first_of(";{}=%+") == std::string::npos && !IsEdgeMark(value.front()) &&
        !IsEdgeMark(value.back()))
        return value;
    std::string out("{");
    for (char c : value) {
        out += c;
        if (c == '}')
            out += '}';
    }
    out += '}';
    return out;
}

std::vector<ConnectionAttribute> ParseConnectionString(const std::string& text)
{
    std::vector<ConnectionAttribute> result;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        while (i < n && (text[i] == ';' || std::isspace(static_cast<unsigned char>(text[i]))))
            ++i;
        if (i >= n)
            break;
        std::size_t keyEnd = i;
        while (keyEnd < n && text[keyEnd] != '=' && text[keyEnd] != ';')
            ++keyEnd;
        std::string key = Trim(text.substr(i, keyEnd - i));
        if (keyEnd >= n || text[keyEnd] == ';') {
            result.emplace_back(key, std::string());
            i = keyEnd;
            continue;
        }
        i = keyEnd + 1;
        while (i < n && text[i] != ';' && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        std::string value;
        if (i < n && text[i] == '{') {
            ++i;
            while (i < n) {
                if (text[i] == '}') {
                    if (i + 1 < n && text[i + 1] == '}') {
                        value.push_back('}');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value.push_back(text[i++]);
            }
            while (i < n && text[i] != ';')
                ++i;  // anything between the closing mark and ";" is ignored
        } else {
            const std::size_t end = text.find(';', i);
            value = Trim(text.substr(i, (end == std::string::npos ? n : end) - i));
            i = end == std::string::npos ? n : end;
        }
        result.emplace_back(key, value);
    }
    return result;
}

std::string JoinConnectionString(const std::vector<ConnectionAttribute>& attributes)
{
    std::string out;
    for (const ConnectionAttribute& a : attributes) {
        out += a.first;
        out += '=';
        out += ConnectionValue(a.second);
        out += ';';
    }
    return out;
}

std::string ToOdbcConnectionString(const std::string& adoText)
{
    std::vector<ConnectionAttribute> out;
    for (ConnectionAttribute& a : ParseConnectionString(adoText)) {
        const std::string key = Lower(a.first);
        if (key == "persist security info")
            continue;
        if (key == "provider" && Lower(Trim(a.second)).compare(0, 7, "msdasql") == 0)
            continue;
        if (key == "data source")
            a.first = "DSN";
        else if (key == "user id")
            a.first = "UID";
        else if (key == "password")
            a.first = "PWD";
        out.push_back(std::move(a));
    }
    return JoinConnectionString(out);
}

}  // namespace ado
