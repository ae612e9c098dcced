// SPDX-License-Identifier: MIT
// Helpers for the windowed tests: a small job file, running the application
// object's message loop with an upper bound, and answering modal dialogs.
#pragma once

#include "linux/shell/vexlan_app.h"
#include "core/job/job_reader.h"
#include "core/job/page_item.h"
#include "test_support.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

namespace vexlan::test {

// Status Run gives back when the bound ran out.
constexpr int kTimedOut = 99;

// A job with one text line, "Vexlan", in a 100 mm x 10 mm box at (20 mm, 20 mm).
inline std::string OneLineJob()
{
    PageItem item;
    item.nType = ITEM_TEXT;
    SetItemText(item, "Vexlan");
    SetItemFace(item, "Arial");
    item.rcItem = {2000, 2000, 12000, 3000};
    uint8_t record[record::kSize] = {};
    EncodePageItem(item, record);
    std::string bytes(8, '\0');
    const uint32_t magic = JOB_MAGIC;
    const int32_t count = 1;
    std::memcpy(&bytes[0], &magic, 4);
    std::memcpy(&bytes[4], &count, 4);
    bytes.append(reinterpret_cast<const char*>(record), sizeof record);
    return bytes;
}

// Runs the application's message loop; ends it with kTimedOut if it has not
// ended by itself within `boundMs`.
inline int RunBounded(CVexlanApp& app, int boundMs = 20000)
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(kTimedOut); });
    guard.start(boundMs);
    return app.Run();
}

// Calls `handler` with each of the first `count` modal widgets that appear
// (polled from the event loop, so it also runs inside a dialog's own loop).
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> handler, int count = 1) : m_handler(std::move(handler))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, count] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == m_last)
                return;
            m_last = modal;
            if (++m_seen == count)
                m_timer.stop();
            m_handler(modal);
        });
        m_timer.start(5);
    }
    int Seen() const { return m_seen; }

private:
    std::function<void(QWidget*)> m_handler;
    QPointer<QWidget> m_last;  // the one handled last, while it lives
    QTimer m_timer;
    int m_seen = 0;
};

} // namespace vexlan::test
