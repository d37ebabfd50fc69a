#pragma once

// An engine with settable run fields, a recorder of its reports, and login parameters.

#include "ExpEngine.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <ostream>
#include <vector>

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// An engine whose run fields a test may set directly.
class TestEngine : public ExpEngine
{
public:
    void SetSchool(const char* school) { m_schoolNumber = school; }
    void SetLogin(const char* dsn)
    {
        SetDataSource(dsn);
        SetUserName("u");
        SetPassword("p");
    }
};

// Collects what a task reports.
struct Reports
{
    struct Log
    {
        int level;
        QString text;
        QString method;
    };
    std::vector<Log> logs;
    QStringList missing;  // "key: text"
    QStringList errors;   // "title: text"
    QList<QMetaObject::Connection> connections;

    Reports() = default;
    Reports(const Reports&) = delete;
    Reports& operator=(const Reports&) = delete;
    ~Reports()
    {
        for (const QMetaObject::Connection& connection : connections)
            QObject::disconnect(connection);
    }

    void Attach(AppTaskBase& task)
    {
        connections << QObject::connect(&task, &AppTaskBase::writeLog,
                                        [this](int level, const QString& text, const QString& method) {
                                            logs.push_back({level, text, method});
                                        });
        connections << QObject::connect(&task, &AppTaskBase::writeMissing,
                                        [this](const QString& key, const QString& text) {
                                            missing << key + QStringLiteral(": ") + text;
                                        });
        connections << QObject::connect(&task, &AppTaskBase::writeError,
                                        [this](const QString& title, const QString& text) {
                                            errors << title + QStringLiteral(": ") + text;
                                        });
    }
    void Clear()
    {
        logs.clear();
        missing.clear();
        errors.clear();
    }
    // The texts of the log lines that begin with the prefix, in order.
    QStringList Texts(const QString& prefix) const
    {
        QStringList out;
        for (const Log& log : logs) {
            if (log.text.startsWith(prefix))
                out << log.text;
        }
        return out;
    }
    // "level|method|text" of the first log line whose text equals the text; empty when none.
    QString Find(const QString& text) const
    {
        for (const Log& log : logs) {
            if (log.text == text)
                return QString::number(log.level) + QLatin1Char('|') + log.method + QLatin1Char('|') +
                       log.text;
        }
        return QString();
    }
    bool AnyContains(const QString& needle) const
    {
        for (const Log& log : logs) {
            if (log.text.contains(needle))
                return true;
        }
        return missing.join(QLatin1Char('\n')).contains(needle) ||
               errors.join(QLatin1Char('\n')).contains(needle);
    }
};

inline ParamMap LoginParams(const char* dsn, const char* school = "10")
{
    ParamMap params;
    params.insert(QStringLiteral("dsn"), QLatin1String(dsn));
    params.insert(QStringLiteral("user"), QStringLiteral("u"));
    params.insert(QStringLiteral("pwd"), QStringLiteral("s3cret-pw"));
    if (school)
        params.insert(QStringLiteral("school"), QLatin1String(school));
    return params;
}
