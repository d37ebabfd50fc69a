#pragma once

// Parameter: one declared parameter.

#include <QList>
#include <QString>

// One declared parameter (and command-line switch).
struct Parameter
{
    QString key;
    QString displayName;
    QString type;
    QString help;
    QString group;
    QString value;
    QString defaultValue;
};

// A named group of parameters, kept in declaration order.
struct ParamGroup
{
    QString name;
    QList<Parameter> params;
};
