// One wait for other connections' locks, shared by several connections.

#include "WaitBudget.h"

#include <algorithm>
#include <vector>

namespace sqlite {

namespace {

// The sleeps of one wait, growing as SQLite's own busy wait does; then the last one again.
const int kSleepsMs[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
const int kSleepCount = int(sizeof kSleepsMs / sizeof kSleepsMs[0]);

}  // namespace

WaitBudget::WaitBudget(int ms) : m_totalMs(ms), m_reporterThread(std::this_thread::get_id()) {}

void WaitBudget::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_spent = Clock::duration();
    m_begun = m_begunTold = 0;
    m_ranOut = m_ranOutTold = false;
}

int WaitBudget::SpentMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(m_spent).count());
}

int WaitBudget::WaitsBegun() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_begun;
}

void WaitBudget::SetReporter(Reporter reporter)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reporter = std::move(reporter);
    m_reporterThread = std::this_thread::get_id();
}

void WaitBudget::Tell()
{
    std::vector<Event> events;
    Reporter reporter;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_reporter)
            return;
        for (; m_begunTold < m_begun; ++m_begunTold)
            events.push_back(WaitBegins);
        if (m_ranOut && !m_ranOutTold) {
            m_ranOutTold = true;
            events.push_back(RanOut);
        }
        reporter = m_reporter;
    }
    for (Event event : events)
        reporter(event);
}

bool WaitBudget::Wait(int attempt)
{
    Clock::duration sleep;
    bool tell;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        tell = std::this_thread::get_id() == m_reporterThread;
        const Clock::duration left = std::chrono::milliseconds(m_totalMs) - m_spent;
        if (m_ranOut || left <= Clock::duration::zero()) {
            m_ranOut = true;
            sleep = Clock::duration::zero();
        } else {
            if (attempt == 0)
                ++m_begun;
            const int ms = kSleepsMs[std::min(attempt, kSleepCount - 1)];
            sleep = std::min<Clock::duration>(std::chrono::milliseconds(ms), left);
        }
    }
    if (tell)
        Tell();
    if (sleep == Clock::duration::zero())
        return false;
    // The time that passed counts, also where a busy machine stretches the sleep.
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(sleep);
    const Clock::duration slept = Clock::now() - start;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_spent += slept;
        if (m_spent >= std::chrono::milliseconds(m_totalMs))
            m_ranOut = true;
    }
    // The database is tried once more after the last sleep.
    return true;
}

}  // namespace sqlite
