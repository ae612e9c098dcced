// SPDX-License-Identifier: MIT
// The self-closing message box (see timed_message.h).
#include "linux/shell/timed_message.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

namespace vexlan {

int CMessageCountdown::SecondsLeft(std::chrono::milliseconds elapsed) const
{
    if (IsOver(elapsed))
        return 0;
    const auto left = (m_length - elapsed).count();
    return static_cast<int>((left + 999) / 1000);
}

QString CMessageCountdown::ButtonText(const QString& okText, std::chrono::milliseconds elapsed) const
{
    return QStringLiteral("%1 (%2)").arg(okText).arg(SecondsLeft(elapsed));
}

void ShowTimedMessage(QWidget* parent, const QString& title, const QString& text, std::chrono::milliseconds length)
{
    const CMessageCountdown countdown(length);
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    QAbstractButton* ok = box.button(QMessageBox::Ok);
    const QString okText = ok->text();
    QElapsedTimer clock;
    clock.start();
    const auto update = [&] {
        const std::chrono::milliseconds elapsed(clock.elapsed());
        if (countdown.IsOver(elapsed))
            box.done(QMessageBox::Ok);
        else
            ok->setText(countdown.ButtonText(okText, elapsed));
    };
    if (countdown.IsOver(std::chrono::milliseconds(0)))
        return;
    update();
    // A few ticks a second keep the countdown within a tick of the clock.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &box, update);
    tick.start(100);
    box.exec();
}

} // namespace vexlan
