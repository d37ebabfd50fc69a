#pragma once

// Masking of passwords and secrets in logged and shown texts.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Hides passwords in texts that are logged or shown. The value after every password key ("PWD" or
// "Password" in any letter case, then "=") and every whole occurrence of a secret become "********".
// An occurrence is whole when it does not continue a longer word on either side, so a short secret
// leaves the other words readable.
namespace SecretMask {

extern const char* const Stars;

QByteArray apply(const QByteArray& text, const QList<QByteArray>& secrets);
QString apply(const QString& text, const QStringList& secrets);

// A key that names a password in any spelling: it holds "pwd", or "passw" as in password, passwd and
// Passwort, in any letter case. Its value is kept out of every log line and every error line.
bool isPasswordKey(const QString& key);

}  // namespace SecretMask
