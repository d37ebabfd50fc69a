// Rows of a source table collected for a sorted lookup table and added in one go.
#pragma once

#include "XStringPair.h"
#include "XVector.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

// Sorting the pairs before they go in puts every insertion at the end of the table (the source
// order, by number, is not the table's byte order). The sort is stable and equal keys after the
// first are dropped, so the first pair read for a key wins, as does a key already in the table.
class PairBatch
{
public:
    explicit PairBatch(XVector<XStringPair>& table) : m_table(table) {}

    void Add(const XString& key, const XString& value)
    {
        m_pending.emplace_back(new XStringPair(key, value));
    }

    // Adds the collected pairs to the table; answers how many went in.
    size_t Flush()
    {
        std::stable_sort(m_pending.begin(), m_pending.end(),
                         [](const std::unique_ptr<XStringPair>& a, const std::unique_ptr<XStringPair>& b) {
                             return XStringPair::CompareFn(a.get(), b.get()) < 0;
                         });
        size_t added = 0;
        for (std::unique_ptr<XStringPair>& pair : m_pending) {
            XStringPair* item = pair.get();
            if (m_table.FindOrAdd(item) == item) {
                pair.release();
                ++added;
            }
        }
        m_pending.clear();
        return added;
    }

private:
    XVector<XStringPair>& m_table;
    std::vector<std::unique_ptr<XStringPair>> m_pending;
};
