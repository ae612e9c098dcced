// SPDX-License-Identifier: MIT
// The exit timer's state machine: Disarmed (m_nExitTimer 0) and Armed
// (m_nExitTimer holds the timer's identifier).
#include "core/app/exit_timer.h"

namespace vexlan {

void CExitTimer::Kill()
{
    if (m_nExitTimer != 0) {
        m_host.KillTimer(m_nExitTimer);
        m_nExitTimer = 0;
    }
}

void CExitTimer::SetExitTimer(bool bArm)
{
    Kill();
    if (bArm)
        m_nExitTimer = m_host.SetTimer(EXIT_TIMER_ID, EXIT_TIMER_PERIOD_MS);
}

bool CExitTimer::OnTimer(UINT nIDEvent)
{
    // A disarmed timer stores 0, which no expiry may match.
    if (m_nExitTimer == 0 || nIDEvent != m_nExitTimer)
        return false;
    Kill();
    m_host.PostExitCommand();
    return true;
}

void CExitTimer::OnDestroy()
{
    Kill();
}

} // namespace vexlan
