#pragma once

// XVector: an array of item pointers, optionally sorted.

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "XException.h"

// An array of item pointers with a grow step and an optional compare function.
// With a compare function the items are kept sorted and searched by bisection.
// The vector never owns its items: destroying it frees only the array;
// DeleteAll deletes the items (through their virtual destructors where they have one).
template <class T> class XVector
{
public:
    typedef int (*CompareFunc)(const T* a, const T* b);

    explicit XVector(size_t growStep = 10, CompareFunc compare = nullptr)
        : m_items(nullptr), m_count(0), m_capacity(0), m_grow(growStep ? growStep : 1), m_compare(compare)
    {
    }
    XVector(const XVector& other)
        : m_items(nullptr), m_count(0), m_capacity(0), m_grow(other.m_grow), m_compare(other.m_compare)
    {
        CopyItems(other);
    }
    XVector& operator=(const XVector& other)
    {
        if (this != &other) {
            m_grow = other.m_grow;
            m_compare = other.m_compare;
            m_count = 0;
            CopyItems(other);
        }
        return *this;
    }
    ~XVector() { std::free(m_items); }

    size_t Count() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    CompareFunc GetCompare() const { return m_compare; }

    // Appends, or with a compare function inserts after the items that compare equal.
    void Add(T* item)
    {
        size_t pos = m_count;
        if (m_compare) {
            size_t lo = 0, hi = m_count;
            while (lo < hi) {
                size_t mid = lo + (hi - lo) / 2;
                if (m_compare(m_items[mid], item) <= 0)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            pos = lo;
        }
        InsertAt(pos, item);
    }

    // Inserts at the index (no sorting).
    void InsertAt(size_t index, T* item)
    {
        if (m_count == m_capacity)
            Grow(m_capacity + m_grow);
        if (index > m_count)
            index = m_count;
        std::memmove(m_items + index + 1, m_items + index, (m_count - index) * sizeof(T*));
        m_items[index] = item;
        ++m_count;
    }

    // Bisection with the compare function: the first stored item that compares equal, or null.
    // The index receives its position, or the position where it would be inserted.
    T* Search(const T* item, size_t* index = nullptr) const
    {
        if (!m_compare) {
            if (index)
                *index = m_count;
            return nullptr;
        }
        size_t lo = 0, hi = m_count;
        while (lo < hi) {
            size_t mid = lo + (hi - lo) / 2;
            if (m_compare(m_items[mid], item) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (index)
            *index = lo;
        if (lo < m_count && m_compare(m_items[lo], item) == 0)
            return m_items[lo];
        return nullptr;
    }

    // With a compare function the same search; without one a scan for the very same pointer.
    bool Find(const T* item, size_t* index = nullptr) const
    {
        if (m_compare)
            return Search(item, index) != nullptr;
        for (size_t i = 0; i < m_count; ++i) {
            if (m_items[i] == item) {
                if (index)
                    *index = i;
                return true;
            }
        }
        if (index)
            *index = m_count;
        return false;
    }

    // The stored equal item when there is one, else adds the item and answers it.
    T* FindOrAdd(T* item)
    {
        if (m_compare) {
            size_t index = 0;
            if (T* found = Search(item, &index))
                return found;
            InsertAt(index, item);
            return item;
        }
        if (Find(item))
            return item;
        Add(item);
        return item;
    }

    T* At(size_t index) const { return m_items[index]; }
    T* operator[](size_t index) const { return m_items[index]; }
    T** Data(size_t* count) const
    {
        if (count)
            *count = m_count;
        return m_items;
    }

    void RemoveAt(size_t index)
    {
        if (index >= m_count)
            return;
        std::memmove(m_items + index, m_items + index + 1, (m_count - index - 1) * sizeof(T*));
        --m_count;
    }
    void RemoveAll() { m_count = 0; }
    void DeleteAll()
    {
        for (size_t i = 0; i < m_count; ++i)
            delete m_items[i];
        m_count = 0;
    }

private:
    void Grow(size_t capacity)
    {
        if (capacity > (size_t)-1 / sizeof(T*))
            throw XException("Failed to reallocate memory.");
        T** items = static_cast<T**>(std::realloc(m_items, capacity * sizeof(T*)));
        if (!items)
            throw XException(m_items ? "Failed to reallocate memory." : "Failed to allocate memory.");
        m_items = items;
        m_capacity = capacity;
    }
    void CopyItems(const XVector& other)
    {
        if (other.m_count > m_capacity)
            Grow(other.m_count);
        if (other.m_count)
            std::memcpy(m_items, other.m_items, other.m_count * sizeof(T*));
        m_count = other.m_count;
    }

    T** m_items;
    size_t m_count;
    size_t m_capacity;
    size_t m_grow;
    CompareFunc m_compare;
};

// Walks a vector's items in order; Next answers null after the last.
template <class T> class XVectorIterator
{
public:
    explicit XVectorIterator(const XVector<T>& vector) : m_vector(vector), m_next(0) {}
    T* Next() { return m_next < m_vector.Count() ? m_vector.At(m_next++) : nullptr; }
    void Reset() { m_next = 0; }

private:
    const XVector<T>& m_vector;
    size_t m_next;
};
