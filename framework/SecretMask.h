#pragma once

// Masking of passwords and secrets in logged and shown texts.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>

// Hides passwords in texts that are logged or shown. The value after every password key ("PWD" or
// "Password" in any letter case, then "=") and every whole occurrence of a secret become "********".
// An occurrence is whole when it does not continue a longer word on either side, so a short secret
// leaves the other words readable.
namespace SecretMask {

extern const char* const Stars;

QByteArray apply(const QByteArray& text, const QList<QByteArray>& secrets);
QString apply(const QString& text, const QStringList& secrets);

// The end of the first password word in the bytes: "pwd", "passw" or "encode" in any letter case,
// with the rest of a spelling that names a switch (pwdencode, password, passwd, Passwort); 0 when
// there is none. Whatever follows it in a key may be the password itself.
size_t passwordWordEnd(const char* text, size_t length);

// A blank that ends a switch's key in an argument: space, TAB, line feed and the like.
bool isBlank(char c);

// The end of the password word of a switch that the text holds of its own after a blank, as a value
// of two switches joined into one argument does ("4711 --pwd=<password>"): a word after a blank that
// begins with "-" and whose key (up to "=" or a blank) holds a password word; 0 when there is none.
size_t joinedSwitchWordEnd(const char* text, size_t length);

// A value that holds such a switch.
bool joinsPasswordSwitch(const QString& value);

// A switch's value as it may be used and shown: up to the end of the password word of a switch
// joined into it, then "********"; any other value as it is (a folder named "encoded" among them).
QString shownValue(const QString& value);

// A key that names a password or a secret in any spelling: it holds a password word. Its value, and
// whatever follows the word in the key, is kept out of every log line and every error line.
bool isSecretKey(const QString& key);

// The text as it may be shown: up to the end of its first password word, then "********" when
// anything follows; a text without a password word as it is.
QString shownKey(const QString& text);

}  // namespace SecretMask
