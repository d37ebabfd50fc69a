#pragma once

// sqlite::WaitBudget: one wait for other connections' locks, shared by several connections.

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

namespace sqlite {

// The time that the connections given this budget (Database::SetWaitBudget) may wait, in all,
// for locks that other connections hold. Each wait draws from it; once it is spent, a busy
// database answers SQLITE_BUSY at once. Connections on several threads may share it.
class WaitBudget
{
public:
    // What the reporter is told.
    enum Event
    {
        WaitBegins,  // a statement found the database busy and waits
        RanOut       // the budget is spent: no more waiting
    };
    using Reporter = std::function<void(Event)>;

    explicit WaitBudget(int ms);
    WaitBudget(const WaitBudget&) = delete;
    WaitBudget& operator=(const WaitBudget&) = delete;

    // The whole budget again, nothing waited and nothing untold.
    void Reset();
    int SpentMs() const;
    // Waits begun since the last Reset.
    int WaitsBegun() const;

    // The reporter is told of each wait as it begins and of the budget running out, on the thread
    // that set it (the one that may log). What happens on another thread waits for Tell on that
    // thread, or for the next event on it.
    void SetReporter(Reporter reporter);
    // Tells the reporter what it was not told yet; call it on the reporter's thread.
    void Tell();

    // A statement found the database busy for the attempt-th time in a row (from 0): sleeps a
    // while and answers true (try again), or answers false once the budget is spent.
    bool Wait(int attempt);

private:
    using Clock = std::chrono::steady_clock;

    mutable std::mutex m_mutex;
    const int m_totalMs;
    Clock::duration m_spent{};
    int m_begun = 0;
    bool m_ranOut = false;
    int m_begunTold = 0;
    bool m_ranOutTold = false;
    Reporter m_reporter;
    std::thread::id m_reporterThread;
};

}  // namespace sqlite
