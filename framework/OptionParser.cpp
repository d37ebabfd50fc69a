// The command-line parser and hexadecimal decoding.

#include "OptionParser.h"

#include "SecretMask.h"

#include <QTextCodec>

#include <cstring>

namespace {
bool validKey(const QString& key)
{
    if (key.isEmpty())
        return false;
    for (const QChar c : key) {
        const bool ok = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                        (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                        (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_') ||
                        c == QLatin1Char('-') || c == QLatin1Char('.');
        if (!ok)
            return false;
    }
    return key.at(0) != QLatin1Char('-');
}

int hexValue(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}

// Overwrites the text in place: "********" (as much of it as fits), then zero bytes to its end.
void maskBytes(char* text)
{
    const size_t n = std::strlen(text);
    for (size_t k = 0; k < n; ++k)
        text[k] = k < 8 ? '*' : '\0';
}

// The error text of an argument that is no switch. What may be a value typed without "=" is not
// shown: an argument after a password switch or after a switch without "=" is named by its position,
// a switch followed by a blank shows up to the blank, and nothing after a password word is shown.
QString invalidArgument(int position, const QString& head, const QString& previous, const QString& bare)
{
    const QString rule =
        QStringLiteral(" must follow \"=\" in the same argument, quoted when it holds blanks: --%1=<value>");
    if (bare.isEmpty() && !previous.isEmpty())
        return QStringLiteral("Invalid argument after --%1 (not shown: it may be part of the password). The "
                              "value")
                   .arg(SecretMask::shownKey(previous)) +
               rule.arg(SecretMask::shownKey(previous));
    if (!bare.isEmpty())
        return QStringLiteral("Invalid argument %1 (not shown: it may be a value of --%2). The value")
                   .arg(position)
                   .arg(SecretMask::shownKey(bare)) +
               rule.arg(SecretMask::shownKey(bare));
    int blank = 0;
    while (blank < head.size() && !head.at(blank).isSpace())
        ++blank;
    if (head.startsWith(QLatin1Char('-')) && blank < head.size()) {
        const QString shown = head.left(blank);
        const QString key = shown.startsWith(QStringLiteral("--")) && validKey(shown.mid(2))
                                ? SecretMask::shownKey(shown.mid(2))
                                : QStringLiteral("key");
        return QStringLiteral("Invalid argument %1: %2 followed by a blank (the rest is not shown: it may be "
                              "a value). A value")
                   .arg(position)
                   .arg(SecretMask::shownKey(shown)) +
               rule.arg(key);
    }
    const QByteArray bytes = head.toUtf8();
    const size_t end = SecretMask::passwordWordEnd(bytes.constData(), size_t(bytes.size()));
    if (end > 0 && end < size_t(bytes.size())) {
        QString key = QString::fromUtf8(bytes.constData(), int(end));
        while (key.startsWith(QLatin1Char('-')))
            key.remove(0, 1);
        return QStringLiteral("Invalid argument %1: %2 (the rest is not shown: it may be a password). A "
                              "value")
                   .arg(position)
                   .arg(SecretMask::shownKey(head)) +
               rule.arg(key);
    }
    return QStringLiteral("Invalid argument: ") + head;
}
}  // namespace

namespace OptionParser {

bool parse(const QStringList& args, CommandLine& result, QString& error)
{
    result = CommandLine();
    error.clear();
    if (args.isEmpty() || args.first().startsWith(QLatin1Char('-'))) {
        error = QStringLiteral("No command given.");
        return false;
    }
    result.command = args.first();
    QString bare;  // the switch just before, when it came without "="
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const int eq = arg.indexOf(QLatin1Char('='));
        const QString head = eq < 0 ? arg : arg.left(eq);
        if (!head.startsWith(QStringLiteral("--")) || !validKey(head.mid(2))) {
            // After a password switch, or a switch whose value holds one, the argument may be
            // part of the password.
            QString previous;
            if (i > 1) {
                const QPair<QString, QString>& before = result.switches.last();
                if (SecretMask::isSecretKey(before.first) || SecretMask::joinsPasswordSwitch(before.second))
                    previous = before.first;
            }
            error = invalidArgument(i + 1, head, previous, bare);
            return false;
        }
        const QString key = head.mid(2);
        bare = eq < 0 ? key : QString();
        result.switches.append(qMakePair(key, eq < 0 ? QString() : arg.mid(eq + 1)));
        if (eq >= 0 && result.switches.last().second.isNull())
            result.switches.last().second = QLatin1String("");
    }
    return true;
}

void maskSecretArguments(int argc, char** argv)
{
    bool valueNext = false;  // the argument before was a key with a password word, without "="
    for (int i = 1; i < argc; ++i) {
        char* arg = argv[i];
        if (valueNext && std::strncmp(arg, "--", 2) != 0) {
            maskBytes(arg);
            valueNext = false;
            continue;
        }
        size_t keyEnd = 0;
        while (arg[keyEnd] && arg[keyEnd] != '=' && !SecretMask::isBlank(arg[keyEnd]))
            ++keyEnd;
        size_t end = SecretMask::passwordWordEnd(arg, keyEnd);
        // A password switch joined to another one in the same argument, after a blank.
        if (end == 0)
            end = SecretMask::joinedSwitchWordEnd(arg, std::strlen(arg));
        if (end == 0) {
            valueNext = false;
            continue;
        }
        // Its value comes in the next argument when nothing follows its key here.
        valueNext = std::strcspn(arg + end, "= \t\n\r\v\f") == std::strlen(arg + end);
        if (arg[end] == '=' || SecretMask::isBlank(arg[end]))
            ++end;
        maskBytes(arg + end);
    }
}

QList<QByteArray> takeArguments(int argc, char** argv)
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    maskSecretArguments(argc, argv);
    return arguments;
}

bool decodeHex(const QString& hex, QString& text)
{
    text.clear();
    if (hex.size() % 2 != 0)
        return false;
    QByteArray bytes;
    bytes.reserve(hex.size() / 2);
    for (int i = 0; i < hex.size(); i += 2) {
        const int high = hexValue(hex.at(i));
        const int low = hexValue(hex.at(i + 1));
        if (high < 0 || low < 0)
            return false;
        if (high == 0 && low == 0)
            return false;
        bytes.append(char(high * 16 + low));
    }
    QTextCodec::ConverterState state;
    const QString decoded =
        QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0)
        return false;
    text = decoded;
    return true;
}

}  // namespace OptionParser
