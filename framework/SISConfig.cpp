// The configuration application: command-line dispatch, switches and passwords.

#include "SISConfig.h"

#include "AppTaskBase.h"
#include "Constants.h"
#include "Keywords.h"
#include "LogManager.h"
#include "OptionParser.h"
#include "SISMessageWriter.h"
#include "SecretMask.h"

#include "XException.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>

#include <exception>

namespace {
// Qt's own messages go into the log.
void qtMessageToLog(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    int level = 8;
    switch (type) {
    case QtDebugMsg:
        level = 8;
        break;
    case QtInfoMsg:
        level = 7;
        break;
    case QtWarningMsg:
        level = 4;
        break;
    case QtCriticalMsg:
        level = 2;
        break;
    case QtFatalMsg:
        level = 0;
        break;
    }
    LogManager::instance()->log(level, message, QStringLiteral("Qt"));
}

const Keyword* commandWord(const QString& word)
{
    for (const Keyword* k : {&kw::Help, &kw::Params, &kw::Defaults, &kw::Version, &kw::Test, &kw::Run}) {
        if (*k == word)
            return k;
    }
    return nullptr;
}

const QString CommandLineTitle = QStringLiteral("Command Line");
}  // namespace

SISConfig::SISConfig(TaskFactory makeTask, QObject* parent) : AppBase(parent)
{
    setFrameworkVersion(QString::fromLatin1(txt::FrameworkVersion));
    setAppType(QString::fromLatin1(txt::ConfigurationType));
    setTask(makeTask ? makeTask() : nullptr);
    addGroup(kw::GroupConnection);
    addGroup(kw::GroupSchool);
}

SISConfig::~SISConfig() = default;

QString SISConfig::configFolder() const
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation).value(0);
    return base + QLatin1Char('/') + QString::fromLatin1(txt::QuenmarkFolder) + QLatin1Char('/') +
           oldShortName();
}

QString SISConfig::documentsLogFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QLatin1Char('/') +
           QString::fromLatin1(txt::DocumentsLogFolder);
}

int SISConfig::processCommandLine(const QList<QByteArray>& arguments)
{
    // Qt turns bytes that are not text into replacement characters; such a value would name
    // something else (a folder of another name), so it is refused by its key.
    QStringList args;
    m_notText.clear();
    for (const QByteArray& bytes : arguments) {
        const QString arg = QFile::decodeName(bytes);
        if (QFile::encodeName(arg) != bytes) {
            const int eq = arg.indexOf(QLatin1Char('='));
            if (eq > 2 && arg.startsWith(QStringLiteral("--")))
                m_notText.append(arg.mid(2, eq - 2));
        }
        args.append(arg);
    }
    return processCommandLine(args);
}

int SISConfig::processCommandLine(const QStringList& args)
{
    qInstallMessageHandler(qtMessageToLog);
    m_statusIntoExistingFolderOnly = false;
    int validateCode = -1;
    if (!acceptCommandLine(args) || !checkSwitchValues(validateCode))
        return refuseCommandLine();
    QString failText;
    const int code = dispatchCommand(validateCode, failText);
    return exitCommand(code, failText);
}

bool SISConfig::acceptCommandLine(const QStringList& args)
{
    // Until the switches are read, a refused command line's result goes into the folder of its last
    // "--path=", as that switch would name it.
    for (const QString& arg : args) {
        if (arg.startsWith(QStringLiteral("--path=")))
            setParam(kw::Path,
                     m_notText.contains(kw::Path) ? QString() : SecretMask::shownValue(arg.mid(7)).trimmed());
    }

    CommandLine line;
    QString error;
    const bool parsed = OptionParser::parse(args, line, error);
    m_command = line.command;
    if (!commandWord(line.command)) {
        if (parsed)
            error = QStringLiteral("Unknown command: ") + SecretMask::shownKey(line.command);
        m_failText = error;
        emit writeError(CommandLineTitle, error);
        return false;
    }
    if (!parsed) {
        emit writeError(CommandLineTitle, error);
        return false;
    }
    if (paramIsOnIn(line.switches, kw::Help))
        m_command = kw::Help;
    return applySwitches(line.switches);
}

bool SISConfig::checkSwitchValues(int& validateCode)
{
    // Leading and trailing blanks are not part of the output folder's name: every file of the
    // command goes to the one trimmed folder.
    if (params().contains(kw::Path))
        setParam(kw::Path, param(kw::Path).trimmed());
    if (!m_notText.isEmpty()) {
        for (const QString& key : m_notText) {
            if (key == kw::Path)
                setParam(kw::Path, QString());
            const QString shown = SecretMask::shownKey(key);
            emit writeError(shown,
                            shown + QStringLiteral(" is not valid text: it holds bytes that are not UTF-8."));
        }
        return false;
    }
    if (!LogManager::instance()->setTarget(param(kw::Log))) {
        emit writeError(kw::Log, QStringLiteral("Unknown log target: ") + param(kw::Log));
        return false;
    }
    if (!decodePasswords())
        return false;
    if (params().contains(kw::Validate)) {
        // Plain digits only: no sign, no blanks.
        const QString value = param(kw::Validate);
        bool ok = !value.isEmpty() && value.size() <= 3;
        for (const QChar c : value)
            ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        validateCode = ok ? value.toInt() : -1;
        if (!ok || validateCode > 255) {
            emit writeError(kw::Validate, QStringLiteral("validate must be a number from 0 to 255."));
            return false;
        }
        m_validating = true;
    }
    // Switches that leave a run no pass fail before anything in the folder is touched.
    if (m_command == kw::Run && !m_validating && runMode() == 0) {
        emit writeError(CommandLineTitle,
                        QStringLiteral("--demo with --att leaves nothing to run: --demo runs the full "
                                       "extraction only, --att the attendance update only."));
        return false;
    }
    return true;
}

int SISConfig::dispatchCommand(int validateCode, QString& failText)
{
    const QString command = m_command;
    try {
        if (m_validating && command != kw::Params)
            return commandValidated(command, validateCode);
        if (command == kw::Help)
            return commandHelp();
        if (command == kw::Params)
            return commandParams();
        if (command == kw::Defaults)
            return commandDefaults();
        if (command == kw::Version)
            return commandVersion();
        if (command == kw::Test)
            return commandTest();
        return commandRun();
    } catch (const XException& e) {
        failText = QString::fromUtf8(e.GetMessage());
    } catch (const std::exception& e) {
        failText = QString::fromUtf8(e.what());
    } catch (...) {
        failText = QStringLiteral("Unknown failure.");
    }
    emit writeError(QStringLiteral("Caught Exception"), failText);
    return 1;
}

bool SISConfig::paramIsOnIn(const QList<QPair<QString, QString>>& switches, const QString& key)
{
    bool on = false;
    for (const auto& s : switches) {
        if (s.first == key)
            on = s.second.isNull() || s.second == kw::True;
    }
    return on;
}

bool SISConfig::isPasswordParam(const QString& key) const
{
    for (const QString& group : groupNames()) {
        for (const Parameter& p : groupParams(group)) {
            if (p.type == kw::TypePassword &&
                (p.key == key || QString(p.key).remove(QStringLiteral("encode")) == key))
                return true;
        }
    }
    return false;
}

bool SISConfig::applySwitches(const QList<QPair<QString, QString>>& switches)
{
    // Keys that the program reads but does not declare as switches; any other undeclared key is not
    // used, and its value is kept out of the log. A switch given alone is taken as "true", except a
    // password switch, whose value is then blank.
    static const QStringList read{kw::School, QStringLiteral("district"), QStringLiteral("bridgeAlias_"),
                                  kw::LogSchema};
    const ParamMap own = params();  // the application's properties
    m_unusedKeys.clear();
    m_bareKeys.clear();
    for (const auto& s : switches) {
        const bool password = isPasswordParam(s.first);
        if (!findParam(s.first) && !own.contains(s.first) && !read.contains(s.first) && !password &&
            !m_unusedKeys.contains(s.first))
            m_unusedKeys.append(s.first);
        // A password switch joined into another switch's value goes no further than its key.
        QString value = SecretMask::isSecretKey(s.first) ? s.second : SecretMask::shownValue(s.second);
        m_bareKeys.removeAll(s.first);  // the last one given counts
        if (value.isNull()) {
            const Parameter* p = findParam(s.first);
            if (password) {
                value = QLatin1String("");  // given without a value: missing or blank
            } else if (p && p->type != kw::TypeSwitch) {
                emit writeError(CommandLineTitle, QStringLiteral("Switch needs a value: --") + s.first);
                return false;
            } else {
                value = kw::True;
                m_bareKeys.append(s.first);
            }
        }
        setParam(s.first, value);
    }
    return true;
}

int SISConfig::refuseCommandLine()
{
    m_statusIntoExistingFolderOnly = true;
    return exitCommand(1);
}

bool SISConfig::decodePasswords()
{
    LogManager* log = LogManager::instance();
    // Every password-like switch, pwd and pwdencode among them.
    const ParamMap all = params();
    for (auto it = all.constBegin(); it != all.constEnd(); ++it) {
        // A switch given alone holds the program's own "true", no secret.
        if (!SecretMask::isSecretKey(it.key()) || m_bareKeys.contains(it.key()))
            continue;
        log->addSecret(it.value());
        QString decoded;
        if (OptionParser::decodeHex(it.value(), decoded))
            log->addSecret(decoded);
    }
    for (const QString& group : groupNames()) {
        for (const Parameter& p : groupParams(group)) {
            if (p.type != kw::TypePassword || !params().contains(p.key))
                continue;
            const QString value = param(p.key);
            log->addSecret(value);
            if (!p.key.contains(QStringLiteral("encode")))
                continue;
            QString decoded;
            if (!OptionParser::decodeHex(value, decoded)) {
                emit writeError(p.key, p.key + QStringLiteral(" is not valid hexadecimal text."));
                return false;
            }
            log->addSecret(decoded);
            setParam(QString(p.key).remove(QStringLiteral("encode")), decoded);
        }
    }
    return true;
}

ParamMap SISConfig::scrubbedParams() const
{
    ParamMap map = params();
    // Every password-like switch, pwd and pwdencode among them.
    for (const QString& key : map.keys()) {
        if (SecretMask::isSecretKey(key))
            map.remove(key);
    }
    for (const QString& group : groupNames()) {
        for (const Parameter& p : groupParams(group)) {
            if (p.type == kw::TypePassword) {
                map.remove(p.key);
                map.remove(QString(p.key).remove(QStringLiteral("encode")));
            }
        }
    }
    return map;
}
