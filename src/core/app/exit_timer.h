// SPDX-License-Identifier: MIT
// The view's one-shot exit timer: armed whenever a preview or print pass
// ends (or its preparation is refused), disarmed when a new pass is
// prepared; when it expires it posts the Exit command. The state machine is
// kept apart from the widget so that it runs against any timer service.
#pragma once

#include "core/base/wintypes.h"

namespace vexlan {

// The identifier requested for the exit timer and its period.
constexpr UINT EXIT_TIMER_ID = 111;
constexpr UINT EXIT_TIMER_PERIOD_MS = 1;

// What the exit timer needs from its window: a message-queue timer service
// and a way to queue the Exit command for the main window.
class ITimerHost {
public:
    virtual ~ITimerHost() = default;
    // Starts a repeating timer whose expiries arrive as timer events carrying
    // nIDEvent. Returns nIDEvent, or 0 when no timer could be created.
    virtual UINT SetTimer(UINT nIDEvent, UINT nElapseMs) = 0;
    // Stops the timer nIDEvent; a timer that does not run is ignored.
    virtual void KillTimer(UINT nIDEvent) = 0;
    // Queues the Exit command for the main window; it runs after the current
    // event has been handled, never inside this call.
    virtual void PostExitCommand() = 0;
};

class CExitTimer {
public:
    explicit CExitTimer(ITimerHost& host) : m_host(host) {}
    CExitTimer(const CExitTimer&) = delete;
    CExitTimer& operator=(const CExitTimer&) = delete;

    // bArm true: (re)start the timer; false: stop it if armed. A timer that
    // cannot be created leaves the timer disarmed.
    void SetExitTimer(bool bArm);

    // A timer expiry. Returns true when nIDEvent is the armed exit timer: the
    // timer is stopped and Exit is posted. Any other identifier, and any
    // identifier while disarmed, changes nothing and returns false; the
    // caller then gives the event to default processing.
    bool OnTimer(UINT nIDEvent);

    // The window is being destroyed: stop the timer if it is armed.
    void OnDestroy();

    // The armed timer's identifier, 0 when disarmed.
    UINT GetTimerId() const { return m_nExitTimer; }
    bool IsArmed() const { return m_nExitTimer != 0; }

private:
    void Kill();

    ITimerHost& m_host;
    UINT m_nExitTimer = 0;
};

} // namespace vexlan
