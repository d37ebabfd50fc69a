// The two data sources of the end-to-end suites: SQLite always, PostgreSQL only under
// run_pg_tests.sh (which sets VH_PG_DSN), so a plain ctest run has no skipped PostgreSQL tests.
#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace enginetest {

struct DataSource
{
    const char* name;
    bool pg;
};

inline QString EnvText(const char* name)
{
    return QProcessEnvironment::systemEnvironment().value(QLatin1String(name));
}

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

}  // namespace enginetest
