// Folders and data sources of the engine tests, and their main, which sets them up first.

#include "EngineTestEnv.h"

#include "SampleDb.h"
#include "SampleTables.h"
#include "TestOdbcEnv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    const std::string path = (folder + '/' + QLatin1String(school) + ".db").toStdString();
    sampledb::SqliteSink sink(path);
    sampledb::LoadTsvTables(sink, std::string(VH_ENGINE_SCHOOLS "/") + school);
    sampledb::CreateSqliteCatalogueViews(sink);
    sink.Commit();
    return path;
}

}  // namespace

QString NewFolder(const QString& name)
{
    static int counter = 0;
    const QString path = g_root->filePath(QStringLiteral("f%1-").arg(++counter) + name);
    QDir().mkpath(path);
    return path;
}

void SetUp()
{
    g_root.reset(new QTemporaryDir(QDir::tempPath() + "/vh-engine-XXXXXX"));
    const QString root = g_root->path();
    for (const char* name : {"home", "data", "runtime", "odbc"})
        QDir(root).mkpath(QLatin1String(name));
    QFile(root + "/runtime")
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("HOME", (root + "/home").toUtf8().constData(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").toUtf8().constData(), 1);
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").toUtf8().constData(), 1);

    const QString odbc = root + "/odbc";
    vhtest::UseOwnSqliteSources(odbc.toStdString(), {{kTestDsn, BuildDatabase(odbc, "test")},
                                                     {kOneSchoolDsn, BuildDatabase(odbc, "one")}});
    // Under the PostgreSQL test script its data sources too, for the tests that run the engine in
    // process on them.
    QFile pgSources(QString::fromLocal8Bit(qgetenv("VH_PG_ODBCINI")));
    QFile own(odbc + "/odbc.ini");
    if (!pgSources.fileName().isEmpty() && pgSources.open(QIODevice::ReadOnly) && own.open(QIODevice::Append))
        own.write("\n" + pgSources.readAll());
}

}  // namespace enginetest

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    enginetest::SetUp();
    return RUN_ALL_TESTS();
}
