// The database layer as the engine uses it.

#include "ODBCExpEngineBase.h"

#include "StringHelpers.h"

ODBCExpEngineBase::ODBCExpEngineBase() : ODBCDataAccess(OptCheckExists | 1u, DbSybaseOdbc) {}

ODBCExpEngineBase::~ODBCExpEngineBase() = default;

QString ODBCExpEngineBase::GetQtDateFormat() const
{
    QString pattern = toQString(GetDateFormat());
    pattern.replace(QLatin1Char('m'), QLatin1Char('M'));
    pattern.replace(QLatin1Char('Y'), QLatin1Char('y'));
    pattern.replace(QLatin1Char('D'), QLatin1Char('d'));
    return pattern;
}
