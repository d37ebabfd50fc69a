#pragma once

// XTime: a time of day.

#include <cstdint>

#include "XString.h"

// Milliseconds since midnight; -1 is the empty time.
// Token patterns (letters in either case): HH hour, NN minutes, SS seconds, LLL milliseconds,
// AA "AM"/"PM". An upper-case "AA" in the pattern makes the hour count 1-12.
// A one-digit hour is zero-padded only when its HH run ends the pattern or is followed by a letter.
class XTime
{
public:
    static const int32_t Empty = -1;
    static const int32_t MsPerDay = 86400000;

    XTime() : m_ms(Empty) {}
    explicit XTime(int32_t ms) : m_ms(ms < 0 || ms >= MsPerDay ? Empty : ms) {}

    int32_t GetMs() const { return m_ms; }
    void SetMs(int32_t ms) { m_ms = ms < 0 || ms >= MsPerDay ? Empty : ms; }
    bool IsEmpty() const { return m_ms < 0; }
    void Clear() { m_ms = Empty; }
    // false (and empty) when out of range.
    bool Set(int hour, int minute, int second, int ms = 0);
    int Hour() const { return m_ms < 0 ? 0 : m_ms / 3600000; }
    int Minute() const { return m_ms < 0 ? 0 : m_ms / 60000 % 60; }
    int Second() const { return m_ms < 0 ? 0 : m_ms / 1000 % 60; }
    int Millisecond() const { return m_ms < 0 ? 0 : m_ms % 1000; }

    void SetNow();

    // 0.0 gives the empty time; otherwise the fraction of the day in milliseconds (rounded).
    void FromOleTime(double oleDate);

    XString Format(const char* pattern) const;
    XString Format(const XString& pattern) const { return Format(pattern.CStr()); }

    bool operator==(const XTime& other) const { return m_ms == other.m_ms; }
    bool operator!=(const XTime& other) const { return m_ms != other.m_ms; }
    bool operator<(const XTime& other) const { return m_ms < other.m_ms; }

private:
    int32_t m_ms;
};
