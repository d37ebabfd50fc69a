#pragma once

#include "ParamMap.h"

#include <QString>
#include <QStringList>

// Cleaning and checking of the run parameters that end up in SQL text.

// The alternative school numbers of an `altschool` text: quotes and white space
// removed, split at ",", empty parts dropped, repeated numbers dropped (first stays).
QStringList CleanAltSchoolNumbers(const QString& text);

// The alternative-school field name: quotes and white space removed.
QString CleanAltSchoolField(const QString& text);

// True for one or more decimal digits and nothing else.
bool IsPlainNumber(const QString& text);

// Checks the parameters that are written into queries: `school` and `district`
// (when given) and every alternative school number must be plain numbers;
// `teacher` and `year` (when given) may hold only letters, digits, blanks and
// "-", "/", ".", "_". On the first bad value answers false with its key and a
// message for the host.
bool CheckQueryParams(const ParamMap& params, QString& key, QString& message);
