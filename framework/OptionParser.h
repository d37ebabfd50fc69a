#pragma once

// OptionParser: the command line's command word and switches.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The parsed command line: the command word and the switches in order.
// A switch given as "--key" alone has a null value.
struct CommandLine
{
    QString command;
    QList<QPair<QString, QString>> switches;
};

namespace OptionParser {
// Splits the arguments (without the program name). The first argument is the
// command word; every other one must be "--key" or "--key=value", and a password
// key (SecretMask::isPasswordKey) "--key=value". On failure the error text names
// the offending argument up to its "=", except one that follows a password switch,
// which may be part of the password: that one is not shown.
bool parse(const QStringList& args, CommandLine& result, QString& error);

// Decodes hexadecimal text, two digits per byte, into UTF-8 text. Fails on an
// odd length, a character that is not a hexadecimal digit, a zero byte or
// bytes that are not UTF-8.
bool decodeHex(const QString& hex, QString& text);
}  // namespace OptionParser
