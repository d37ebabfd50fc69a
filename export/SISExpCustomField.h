#pragma once

// SISExpCustomField: a custom field declared for the import program.

#include "XString.h"

// One custom field declared for the import program.
class SISExpCustomField
{
public:
    SISExpCustomField() {}
    SISExpCustomField(const XString& markerKeyword, const XString& fieldName, const XString& fieldCaption,
                      const XString& formatWord, bool isCommentedOut)
        : marker(markerKeyword), name(fieldName), caption(fieldCaption), format(formatWord),
          commentedOut(isCommentedOut)
    {
    }

    // The field's line: marker, a blank, then name, caption and format, each in double quotes and
    // separated by one blank; "//" in front when commented out. A double quote inside the name or
    // caption is written as a single quote.
    XString Line() const;

    XString marker;
    XString name;
    XString caption;
    XString format;
    bool commentedOut = false;
};
