// SPDX-License-Identifier: MIT
// A command posted to a window: the counterpart of posting WM_COMMAND. The
// event is queued with QCoreApplication::postEvent and reaches the target's
// event() only after the current event has been handled; if the target is
// destroyed first, Qt discards it.
#pragma once

#include "core/base/wintypes.h"

#include <QCoreApplication>
#include <QEvent>

namespace vexlan {

class CCommandEvent : public QEvent {
public:
    explicit CCommandEvent(UINT nID) : QEvent(EventType()), m_nID(nID) {}

    UINT GetID() const { return m_nID; }

    static QEvent::Type EventType()
    {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

private:
    UINT m_nID;
};

// Queues command nID for `target` (never handled inside this call).
inline void PostCommand(QObject* target, UINT nID)
{
    QCoreApplication::postEvent(target, new CCommandEvent(nID));
}

} // namespace vexlan
