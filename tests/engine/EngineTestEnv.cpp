// Folders and data sources of the engine tests.

#include "EngineTestEnv.h"

#include "SampleDb.h"
#include "SampleTables.h"
#include "TestOdbcEnv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <string>

namespace enginetest {

const char* const kTestDsn = "vh_test";
const char* const kOneSchoolDsn = "vh_one";

namespace {

std::unique_ptr<QTemporaryDir> g_root;

// The tables of tests/engine/schools/<school>/*.tsv, with the catalogue views.
std::string BuildDatabase(const QString& folder, const char* school)
{
    const std::string path = (folder + QLatin1Char('/') + QLatin1String(school) + ".db").toStdString();
    sampledb::SqliteSink sink(path);
    sampledb::LoadTsvTables(sink, std::string(VH_ENGINE_SCHOOLS "/") + school);
    sampledb::CreateSqliteCatalogueViews(sink);
    sink.Commit();
    return path;
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
    vhtest::UseOwnSqliteSources(odbc.toStdString(), {{kTestDsn, BuildDatabase(odbc, "test")},
                                                     {kOneSchoolDsn, BuildDatabase(odbc, "one")}});
    // Under the PostgreSQL test script its data sources too, for the tests that run the engine in
    // process on them.
    QFile pgSources(QString::fromLocal8Bit(qgetenv("VH_PG_ODBCINI")));
    QFile own(odbc + QStringLiteral("/odbc.ini"));
    if (!pgSources.fileName().isEmpty() && pgSources.open(QIODevice::ReadOnly) && own.open(QIODevice::Append))
        own.write("\n" + pgSources.readAll());
}

}  // namespace enginetest
