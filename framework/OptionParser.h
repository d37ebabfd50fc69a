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
// command word; every other one must be "--key" or "--key=value". On failure the
// error text names the offending argument up to its "=", except what may be a value
// typed without "=": an argument that follows a password switch or a switch given
// without "=" is named by its position (the command is argument 1), and of a switch
// followed by a blank only the part before the blank is shown.
bool parse(const QStringList& args, CommandLine& result, QString& error);

// Overwrites, in the process's own arguments (main's argv, which the process list
// shows), the value of every switch whose key is a password key
// (SecretMask::isPasswordKey) or holds "encode": its first eight bytes become "*"
// and the rest zero bytes. The value is what follows "=" or a blank in the argument,
// or the next argument when the switch has neither and that argument is no switch.
void maskSecretArguments(int argc, char** argv);

// Decodes hexadecimal text, two digits per byte, into UTF-8 text. Fails on an
// odd length, a character that is not a hexadecimal digit, a zero byte or
// bytes that are not UTF-8.
bool decodeHex(const QString& hex, QString& text);
}  // namespace OptionParser
