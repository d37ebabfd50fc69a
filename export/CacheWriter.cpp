// The attendance cache's statement on a thread of its own.

#include "CacheWriter.h"

#include <exception>

#include "XException.h"

CacheWriter::CacheWriter(sqlite::Database& db, const char* sql) : m_db(db), m_query(db), m_batches(kBatches)
{
    m_query.Prepare(sql);
    for (Batch& batch : m_batches) {
        batch.items.resize(kBatchRows);
        m_free.push_back(&batch);
    }
    m_current = m_free.back();
    m_free.pop_back();
    m_thread = std::thread(&CacheWriter::Run, this);
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

CacheWriter::Row& CacheWriter::Next()
{
    Item& item = NextItem();
    item.sql = nullptr;
    return item.row;
}

void CacheWriter::Execute(const char* sql)
{
    NextItem().sql = sql;
}

CacheWriter::Item& CacheWriter::NextItem()
{
    if (m_current->count == m_current->items.size())
        Send();
    return m_current->items[m_current->count++];
}

void CacheWriter::Send()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_failed)
        ThrowFailure();
    if (m_current->count > 0) {
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
                    Store(batch->items[i]);
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

void CacheWriter::Store(const Item& item)
{
    if (item.sql) {
        m_db.Execute(item.sql);
        return;
    }
    // The texts stay in the batch until the statement has run.
    m_query.Reset();
    for (int i = 0; i < kParams; ++i)
        m_query.BindStatic(i + 1, item.row.values[i]);
    m_query.Step();
}
