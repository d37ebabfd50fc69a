// The small XML reader and writer.

#include "XXml.h"

#include <cstring>

#include "XException.h"
#include "XFile.h"

namespace {

const int kMaxDepth = 256;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
           (unsigned char)c >= 0x80;
}

bool IsNameChar(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

void AppendUtf8(XString& out, unsigned long cp)
{
    char b[4];
    size_t n;
    if (cp < 0x80) {
        b[0] = (char)cp;
        n = 1;
    } else if (cp < 0x800) {
        b[0] = (char)(0xC0 | (cp >> 6));
        b[1] = (char)(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        b[0] = (char)(0xE0 | (cp >> 12));
        b[1] = (char)(0x80 | ((cp >> 6) & 0x3F));
        b[2] = (char)(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        b[0] = (char)(0xF0 | (cp >> 18));
        b[1] = (char)(0x80 | ((cp >> 12) & 0x3F));
        b[2] = (char)(0x80 | ((cp >> 6) & 0x3F));
        b[3] = (char)(0x80 | (cp & 0x3F));
        n = 4;
    }
    out.Append(b, n);
}

// A strict reader for elements, attributes, text, entities, CDATA, comments and
// processing instructions. Every read is checked against the end of the input.
class Parser
{
public:
    Parser(const char* text, size_t length) : m_p(text), m_end(text + length) {}

    bool Document(XXmlElement& root)
    {
        if (m_end - m_p >= 3 && std::memcmp(m_p, "\xEF\xBB\xBF", 3) == 0)
            m_p += 3;
        if (!Misc())
            return false;
        if (m_p >= m_end || *m_p != '<')
            return false;
        if (!Element(root, 0))
            return false;
        if (!Misc())
            return false;
        return m_p == m_end;
    }

private:
    bool StartsWith(const char* s) const
    {
        size_t n = std::strlen(s);
        return (size_t)(m_end - m_p) >= n && std::memcmp(m_p, s, n) == 0;
    }

    void SkipSpace()
    {
        while (m_p < m_end && IsSpace(*m_p))
            ++m_p;
    }

    // Moves past the terminator; false when it does not occur.
    bool SkipPast(const char* terminator)
    {
        size_t n = std::strlen(terminator);
        while ((size_t)(m_end - m_p) >= n) {
            if (std::memcmp(m_p, terminator, n) == 0) {
                m_p += n;
                return true;
            }
            if (*m_p == '\0')
                return false;
            ++m_p;
        }
        return false;
    }

    // White space, comments, processing instructions and a simple DOCTYPE outside the root.
    bool Misc()
    {
        for (;;) {
            SkipSpace();
            if (StartsWith("<?")) {
                if (!SkipPast("?>"))
                    return false;
            } else if (StartsWith("<!--")) {
                m_p += 4;
                if (!SkipPast("-->"))
                    return false;
            } else if (StartsWith("<!DOCTYPE")) {
                while (m_p < m_end && *m_p != '>') {
                    if (*m_p == '[' || *m_p == '\0')
                        return false;
                    ++m_p;
                }
                if (m_p >= m_end)
                    return false;
                ++m_p;
            } else {
                return true;
            }
        }
    }

    bool Name(XString& name)
    {
        const char* start = m_p;
        if (m_p >= m_end || !IsNameStart(*m_p))
            return false;
        while (m_p < m_end && IsNameChar(*m_p))
            ++m_p;
        name.Assign(start, (size_t)(m_p - start));
        return true;
    }

    bool Entity(XString& out)
    {
        // m_p stands on '&'.
        const char* semi = m_p + 1;
        while (semi < m_end && semi - m_p <= 12 && *semi != ';')
            ++semi;
        if (semi >= m_end || *semi != ';')
            return false;
        const char* name = m_p + 1;
        const size_t len = (size_t)(semi - name);
        if (len == 3 && std::memcmp(name, "amp", 3) == 0)
            out += '&';
        else if (len == 2 && std::memcmp(name, "lt", 2) == 0)
            out += '<';
        else if (len == 2 && std::memcmp(name, "gt", 2) == 0)
            out += '>';
        else if (len == 4 && std::memcmp(name, "quot", 4) == 0)
            out += '"';
        else if (len == 4 && std::memcmp(name, "apos", 4) == 0)
            out += '\'';
        else if (len >= 2 && name[0] == '#') {
            unsigned long cp = 0;
            const bool hex = name[1] == 'x';
            const char* d = name + (hex ? 2 : 1);
            if (d == semi)
                return false;
            for (; d < semi; ++d) {
                int v;
                if (*d >= '0' && *d <= '9')
                    v = *d - '0';
                else if (hex && *d >= 'a' && *d <= 'f')
                    v = *d - 'a' + 10;
                else if (hex && *d >= 'A' && *d <= 'F')
                    v = *d - 'A' + 10;
                else
                    return false;
                cp = cp * (hex ? 16 : 10) + (unsigned long)v;
                if (cp > 0x10FFFF)
                    return false;
            }
            if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF))
                return false;
            AppendUtf8(out, cp);
        } else {
            return false;
        }
        m_p = semi + 1;
        return true;
    }

    bool AttributeValue(XString& value)
    {
        if (m_p >= m_end || (*m_p != '"' && *m_p != '\''))
            return false;
        const char quote = *m_p++;
        while (m_p < m_end && *m_p != quote) {
            if (*m_p == '<' || *m_p == '\0')
                return false;
            if (*m_p == '&') {
                if (!Entity(value))
                    return false;
            } else {
                value += *m_p++;
            }
        }
        if (m_p >= m_end)
            return false;
        ++m_p;
        return true;
    }

    bool Element(XXmlElement& element, int depth)
    {
        if (depth > kMaxDepth)
            return false;
        ++m_p;  // '<'
        XString name;
        if (!Name(name))
            return false;
        element = XXmlElement(name.CStr());
        for (;;) {
            const bool space = m_p < m_end && IsSpace(*m_p);
            SkipSpace();
            if (m_p >= m_end)
                return false;
            if (*m_p == '/') {
                if (m_end - m_p < 2 || m_p[1] != '>')
                    return false;
                m_p += 2;
                return true;
            }
            if (*m_p == '>') {
                ++m_p;
                break;
            }
            if (!space)
                return false;
            XString attrName, attrValue;
            if (!Name(attrName))
                return false;
            SkipSpace();
            if (m_p >= m_end || *m_p != '=')
                return false;
            ++m_p;
            SkipSpace();
            if (!AttributeValue(attrValue))
                return false;
            if (element.GetAttribute(attrName.CStr()))
                return false;
            element.SetAttribute(attrName.CStr(), attrValue.CStr());
        }
        XString text;
        for (;;) {
            if (m_p >= m_end)
                return false;
            if (*m_p == '<') {
                if (StartsWith("</")) {
                    m_p += 2;
                    XString closing;
                    if (!Name(closing) || !(closing == element.GetName()))
                        return false;
                    SkipSpace();
                    if (m_p >= m_end || *m_p != '>')
                        return false;
                    ++m_p;
                    break;
                }
                if (StartsWith("<!--")) {
                    m_p += 4;
                    if (!SkipPast("-->"))
                        return false;
                } else if (StartsWith("<![CDATA[")) {
                    m_p += 9;
                    const char* start = m_p;
                    if (!SkipPast("]]>"))
                        return false;
                    text.Append(start, (size_t)(m_p - 3 - start));
                } else if (StartsWith("<?")) {
                    if (!SkipPast("?>"))
                        return false;
                } else {
                    XXmlElement& child = element.AddChild("");
                    if (!Element(child, depth + 1))
                        return false;
                }
            } else if (*m_p == '&') {
                if (!Entity(text))
                    return false;
            } else if (*m_p == '\0') {
                return false;
            } else {
                const char* start = m_p;
                while (m_p < m_end && *m_p != '<' && *m_p != '&' && *m_p != '\0')
                    ++m_p;
                text.Append(start, (size_t)(m_p - start));
            }
        }
        if (element.ChildCount() > 0) {
            bool blank = true;
            for (size_t i = 0; i < text.Length() && blank; ++i)
                blank = IsSpace(*text.At(i));
            if (blank)
                text = "";
        }
        element.SetText(text);
        return true;
    }

    const char* m_p;
    const char* m_end;
};

}  // namespace

XXmlElement::XXmlElement(const char* name) : m_name(name) {}

void XXmlElement::SetAttribute(const char* name, const char* value)
{
    for (auto& attr : m_attributes) {
        if (attr.first == name) {
            attr.second = value;
            return;
        }
    }
    m_attributes.emplace_back(XString(name), XString(value));
}

const XString* XXmlElement::GetAttribute(const char* name) const
{
    for (const auto& attr : m_attributes)
        if (attr.first == name)
            return &attr.second;
    return nullptr;
}

XXmlElement& XXmlElement::AddChild(const char* name, const char* text)
{
    m_children.emplace_back(new XXmlElement(name));
    m_children.back()->m_text = text;
    return *m_children.back();
}

const XXmlElement* XXmlElement::FindChild(const char* name) const
{
    for (const auto& child : m_children)
        if (child->m_name == name)
            return child.get();
    return nullptr;
}

XXmlElement* XXmlElement::FindChild(const char* name)
{
    for (auto& child : m_children)
        if (child->m_name == name)
            return child.get();
    return nullptr;
}

XString XXmlElement::ChildText(const char* name, const char* fallback) const
{
    const XXmlElement* child = FindChild(name);
    return child ? child->m_text : XString(fallback);
}

XXmlDocument::XXmlDocument(const char* rootName) : m_root(new XXmlElement(rootName)) {}

bool XXmlDocument::Parse(const char* text, size_t length)
{
    if (!text)
        return false;
    std::unique_ptr<XXmlElement> root(new XXmlElement(""));
    Parser parser(text, length);
    if (!parser.Document(*root))
        return false;
    m_root = std::move(root);
    return true;
}

bool XXmlDocument::Load(const char* path)
{
    XString text;
    try {
        XFile file;
        file.Open(path, XFile::ModeRead);
        file.ReadAll(text);
        file.Close();
    } catch (const XException&) {
        return false;
    }
    return Parse(text);
}

XString XXmlDocument::Escape(const char* text)
{
    XString out;
    for (const char* p = text ? text : ""; *p; ++p) {
        switch (*p) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += *p;
            break;
        }
    }
    return out;
}

void XXmlDocument::WriteElement(XString& out, const XXmlElement& element, int depth)
{
    for (int i = 0; i < depth; ++i)
        out += "  ";
    out += '<';
    out += element.m_name;
    for (const auto& attr : element.m_attributes) {
        out += ' ';
        out += attr.first;
        out += "=\"";
        out += Escape(attr.second.CStr());
        out += '"';
    }
    if (element.m_children.empty() && element.m_text.IsEmpty()) {
        out += " />\r\n";
        return;
    }
    out += '>';
    out += Escape(element.m_text.CStr());
    if (!element.m_children.empty()) {
        out += "\r\n";
        for (const auto& child : element.m_children)
            WriteElement(out, *child, depth + 1);
        for (int i = 0; i < depth; ++i)
            out += "  ";
    }
    out += "</";
    out += element.m_name;
    out += ">\r\n";
}

XString XXmlDocument::ToString() const
{
    XString out("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    WriteElement(out, *m_root, 0);
    return out;
}

void XXmlDocument::Save(const char* path) const
{
    const XString text = ToString();
    XFile file;
    file.Open(path, XFile::ModeWrite);
    file.Write(text);
    file.Close();
}
