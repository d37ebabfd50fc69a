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
    // separated by one blank; "//" in front when commented out. Name and caption as WrittenText.
    XString Line() const;

    // A name or caption as the import files carry it, in the field's line and in the data files:
    // a double quote becomes a single quote (the line has no escape for it), CR and LF a blank,
    // and a TAB is dropped. Two names that it makes equal are one field for the import program.
    static XString WrittenText(const XString& text);

    XString marker;
    XString name;
    XString caption;
    XString format;
    bool commentedOut = false;
};
