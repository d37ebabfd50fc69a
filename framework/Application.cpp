#include "Application.h"

Application::Application()
{
    setTitle(QStringLiteral("Tamberlyn Data Extractor for Varnholm"));
    setAppType(QStringLiteral("Data Extractor"));
    setShortName(QStringLiteral("Varnholm"));
    setOldShortName(QStringLiteral("Varnholm"));
    setVersion(QStringLiteral("3.3.2.0"));
    setMinVersion(QStringLiteral("2.03.0097"));
    setAlias(QStringLiteral("varnholm-de"));
    setUserGuideFileName(QStringLiteral("VarnholmGuide.pdf"));
    setFinishedFile(QStringLiteral("finished_bridge.tmp"));
    init();
}
