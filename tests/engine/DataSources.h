// The two data sources of the end-to-end suites: SQLite always, PostgreSQL only under
// pg_entry.sh (which sets VH_PG_*; each Pg/* test is a ctest entry of its own, see
// tests/common/PgTests.cmake), so a plain ctest run has no skipped PostgreSQL tests. And sources
// that a test may change.
#pragma once

#include "EngineTestEnv.h"
#include "ProgramRunner.h"

#include "Connection.h"
#include "Recordset.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace enginetest {

inline QString EnvText(const char* name)
{
    return QProcessEnvironment::systemEnvironment().value(name);
}

struct DataSource
{
    const char* name;
    bool pg;

    // A data source of the test data: "<base>" on SQLite, "<base>_pg" on PostgreSQL.
    QString Dsn(const QString& base) const { return pg ? base + "_pg" : base; }
    QString User() const { return pg ? EnvText("VH_PG_USER") : "u"; }
    QString Password() const { return pg ? EnvText("VH_PG_PASSWORD") : "s3cret-pw"; }
    QStringList Login() const { return {"--user=" + User(), "--pwdencode=" + Encode(Password())}; }
    // The environment of a child run.
    QProcessEnvironment Env() const
    {
        return pg ? OdbcEnvironment(EnvText("VH_PG_ODBCSYSINI"), EnvText("VH_PG_ODBCINI"))
                  : OdbcEnvironment(VH_TESTDATA_DIR, VH_TESTDATA_DIR "/odbc.ini");
    }
};

// The instances of one instantiation: {SQLite} in a plain run, {PostgreSQL} under the script.
inline std::vector<DataSource> DataSources(bool pg)
{
    if (pg == EnvText("VH_PG_DSN").isEmpty())
        return {};
    return {pg ? DataSource{"PostgreSQL", true} : DataSource{"SQLite", false}};
}

inline std::string DataSourceName(const ::testing::TestParamInfo<DataSource>& info)
{
    return info.param.name;
}

// A suite of TEST_Ps with a DataSource parameter on both data sources.
#define INSTANTIATE_ON_BOTH_SOURCES(Suite)                                                                   \
    INSTANTIATE_TEST_SUITE_P(Sqlite, Suite, ::testing::ValuesIn(::enginetest::DataSources(false)),           \
                             ::enginetest::DataSourceName);                                                  \
    INSTANTIATE_TEST_SUITE_P(Pg, Suite, ::testing::ValuesIn(::enginetest::DataSources(true)),                \
                             ::enginetest::DataSourceName);                                                  \
    GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Suite)

// The first column of the rows of one statement on an SQLite file, NULL as "NULL"; throws on an error.
inline QStringList SqliteRows(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    QStringList values;
    int rc = sqlite3_open(path.toUtf8().constData(), &db);
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(st, 0);
        values << (text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : "NULL");
        rc = SQLITE_OK;
    }
    const std::string error = sqlite3_errmsg(db);
    sqlite3_finalize(st);
    sqlite3_close(db);
    if (rc != SQLITE_DONE)
        throw std::runtime_error(error + " in: " + sql.toStdString());
    return values;
}

// A source that the test may change and the program reaches through the data source dsn: on SQLite
// a copy of the test data's database file, on PostgreSQL the server's database of pgDsn. That is
// a copy of the test entry's own for the data sources that pg_fixture.sh lists as changed; the
// databases of the others are shared by the entries and read only.
class ChangeableSource
{
public:
    ChangeableSource(const DataSource& source, const QString& file, const QString& pgDsn)
        : pg(source.pg), dsn(pg ? pgDsn : "vh_copy"), env(source.Env()), login(source.Login())
    {
        if (pg) {
            m_connection.Open(
                ("DSN=" + dsn + ";UID=" + source.User() + ";PWD=" + source.Password()).toStdString());
            return;
        }
        const QString folder = NewFolder("source");
        m_path = folder + "/source.db";
        QFile::copy(VH_TESTDATA_DIR "/" + file, m_path);
        WriteText(folder + "/odbc.ini", ("[vh_copy]\nDriver=SQLite3\nDatabase=" + m_path +
                                         "\nNoCreat=1\n"
                                         "StepAPI=1\n")
                                            .toUtf8());
        env = OdbcEnvironment(VH_TESTDATA_DIR, folder + "/odbc.ini");
    }
    void Exec(const QString& sql)
    {
        if (!pg) {
            SqliteRows(m_path, sql);
            return;
        }
        ado::Recordset statement;
        statement.Open(sql.toStdString(), m_connection);
    }
    // The first column of every row, as text.
    QStringList Column(const QString& sql)
    {
        if (!pg)
            return SqliteRows(m_path, sql);
        ado::Recordset rows;
        rows.Open(sql.toStdString(), m_connection);
        QStringList values;
        for (; !rows.EndOfFile(); rows.MoveNext())
            values << QString::fromStdString(rows.Fields().Item(0L).Value().Str());
        return values;
    }
    // The table's name as the statements of this source write it.
    QString Table(const char* name) const { return pg ? QString("vh.") + name : name; }

    const bool pg;
    const QString dsn;
    QProcessEnvironment env;
    const QStringList login;

private:
    QString m_path;
    ado::Connection m_connection;
};

}  // namespace enginetest
