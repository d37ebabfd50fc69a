// The command-line parser and hexadecimal decoding.

#include "OptionParser.h"

#include "SecretMask.h"

#include <QTextCodec>

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
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const int eq = arg.indexOf(QLatin1Char('='));
        const QString head = eq < 0 ? arg : arg.left(eq);
        if (!head.startsWith(QStringLiteral("--")) || !validKey(head.mid(2))) {
            // What follows a password switch may be (part of) the password: a blank typed for "=",
            // or a value with a blank that was not quoted. It is not shown.
            const QString previous = i > 1 ? result.switches.last().first : QString();
            if (SecretMask::isPasswordKey(previous))
                error = QStringLiteral("Invalid argument after --") + previous +
                        QStringLiteral(" (not shown: it may be part of the password). The value must follow "
                                       "\"=\" in the same argument, quoted when it holds blanks: --") +
                        previous + QStringLiteral("=<value>");
            else
                error = QStringLiteral("Invalid argument: ") + head;
            return false;
        }
        const QString key = head.mid(2);
        if (eq < 0 && SecretMask::isPasswordKey(key)) {
            error = QStringLiteral("The value of --") + key + QStringLiteral(" must follow \"=\": --") + key +
                    QStringLiteral("=<value>");
            return false;
        }
        result.switches.append(qMakePair(key, eq < 0 ? QString() : arg.mid(eq + 1)));
        if (eq >= 0 && result.switches.last().second.isNull())
            result.switches.last().second = QLatin1String("");
    }
    return true;
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
