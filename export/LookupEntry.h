#pragma once

// LookupEntry: a record of a sorted lookup table.

#include "XString.h"

// A lookup record of four texts: key, description, name and file number.
class LookupEntry
{
public:
    // A probe for searching: the three texts empty.
    explicit LookupEntry(const XString& key);
    // TAB, CR and LF in the description and the name become blanks.
    LookupEntry(const XString& key, const XString& description, const XString& name,
                const XString& fileNumber);

    // Compare function of sorted vectors: the keys byte by byte (signed characters).
    static int CompareFn(const LookupEntry* a, const LookupEntry* b);

    XString key;
    XString description;
    XString name;
    XString fileNumber;
};
