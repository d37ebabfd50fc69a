// The run configuration record "SchoolConfig.xml": reading, writing and comparing.

#include "SchoolConfig.h"

#include <QByteArray>
#include <QXmlStreamReader>

#include "StringHelpers.h"
#include "XException.h"
#include "XFile.h"

static const char* const kRoot = "SchoolConfig";

bool SchoolConfig::Read(const XString& path)
{
    *this = SchoolConfig();
    XString bytes;
    if (!XFile::ReadWhole(path.CStr(), bytes))
        return false;

    SchoolConfig read;
    int seen = 0;  // one bit per compared element
    bool updateDateOk = true;
    QXmlStreamReader xml(QByteArray(bytes.CStr(), (int)bytes.Length()));
    if (!xml.readNextStartElement() || xml.name() != QLatin1String(kRoot))
        return false;
    while (xml.readNextStartElement()) {
        const QString name = xml.name().toString();
        const QString text = xml.readElementText();
        if (xml.hasError())
            return false;
        const XString value = fromQString(text);
        if (name == "BridgeAlias") {
            read.bridgeAlias = value;
            seen |= 1;
        } else if (name == "District") {
            read.district = value;
            seen |= 2;
        } else if (name == "School") {
            read.school = value;
            seen |= 4;
        } else if (name == "Year") {
            read.year = value;
            seen |= 8;
        } else if (name == "DataSource") {
            read.dataSource = value;
            seen |= 16;
        } else if (name == "Version") {
            read.version = value;
        } else if (name == "UpdateDate") {
            if (!value.IsEmpty())
                updateDateOk = read.updateDate.FromISO(value);
        } else if (name == "OverlapInDays") {
            read.overlapInDays = value;
            read.hasOverlapInDays = true;
        }
    }
    // The rest of the document must be well-formed too.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError() || seen != 31 || !updateDateOk)
        return false;
    *this = read;
    return true;
}

static XString Escaped(const XString& text)
{
    XString out;
    for (const char* p = text.CStr(); *p; ++p) {
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
        default:
            out += *p;
            break;
        }
    }
    return out;
}

static void Element(XString& doc, const char* name, const XString& value)
{
    doc += "  <";
    doc += name;
    doc += ">";
    doc += Escaped(value);
    doc += "</";
    doc += name;
    doc += ">\r\n";
}

void SchoolConfig::Write(const XString& path) const
{
    XString doc("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SchoolConfig>\r\n");
    Element(doc, "BridgeAlias", bridgeAlias);
    Element(doc, "District", district);
    Element(doc, "School", school);
    Element(doc, "Year", year);
    Element(doc, "DataSource", dataSource);
    Element(doc, "Version", version);
    Element(doc, "UpdateDate", updateDate.ToISO());
    if (hasOverlapInDays)
        Element(doc, "OverlapInDays", overlapInDays);
    doc += "</SchoolConfig>\r\n";

    // Written beside the record and renamed over it when complete; a failure leaves neither a
    // truncated record nor the temporary file. The bytes reach the disk before the new name, and
    // the name before the run goes on.
    XFile file;
    try {
        file.Open(path, XFile::ModeWrite | XFile::ModeReplace);
        file.Write(doc);
        file.Sync();
        file.Close();
    } catch (...) {
        file.Discard();
        throw;
    }
    const XString folder = XFileSpec(path).GetFolder();
    XFile::SyncFolder(folder.IsEmpty() ? "." : folder.CStr());
}

bool SchoolConfig::SameRun(const SchoolConfig& other) const
{
    return bridgeAlias == other.bridgeAlias && school == other.school && district == other.district &&
           year == other.year && dataSource == other.dataSource;
}
