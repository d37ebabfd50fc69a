#pragma once

// Runs one prepared statement of the attendance cache on a thread of its own, so that reading
// the source and writing the cache overlap. Rows go over in batches through a short queue:
// memory stays the same however many rows pass.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "Database.h"
#include "Query.h"
#include "XString.h"

class CacheWriter
{
public:
    static constexpr int kParams = 12;
    static constexpr size_t kBatchRows = 1024;
    static constexpr size_t kBatches = 4;

    // The statement's parameters for one row, bound in order as texts.
    struct Row
    {
        XString values[kParams];
    };

    // Prepares sql (kParams parameters) on db and starts the thread. db is the writer's alone
    // until Wait or Stop returns.
    CacheWriter(sqlite::Database& db, const char* sql);
    // Stops the thread once what was sent is stored; what was not sent is dropped.
    ~CacheWriter();
    CacheWriter(const CacheWriter&) = delete;
    CacheWriter& operator=(const CacheWriter&) = delete;

    // The next row to fill; it is stored in turn with the others. Throws the writer's failure.
    Row& Next();
    // A statement without parameters (a savepoint), run in turn with the rows.
    void Execute(const char* sql);
    // Hands over what was given since the last call: Discard no longer drops it.
    void Send();
    // Returns when all handed over is done, db then free for the caller until the next row;
    // throws the writer's failure.
    void Wait();
    // Drops what was given since the last Send and waits for the rest, without throwing.
    void Discard() noexcept;

private:
    struct Item
    {
        const char* sql = nullptr;
        Row row;
    };
    // Items are kept when a batch comes back, so their texts keep their buffers.
    struct Batch
    {
        std::vector<Item> items;
        size_t count = 0;
    };

    Item& NextItem();
    void Run();
    void Store(const Item& item);
    [[noreturn]] void ThrowFailure();

    sqlite::Database& m_db;
    sqlite::Query m_query;
    std::vector<Batch> m_batches;
    Batch* m_current = nullptr;  // being filled; not in either list
    std::deque<Batch*> m_full;
    std::vector<Batch*> m_free;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_busy = false;
    bool m_stop = false;
    bool m_failed = false;
    XString m_failure;
    std::thread m_thread;
};
