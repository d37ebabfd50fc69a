#pragma once

// BridgeTaskBase: the bridge task base.

#include <QString>

#include "AppTaskBase.h"
#include "ParamMap.h"
#include "XDate.h"
#include "XDateTime.h"
#include "XException.h"
#include "XString.h"

// The bridge task: output folder, the run's parameters and identity, logging with levels and
// method names, progress totals, and the execute wrapper that catches every failure.
class BridgeTaskBase : public AppTaskBase
{
public:
    enum
    {
        ModeFull = 1,
        ModeUpdate = 2
    };

    explicit BridgeTaskBase(QObject* parent = nullptr);
    ~BridgeTaskBase() override;

    // Set-up + lookup tables, + import with the full pass, + (daily + period) times the days since the
    // update date (at least 1) with the update pass.
    int GetProgressSize(int mode) override;
    // Logs "Not set up yet." at level 3 and answers false.
    bool LoadList(ParamMap params, const QString& key) override;
    // Keeps the parameters, creates the output folder from "path", reads the update date from
    // "SchoolConfig.xml", sends "start_progress" and runs Execute; catches every exception.
    bool BeginExecute(ParamMap params, int mode, QString& result) override;
    // 2 with "Connection Failed: Data Source does not exist." when the data source name was not found,
    // else 1 with the result left as it was.
    virtual int HandleException_ValidateConnection(const XException& e, QString& result);

    // Emits writeLog; level 5 also sends "inc_progress" and level 6 "warn_progress" with the text.
    void LogMessage(int level, const XString& text, const XString& method = XString());
    // LogMessage, then throws XException(text, 0); while a stop signal is pending, logs the text at
    // level 8 and throws RunStopped instead.
    [[noreturn]] void LogAndThrow(int level, const XString& text, const XString& method = XString());
    // "inc_progress" with the text, and the text logged at level 7; a run asked to stop fails here.
    void PutJobText(const XString& text);
    // Fails the run (RunStopped, an XException) when a stop signal came; the safe points of a run
    // call it.
    void StopIfAsked();

    const XString& GetOutputFolder() const { return m_outputFolder; }
    void SetOutputFolder(const XString& folder) { m_outputFolder = folder; }
    const ParamMap& GetParams() const { return m_params; }
    // The run parameter of the key as 8-bit text (empty when absent).
    XString GetParam(const char* key) const;
    const XDate& GetUpdateDate() const { return m_updateDate; }

    // Test hook: a fixed clock for dates and times of the run (empty: the machine's clock).
    void SetFixedNow(const XDateTime& now) { m_fixedNow = now; }
    XDateTime Now() const;
    XDate Today() const;

protected:
    // Path of a file in the output folder.
    XString OutputPath(const XString& name) const;

    XString m_outputFolder;  // absolute, without a trailing "/"
    ParamMap m_params;       // the run's parameter map
    XDate m_updateDate;      // from "SchoolConfig.xml"; empty when none is recorded
    int m_runMode = 0;       // the run's passes (ModeFull, ModeUpdate); 0 outside a run

    // The run's identity, set by the engine, recorded and compared by the writer.
    XString m_bridgeAlias;
    XString m_schoolNumber;
    XString m_districtNumber;
    XString m_schoolYear;
    XDate m_inactiveDate;

    // Progress totals.
    int m_progressSetup = 0;
    int m_progressLookup = 0;
    int m_progressImport = 0;
    int m_progressDaily = 0;
    int m_progressPeriod = 0;

private:
    void PrepareRun(int mode);
    // Removes the temporary files that a run leaves only when it ends before completing them.
    void RemovePartialFiles();
    XDateTime m_fixedNow;
};
