#pragma once

// XStack: a stack of item pointers.

#include "XVector.h"

// A stack of item pointers; it does not own its items.
template <class T> class XStack
{
public:
    explicit XStack(size_t growStep = 10) : m_items(growStep) {}

    void Push(T* item) { m_items.Add(item); }
    // Removes and answers the top item; null when empty.
    T* Pop()
    {
        size_t n = m_items.Count();
        if (n == 0)
            return nullptr;
        T* item = m_items.At(n - 1);
        m_items.RemoveAt(n - 1);
        return item;
    }
    T* Top() const { return m_items.Count() ? m_items.At(m_items.Count() - 1) : nullptr; }
    size_t Count() const { return m_items.Count(); }
    // Item by position from the bottom (0 is the first pushed).
    T* At(size_t index) const { return m_items.At(index); }

private:
    XVector<T> m_items;
};
