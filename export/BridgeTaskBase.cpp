// The bridge task: output folder, logging, progress and the execute wrapper.

#include "BridgeTaskBase.h"

#include "CrashGuard.h"
#include "SchoolConfig.h"
#include "StringHelpers.h"
#include "XDirIterator.h"
#include "XFile.h"
#include "XFileSpec.h"

BridgeTaskBase::BridgeTaskBase(QObject* parent) : AppTaskBase(parent) {}

BridgeTaskBase::~BridgeTaskBase() {}

XDateTime BridgeTaskBase::Now() const
{
    if (!m_fixedNow.IsEmpty())
        return m_fixedNow;
    XDateTime now;
    now.SetNow();
    return now;
}

XDate BridgeTaskBase::Today() const
{
    return Now().GetDate();
}

XString BridgeTaskBase::GetParam(const char* key) const
{
    return fromQString(m_params.value(QString::fromUtf8(key)));
}

XString BridgeTaskBase::OutputPath(const XString& name) const
{
    return m_outputFolder + "/" + name;
}

void BridgeTaskBase::LogMessage(int level, const XString& text, const XString& method)
{
    try {
        const QString message = toQString(text);
        emit writeLog(level, message, toQString(method));
        if (level == 5)
            emit writeProgressIncrement(message);
        else if (level == 6)
            emit writeProgressWarning(message);
    } catch (...) {
        // Logging never fails the caller.
    }
}

void BridgeTaskBase::LogAndThrow(int level, const XString& text, const XString& method)
{
    // A failure met while the run is being stopped (a walk that the stop cut short) is the stop: no
    // handler on the way makes another failure of it. Its own text stays in the log's detail.
    if (const int signal = CrashGuard::stopSignal()) {
        LogMessage(8, text, method);
        throw RunStopped(CrashGuard::stopText(signal));
    }
    LogMessage(level, text, method);
    throw XException(text.CStr(), 0);
}

void BridgeTaskBase::StopIfAsked()
{
    if (const int signal = CrashGuard::stopSignal()) {
        const QString text = CrashGuard::stopText(signal);
        LogMessage(3, fromQString(text), "BridgeTaskBase::StopIfAsked");
        throw RunStopped(text);
    }
}

void BridgeTaskBase::PutJobText(const XString& text)
{
    StopIfAsked();
    try {
        emit writeProgressIncrement(toQString(text));
    } catch (...) {
    }
    LogMessage(7, text, "BridgeTaskBase::PutJobText");
}

int BridgeTaskBase::GetProgressSize(int mode)
{
    int total = m_progressSetup + m_progressLookup;
    if (mode & ModeFull)
        total += m_progressImport;
    if (mode & ModeUpdate) {
        int days = 1;
        if (!m_updateDate.IsEmpty()) {
            int since = Today().DaysSince(m_updateDate);
            if (since > days)
                days = since;
        }
        total += (m_progressDaily + m_progressPeriod) * days;
    }
    return total;
}

bool BridgeTaskBase::LoadList(ParamMap, const QString&)
{
    emit writeLog(3, QStringLiteral("Not set up yet."), QStringLiteral("BridgeTaskBase::LoadList"));
    return false;
}

int BridgeTaskBase::HandleException_ValidateConnection(const XException& e, QString& result)
{
    const XString text(e.GetMessage());
    if (text.Contains("Data source name not found")) {
        LogMessage(7, "Exception Occured: " + text, "HandleException_ValidateConnection");
        result = QStringLiteral("Connection Failed: Data Source does not exist.");
        return 2;
    }
    LogMessage(7, "Exception Occured :" + text, "HandleException_ValidateConnection");
    return 1;
}

void BridgeTaskBase::PrepareRun(int mode)
{
    m_runMode = mode;
    const char* method = "BridgeTaskBase::BeginExecute";
    const QString path = m_params.value(QStringLiteral("path")).trimmed();
    if (path.isEmpty())
        LogAndThrow(2, "path missing or blank.", method);
    const XString absolute = XFileSpec::AbsolutePath(fromQString(path).CStr());
    if (!XFileSpec::MakeFolders(absolute.CStr()))
        LogAndThrow(2, "Could not create the output folder: " + absolute, method);
    m_outputFolder = absolute;
    RemovePartialFiles();

    SchoolConfig config;
    m_updateDate = config.Read(OutputPath("SchoolConfig.xml")) ? config.updateDate : XDate();
}

void BridgeTaskBase::RemovePartialFiles()
{
    // Files of an earlier run that ended before they were complete (the run's own are removed
    // as it fails); runs into one folder never overlap.
    for (const XString& pattern : {XString("*") + XFile::kPartialSuffix, XString("SchoolConfig.xml.tmp")}) {
        XDirIterator leftovers(m_outputFolder.CStr(), pattern.CStr());
        XString path;
        uint32_t attributes;
        while (leftovers.Next(path, attributes)) {
            const QString name = toQString(leftovers.GetName());
            // An unfinished update file may be whole with its rows marked sent: the writer decides.
            if (name.startsWith(QLatin1String("Update "), Qt::CaseInsensitive) &&
                name.endsWith(QLatin1String(".PDU") + QLatin1String(XFile::kPartialSuffix),
                              Qt::CaseInsensitive))
                continue;
            try {
                XFile::Remove(path.CStr());
                LogMessage(8, "Removed the unfinished file " + fromQString(name),
                           "BridgeTaskBase::BeginExecute");
            } catch (const XException&) {
                // Left for the next run.
            }
        }
    }
}

bool BridgeTaskBase::BeginExecute(ParamMap params, int mode, QString& result)
{
    bool ok = false;
    try {
        m_params = params;
        PrepareRun(mode);
        emit writeProgress(QStringLiteral("start_progress"), GetProgressSize(mode));
        ok = Execute(params, mode, result);
    } catch (const XException& e) {
        LogMessage(3, XString("Caught Exception: ") + e.GetMessage(), "BridgeTaskBase::BeginExecute");
        // The failure's own text replaces whatever an earlier step left in the result.
        result = toQString(e.GetMessage());
        ok = false;
    } catch (...) {
        LogMessage(3, "Execute failed for an unkown reason, please consult Tamberlyn support.",
                   "BridgeTaskBase::BeginExecute");
        result.clear();
        ok = false;
    }
    if (!ok && result.isEmpty())
        result = QStringLiteral("Bridge execution failed, consult logs for more information.");
    return ok;
}
