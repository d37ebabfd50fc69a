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

// A key that names a password or a secret in any spelling: it holds a password word. Its value, and
// whatever follows the word in the key, is kept out of every log line and every error line.
bool isSecretKey(const QString& key);

// The text as it may be shown: up to the end of its first password word, then "********" when
// anything follows; a text without a password word as it is.
QString shownKey(const QString& text);

}  // namespace SecretMask
