#pragma once

// ParamMap: parameters as text by key.

#include <QMap>
#include <QString>

// The command's switches and parameters as text by key.
using ParamMap = QMap<QString, QString>;
