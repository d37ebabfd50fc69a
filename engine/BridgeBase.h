#pragma once

// BridgeBase: the bridge's application object.

#include "SISConfig.h"

#include <QDomElement>
#include <QString>

class ExpEngine;

// The application object of the bridge: its identity, its parameters and the
// answers to `test`, the list parameters and `defaults`, all through the engine.
class BridgeBase : public SISConfig
{
    Q_OBJECT

public:
    explicit BridgeBase(QObject* parent = nullptr);
    ~BridgeBase() override;

    int testGroup(const QString& group, QString& result) override;
    int bridgeListParam(const QString& key) override;
    int districtListParam(const QString& key) override;
    int schoolListParam(const QString& key) override;
    int yearListParam(const QString& key) override;
    void defaultSettings(const QDomElement& config) override;

protected:
    void AddLoginParam(const QString& key, const QString& label, const QString& type, const QString& help,
                       const QString& defaultValue = QString());
    void AddParam(const QString& key, const QString& label, const QString& type, const QString& help,
                  const QString& defaultValue = QString());

private:
    ExpEngine* engine() const;
};
