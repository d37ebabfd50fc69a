// The driver in process: input refused before any query; the toolkit's own data files.

#include "EngineTestEnv.h"
#include "EngineTestSupport.h"
#include "ExtractKit.h"
#include "XException.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using enginetest::kTestDsn;

namespace {

ParamMap RunParams(const QString& folder)
{
    ParamMap params = LoginParams(kTestDsn);
    params.insert(QStringLiteral("path"), folder);
    params.insert(QStringLiteral("appShortName_"), QStringLiteral("Varnholm"));
    params.insert(QStringLiteral("logSchema"), QStringLiteral("false"));
    return params;
}

}  // namespace

// A full pass in demo mode and an update pass without attendance flags are the golden cases
// "students_alt" and "attendance_none"; the files of each mode are AttendanceCodeFile's.
TEST(Driver, RefusesBadInputBeforeAnyQuery)
{
    const struct
    {
        const char* key;
        const char* value;
        const char* error;
    } cases[] = {
        {"school", "", "school: school missing or blank."},
        {"school", "10'--", "school: School number must be a plain number: 10'--"},
        {"altschool", "101, 1 0 2x", "altschool: Alternative school numbers must be plain numbers: 102x"},
        {"inactivedate", "yesterday",
         "inactivedate: Inactive date is not a date in the form mm/dd/yyyy: yesterday"},
    };
    for (const auto& c : cases) {
        const QString folder = enginetest::NewFolder(QStringLiteral("bad"));
        TestEngine engine;
        Reports reports;
        reports.Attach(engine);
        ParamMap params = RunParams(folder);
        params.insert(QLatin1String(c.key), QLatin1String(c.value));
        QString result;
        EXPECT_FALSE(engine.BeginExecute(params, 3, result)) << c.key;
        EXPECT_EQ(result, QStringLiteral("Validate Failed"));
        EXPECT_EQ(reports.errors, QStringList{QLatin1String(c.error)});
        EXPECT_TRUE(reports.Texts(QStringLiteral("Trying ")).isEmpty());
        EXPECT_TRUE(reports.Texts(QStringLiteral("Starting PDE Writer")).isEmpty());
        EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty()) << c.key;
    }
}

// An extractor that writes its own data file: the file takes its name only when the table ends
// normally; a failure while its lines are written leaves neither the file nor its partial copy.
TEST(ExtractKit, OwnDataFileIsWholeOrAbsent)
{
    const QString folder = enginetest::NewFolder(QStringLiteral("own-file"));
    TestEngine engine;
    engine.SetOutputFolder(folder.toUtf8().constData());
    {
        FileExtract f(engine, "Whole", "Whole.pef");
        f.WriteLine({"a\r\nb", "c"});
    }
    QFile whole(QDir(folder).filePath(QStringLiteral("Whole.pef")));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    EXPECT_EQ(whole.readAll(), QByteArray("a  b\tc\r\n"));

    EXPECT_THROW(
        {
            FileExtract f(engine, "Broken", "Broken.pef");
            f.WriteLine({"first"});
            throw XException("read failed", 0);
        },
        XException);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("Whole.pef")});
}
