// The commands help, params, defaults, version and test, and validate mode.

#include "SISConfig.h"

#include "Constants.h"
#include "Keywords.h"
#include "SISMessageWriter.h"

#include <QDomDocument>
#include <QFile>

namespace {
const int HelpKeyWidth = 24;

QString helpLine(const QString& name, const QString& text)
{
    return QStringLiteral("  ") + name.leftJustified(HelpKeyWidth - 1, QLatin1Char(' ')) + QLatin1Char(' ') +
           text;
}
}  // namespace

int SISConfig::commandHelp()
{
    QStringList lines;
    lines << title() + QLatin1Char(' ') + version()
          << QStringLiteral("Usage: ") + alias() + QStringLiteral(" <command> [--key=value]...") << QString()
          << QStringLiteral("Commands:") << helpLine(kw::Help, QStringLiteral("Show this text."))
          << helpLine(
                 kw::Params,
                 QStringLiteral("List the parameters, or with --paramkey the values of one list parameter."))
          << helpLine(kw::Defaults, QStringLiteral("Suggest settings from QMConfig.xml."))
          << helpLine(kw::Version, QStringLiteral("Show the version and the minimum version."))
          << helpLine(kw::Test, QStringLiteral("Test one parameter group given with --group."))
          << helpLine(kw::Run, QStringLiteral("Run the extraction into the output folder given with --path."))
          << QString() << QStringLiteral("Switches and parameters:");
    for (const QString& group : groupNames()) {
        for (const Parameter& p : groupParams(group)) {
            if (p.type == kw::TypeLabel || p.type == kw::TypeHeader)
                continue;
            const QString name =
                QStringLiteral("--") + p.key +
                (p.type == kw::TypeSwitch ? QString() : QStringLiteral("=<") + p.type + QLatin1Char('>'));
            lines << helpLine(name, p.help.isEmpty() ? p.displayName : p.help);
        }
    }
    SISMessageWriter* writer = SISMessageWriter::instance();
    for (const QString& line : lines)
        writer->writeOut(line);
    return 1;
}

int SISConfig::commandParams()
{
    const QString key = param(kw::ParamKey);
    if (key.isEmpty()) {
        for (const QString& group : {QString(kw::GroupConnection), QString(kw::GroupSchool)}) {
            for (const Parameter& p : groupParams(group)) {
                if (p.type == kw::TypeHidden)
                    emit writeHiddenParam(p.group, p.key, p.displayName, p.type, p.help, p.defaultValue);
                else
                    emit writeParams(p.group, p.key, p.displayName, p.type, p.help, p.defaultValue);
            }
        }
        return 0;
    }

    const Parameter* p = findParam(key);
    const QString type = p ? p->type : QString();
    if (type == kw::TypeBridgeList)
        return bridgeListParam(key);
    if (type == kw::TypeDistrictList)
        return districtListParam(key);
    if (type == kw::TypeSchoolList)
        return schoolListParam(key);
    if (type == kw::TypeYearList)
        return yearListParam(key);
    emit writeError(key, QString::fromLatin1(txt::ListTypeNotSetUp));
    return 1;
}

int SISConfig::commandDefaults()
{
    const QString path = configFolder() + QLatin1Char('/') + QString::fromLatin1(txt::ConfigFileName);
    const QString title = QString::fromLatin1(txt::ConfigFileName);
    QDomDocument document;
    QString problem;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("Could not read: ") + path;
    } else {
        QString message;
        int line = 0;
        int column = 0;
        if (!document.setContent(&file, &message, &line, &column))
            problem = QStringLiteral("Could not parse: %1: %2 at line %3, column %4")
                          .arg(path, message)
                          .arg(line)
                          .arg(column);
        else if (document.documentElement().isNull())
            problem = QStringLiteral("Could not parse: ") + path;
    }

    emit writeSetting(kw::TagStartSetting);
    if (!problem.isEmpty())
        emit writeError(title, problem);
    defaultSettings(problem.isEmpty() ? document.documentElement() : QDomElement());
    emit writeSetting(kw::TagEndSetting);
    return problem.isEmpty() ? 0 : 1;
}

int SISConfig::commandVersion()
{
    emit writeVersion(version(), minVersion());
    return 0;
}

int SISConfig::commandTest()
{
    const QString group = param(kw::Group);
    if (!checkRequirements(kw::Test) || !checkRequirements(group))
        return 1;
    QString result;
    const int code = testGroup(group, result);
    m_failText = result;
    return code;
}

int SISConfig::commandValidated(const QString& command, int code)
{
    const QString text = QString::fromLatin1(txt::Validated);
    SISMessageWriter* writer = SISMessageWriter::instance();
    if (command == kw::Version)
        writer->writeOut(SISMessageWriter::joinFields({kw::TagVersion, text}));
    else if (command == kw::Defaults)
        emit writeSettingIncrement(kw::TagSetting, kw::TypeDefault, kw::Validate, text);
    else if (command == kw::Test)
        emit writeTest(code == 0 ? kw::TagSuccess : kw::TagFail, param(kw::Group), text);
    else if (command == kw::Run)
        emit writeStatus(kw::Run, text);
    return code;
}
