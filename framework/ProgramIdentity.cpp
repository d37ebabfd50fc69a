// The program's title, names, versions and files.

#include "ProgramIdentity.h"

#include "AppBase.h"

void SetProgramIdentity(AppBase& app)
{
    app.setTitle(QStringLiteral("Tamberlyn Data Extractor for Varnholm"));
    app.setAppType(QStringLiteral("Data Extractor"));
    app.setShortName(QStringLiteral("Varnholm"));
    app.setOldShortName(QStringLiteral("Varnholm"));
    app.setVersion(QStringLiteral("3.3.2.0"));
    app.setMinVersion(QStringLiteral("2.03.0097"));
    app.setAlias(QStringLiteral("varnholm-de"));
    app.setUserGuideFileName(QStringLiteral("VarnholmGuide.pdf"));
    app.setFinishedFile(QStringLiteral("finished_bridge.tmp"));
}
