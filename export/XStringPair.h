#pragma once

// XStringPair: a key and value text of the sorted lookup tables.

#include "XString.h"
#include "XVector.h"

// A key and a value text. Sorted lookup tables hold these, compared by key.
class XStringPair
{
public:
    XStringPair() {}
    XStringPair(const XString& k, const XString& v) : key(k), value(v) {}

    // Compare function of sorted vectors: the keys byte by byte (signed characters).
    static int CompareFn(const XStringPair* a, const XStringPair* b);

    XString key;
    XString value;
};

// Deletes every pair of the vector and empties it; a null vector is left alone.
void DeleteStringPairs(XVector<XStringPair>* pairs);
