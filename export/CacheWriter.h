#pragma once

// Runs one prepared statement of the attendance cache on a thread of its own, so that reading
// the source and writing the cache overlap. Rows go over in batches through a short queue:
// memory stays the same however many rows pass.
//
// Rows given through Pending/Combine are combined in the batch being filled, where the records of
// one cache row (the same parameters 8 to 11: day, student, key and header) become one row as the
// statement's condition would combine them: of two, the one with the higher record id (parameter
// 12) gives all the values, and of equal ids the later one. A record whose row went over with an
// earlier batch, or before a statement (Execute), makes a row of its own: the statement keeps the
// highest id whatever the order. The ids go in as integers where they are plain decimal numbers.

#include <condition_variable>
#include <cstdint>
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
    static constexpr int kFirstKey = 7;  // values[7] to values[10] name the cache row
    static constexpr int kKeys = 4;
    static constexpr int kId = 11;

    // The statement's parameters for one row, bound in order as texts; the record id as an
    // integer where Combine found its text to be a plain decimal number.
    struct Row
    {
        XString values[kParams];
        bool idIsNumber = false;
        std::int64_t idNumber = 0;
    };

    // Prepares sql (kParams parameters) on db and starts the thread. db is the writer's alone
    // until Wait or Stop returns.
    CacheWriter(sqlite::Database& db, const char* sql);
    // Stops the thread once what was sent is stored; what was not sent is dropped.
    ~CacheWriter();
    CacheWriter(const CacheWriter&) = delete;
    CacheWriter& operator=(const CacheWriter&) = delete;

    // The row to fill for Combine. It holds the values of a row given earlier the same way: the
    // values that the rows carry are to be set every time.
    Row& Pending() { return m_current->rows[m_current->spare]; }
    // Stores the row filled through Pending in turn with the others, or combines it with the row
    // of the same cache row in the batch being filled. Throws the writer's failure.
    void Combine();
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
    // A statement, or the row of a batch's rows that it stores.
    struct Item
    {
        const char* sql = nullptr;
        std::uint32_t row = 0;
    };
    // Items and rows are kept when a batch comes back, so the texts keep their buffers. Each item
    // names a row of its own; the one row that no item names (spare) is the one Pending fills.
    struct Batch
    {
        std::vector<Item> items;
        std::vector<Row> rows;
        size_t count = 0;
        std::uint32_t spare = 0;
    };

    Item& NextItem();
    void HandOver();
    void Forget();
    size_t Bucket(std::uint64_t hash) const;
    void Run();
    void Store(const Batch& batch, const Item& item);
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

    // The rows of the batch being filled that later records may combine with (reading thread
    // only): by the hash of their key, the first item, and per item its hash and the next one of
    // the same bucket (-1: none).
    std::vector<std::int32_t> m_buckets;
    std::vector<std::uint64_t> m_hashes;
    std::vector<std::int32_t> m_next;
    std::int32_t m_last = -1;  // the item combined or stored last
};
