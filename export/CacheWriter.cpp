// The attendance cache's statement on a thread of its own.

#include "CacheWriter.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "CrashGuard.h"
#include "XException.h"

namespace {

// The record id as SQLite keeps it in an INTEGER column when its text is a plain decimal number
// of 64 bits ("0", "12", "-7"): exactly that integer. Other texts ("", "abc", "007", "7.0",
// " 7") go in as texts, as they did, and only SQLite compares them.
bool PlainInteger(const XString& text, std::int64_t& value)
{
    const char* p = text.CStr();
    const char* const end = p + text.Length();
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;
    // Up to 19 digits, which an unsigned 64-bit number holds.
    if (p == end || end - p > 19 || (*p == '0' && (end - p > 1 || negative)))
        return false;
    std::uint64_t n = 0;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        n = n * 10 + static_cast<unsigned>(*p - '0');
    }
    if (n > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    value = negative ? -static_cast<std::int64_t>(n) : static_cast<std::int64_t>(n);
    return true;
}

bool SameText(const XString& a, const XString& b)
{
    return a.Length() == b.Length() && std::memcmp(a.CStr(), b.CStr(), a.Length()) == 0;
}

// A hash of the values that name the cache row, eight bytes at a time.
std::uint64_t KeyHash(const CacheWriter::Row& row)
{
    const std::uint64_t kMul = 0x9e3779b97f4a7c15ull;
    std::uint64_t hash = 0;
    for (int i = CacheWriter::kFirstKey; i < CacheWriter::kFirstKey + CacheWriter::kKeys; ++i) {
        const char* p = row.values[i].CStr();
        size_t n = row.values[i].Length();
        for (; n >= 8; p += 8, n -= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            hash = (hash ^ word) * kMul;
            hash ^= hash >> 29;
        }
        std::uint64_t word = static_cast<std::uint64_t>(n) << 56;
        std::memcpy(&word, p, n);
        hash = (hash ^ word) * kMul;
        hash ^= hash >> 29;
    }
    return hash;
}

bool SameKey(const CacheWriter::Row& a, const CacheWriter::Row& b)
{
    for (int i = CacheWriter::kFirstKey; i < CacheWriter::kFirstKey + CacheWriter::kKeys; ++i) {
        if (!SameText(a.values[i], b.values[i]))
            return false;
    }
    return true;
}

}  // namespace

CacheWriter::CacheWriter(sqlite::Database& db, const char* sql)
    : m_db(db), m_query(db), m_batches(kBatches), m_buckets(2 * kBatchRows, -1), m_hashes(kBatchRows),
      m_next(kBatchRows)
{
    static_assert((kBatchRows & (kBatchRows - 1)) == 0, "the buckets are masked");
    m_query.Prepare(sql);
    for (Batch& batch : m_batches) {
        batch.items.resize(kBatchRows);
        for (size_t i = 0; i < kBatchRows; ++i)
            batch.items[i].row = static_cast<std::uint32_t>(i);
        batch.rows.resize(kBatchRows + 1);
        batch.spare = static_cast<std::uint32_t>(kBatchRows);
        m_free.push_back(&batch);
    }
    m_current = m_free.back();
    m_free.pop_back();
    CrashGuard::startThread(m_thread, [this] { Run(); });
}

CacheWriter::~CacheWriter()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

size_t CacheWriter::Bucket(std::uint64_t hash) const
{
    return static_cast<size_t>(hash ^ (hash >> 32)) & (m_buckets.size() - 1);
}

void CacheWriter::Combine()
{
    Batch* batch = m_current;
    Row& row = batch->rows[batch->spare];
    // The records of a row mostly come one after another: the row stored last is tried first.
    std::int32_t found = -1;
    std::uint64_t hash = 0;
    if (m_last >= 0 && SameKey(batch->rows[batch->items[m_last].row], row)) {
        found = m_last;
    } else {
        hash = KeyHash(row);
        for (std::int32_t e = m_buckets[Bucket(hash)]; e >= 0 && found < 0; e = m_next[e]) {
            if (m_hashes[e] == hash && SameKey(batch->rows[batch->items[e].row], row))
                found = e;
        }
    }
    if (found >= 0) {
        m_last = found;
        Item& item = batch->items[found];
        const Row& held = batch->rows[item.row];
        // The same text is the same id (a record read again): the later record stays.
        if (SameText(held.values[kId], row.values[kId])) {
            row.idIsNumber = held.idIsNumber;
            row.idNumber = held.idNumber;
            std::swap(item.row, batch->spare);
            return;
        }
        row.idIsNumber = PlainInteger(row.values[kId], row.idNumber);
        if (held.idIsNumber && row.idIsNumber) {
            // The lower id is dropped.
            if (row.idNumber > held.idNumber)
                std::swap(item.row, batch->spare);
            return;
        }
        // Ids that only SQLite compares: the record is stored after the row, as a row that later
        // records meet, so that the statement compares the two as it would have.
        hash = m_hashes[found];
    } else {
        row.idIsNumber = PlainInteger(row.values[kId], row.idNumber);
    }
    if (batch->count == batch->items.size()) {
        // A full batch goes over, and the record starts the next one.
        HandOver();
        m_current->rows[m_current->spare] = row;
        batch = m_current;
    }
    const std::int32_t at = static_cast<std::int32_t>(batch->count++);
    Item& item = batch->items[at];
    item.sql = nullptr;
    std::swap(item.row, batch->spare);
    std::int32_t& first = m_buckets[Bucket(hash)];
    m_hashes[at] = hash;
    m_next[at] = first;
    first = at;
    m_last = at;
}

void CacheWriter::Forget()
{
    if (m_last >= 0)
        std::fill(m_buckets.begin(), m_buckets.end(), -1);
    m_last = -1;
}

void CacheWriter::Execute(const char* sql)
{
    NextItem().sql = sql;
    // Rows before a statement are not combined with the records after it.
    Forget();
}

CacheWriter::Item& CacheWriter::NextItem()
{
    if (m_current->count == m_current->items.size())
        HandOver();
    return m_current->items[m_current->count++];
}

void CacheWriter::Send()
{
    HandOver();
}

void CacheWriter::HandOver()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_failed)
        ThrowFailure();
    if (m_current->count > 0) {
        Forget();
        m_full.push_back(m_current);
        m_current = nullptr;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_free.empty(); });
        m_current = m_free.back();
        m_free.pop_back();
    }
    if (m_failed)
        ThrowFailure();
}

void CacheWriter::Wait()
{
    Send();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_full.empty() && !m_busy; });
    if (m_failed)
        ThrowFailure();
}

void CacheWriter::Discard() noexcept
{
    Forget();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_current->count = 0;
    m_changed.wait(lock, [this] { return m_full.empty() && !m_busy; });
    m_failed = false;
    m_failure = XString();
}

void CacheWriter::ThrowFailure()
{
    const XString failure = m_failure;
    throw XException(failure.CStr());
}

void CacheWriter::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_full.empty(); });
        if (m_full.empty())
            return;
        Batch* batch = m_full.front();
        m_full.pop_front();
        const bool skip = m_failed;
        m_busy = true;
        lock.unlock();
        XString failure;
        bool failed = false;
        if (!skip) {
            try {
                for (size_t i = 0; i < batch->count; ++i)
                    Store(*batch, batch->items[i]);
            } catch (const XException& e) {
                failure = e.GetMessage();
                failed = true;
            } catch (const std::exception& e) {
                failure = e.what();
                failed = true;
            } catch (...) {
                failure = "Unknown error while writing the attendance cache.";
                failed = true;
            }
        }
        lock.lock();
        batch->count = 0;
        m_free.push_back(batch);
        m_busy = false;
        if (failed && !m_failed) {
            m_failed = true;
            m_failure = failure;
        }
        m_changed.notify_all();
    }
}

void CacheWriter::Store(const Batch& batch, const Item& item)
{
    if (item.sql) {
        m_db.Execute(item.sql);
        return;
    }
    // The texts stay in the batch until the statement has run.
    const Row& row = batch.rows[item.row];
    m_query.Reset();
    for (int i = 0; i < kParams; ++i) {
        if (i == kId && row.idIsNumber)
            m_query.Bind(i + 1, static_cast<int64_t>(row.idNumber));
        else
            m_query.BindStatic(i + 1, row.values[i]);
    }
    m_query.Step();
}
