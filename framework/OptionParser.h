#pragma once

// OptionParser: the command line's command word and switches.

#include <QByteArray>
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
// without "=" is named by its position (the command is argument 1), of a switch
// followed by a blank only the part before the blank is shown, and of an argument
// with a password word its position and the text up to the word.
bool parse(const QStringList& args, CommandLine& result, QString& error);

// Overwrites, in the process's own arguments (main's argv, which the process list shows), whatever
// follows the first password word (SecretMask::passwordWordEnd) in an argument's key, the value after
// its "=" or blank, and the next argument when the key has neither and that argument is no switch:
// the first eight bytes become "*" and the rest zero bytes, so the value's length still shows.
void maskSecretArguments(int argc, char** argv);

// Copies of the arguments (without the program name), taken before maskSecretArguments overwrites
// them. The first call of main.
QList<QByteArray> takeArguments(int argc, char** argv);

// Decodes hexadecimal text, two digits per byte, into UTF-8 text. Fails on an
// odd length, a character that is not a hexadecimal digit, a zero byte or
// bytes that are not UTF-8.
bool decodeHex(const QString& hex, QString& text);
}  // namespace OptionParser
