#include "EngineTestEnv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

namespace enginetest {

const char* const kTestDsn = "vh_test";
const char* const kOneSchoolDsn = "vh_one";

namespace {

std::unique_ptr<QTemporaryDir> g_root;

void Exec(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : "unknown";
        sqlite3_free(error);
        throw std::runtime_error("test database: " + text + " in: " + sql);
    }
}

void BuildDatabase(const QString& path, const char* const* statements)
{
    QFile::remove(path);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot create the test database");
    Exec(db, "CREATE VIEW sysobjects AS SELECT rowid AS id, name, CASE type WHEN 'table' THEN 'U' "
             "WHEN 'view' THEN 'V' END AS type FROM sqlite_master WHERE type IN ('table','view') "
             "AND name NOT LIKE 'sqlite_%'");
    Exec(db, "CREATE VIEW syscolumns AS SELECT o.id AS id, p.name AS name FROM sysobjects AS o "
             "JOIN pragma_table_info(o.name) AS p");
    for (const char* const* sql = statements; *sql; ++sql)
        Exec(db, *sql);
    sqlite3_close(db);
}

const char* const kTestStatements[] = {
    "CREATE TABLE Schools (ID INTEGER, School_Number INTEGER, Name VARCHAR(60), District_Number INTEGER)",
    "INSERT INTO Schools VALUES (1, 10, 'Ten Oaks School', 5), (2, 20, '20', 5)",
    "CREATE TABLE Terms (ID INTEGER, SchoolID INTEGER, YearID INTEGER, Name VARCHAR(40), FirstDay DATE, "
    "LastDay DATE, IsYearRec INTEGER)",
    "INSERT INTO Terms VALUES "
    "(1, 10, 23, '2013-2014', '2013-08-20', '2014-06-10', 1), "
    "(2, 10, 24, '2014-2015', '2014-08-19', '2015-06-09', 1), "
    "(3, 10, 99, 'Semester 1', '2014-08-19', '2014-12-19', 0), "
    "(4, 20, 99, 'Semester 1', '2014-08-19', '2014-12-19', 0)",
    "CREATE TABLE Calendar (School_Year VARCHAR(20), School_Location VARCHAR(10))",
    "INSERT INTO Calendar VALUES ('2014-15', '10'), ('2015', '10'), ('', '10'), ('1999-00', '20')",
    "CREATE TABLE Teachers (ID INTEGER, TeacherNumber VARCHAR(10), LastFirst VARCHAR(60), Last_Name "
    "VARCHAR(40), "
    "First_Name VARCHAR(40), Middle_Name VARCHAR(40), Status INTEGER, SchoolID INTEGER)",
    "INSERT INTO Teachers VALUES "
    "(3, '7', '', '', 'Zed', '', 1, 10), "
    "(2, '', '', 'Smith', 'Ann', 'Lee', 1, 10), "
    "(1, '12', 'Smith, Ann', 'Smith', 'Ann', '', 1, 10), "
    "(4, '9', 'Gone, Ivy', 'Gone', 'Ivy', '', 2, 10), "
    "(5, '5', 'Other, Otto', 'Other', 'Otto', '', 1, 20)",
    nullptr};

const char* const kOneSchoolStatements[] = {
    "CREATE TABLE Schools (ID INTEGER, School_Number INTEGER, Name VARCHAR(60), District_Number INTEGER)",
    "INSERT INTO Schools VALUES (1, 30, 'Thirty', 9)", nullptr};

QString DriverPath()
{
    for (const char* path :
         {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so",
          "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so", "/usr/lib/odbc/libsqlite3odbc.so",
          "/usr/lib64/libsqlite3odbc.so", "/usr/local/lib/libsqlite3odbc.so"}) {
        if (QFile::exists(QLatin1String(path)))
            return QLatin1String(path);
    }
    return QStringLiteral("libsqlite3odbc.so");
}

void WriteFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    file.write(text.toUtf8());
}

}  // namespace

QString TempRoot()
{
    return g_root->path();
}

QString NewFolder(const QString& name)
{
    static int counter = 0;
    const QString path = g_root->filePath(QStringLiteral("f%1-").arg(++counter) + name);
    QDir().mkpath(path);
    return path;
}

void SetUp()
{
    g_root.reset(new QTemporaryDir(QDir::tempPath() + QStringLiteral("/vh-engine-XXXXXX")));
    const QString root = g_root->path();
    for (const char* name : {"home", "data", "runtime", "odbc"})
        QDir(root).mkpath(QLatin1String(name));
    QFile(root + QStringLiteral("/runtime"))
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("HOME", (root + QStringLiteral("/home")).toUtf8().constData(), 1);
    setenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toUtf8().constData(), 1);
    setenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/runtime")).toUtf8().constData(), 1);

    const QString odbc = root + QStringLiteral("/odbc");
    BuildDatabase(odbc + QStringLiteral("/test.db"), kTestStatements);
    BuildDatabase(odbc + QStringLiteral("/one.db"), kOneSchoolStatements);
    WriteFile(odbc + QStringLiteral("/odbcinst.ini"),
              QStringLiteral("[SQLite3]\nDriver=") + DriverPath() + QStringLiteral("\n"));
    WriteFile(odbc + QStringLiteral("/odbc.ini"),
              QStringLiteral("[vh_test]\nDriver=SQLite3\nDatabase=") + odbc +
                  QStringLiteral("/test.db\nNoCreat=1\n[vh_one]\nDriver=SQLite3\nDatabase=") + odbc +
                  QStringLiteral("/one.db\nNoCreat=1\n"));
    setenv("ODBCSYSINI", odbc.toUtf8().constData(), 1);
    setenv("ODBCINI", (odbc + QStringLiteral("/odbc.ini")).toUtf8().constData(), 1);
}

}  // namespace enginetest
