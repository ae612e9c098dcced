// SPDX-License-Identifier: MIT
// A message box that closes by itself: the box that says why a print failed
// must not hold an unattended program open for ever. Its OK button counts
// the seconds down; when they are up the box closes as if OK was pressed.
#pragma once

#include <QString>

#include <chrono>

class QWidget;

namespace vexlan {

// The countdown of a message shown for `length`.
class CMessageCountdown {
public:
    explicit CMessageCountdown(std::chrono::milliseconds length) : m_length(length) {}

    // True once `elapsed` has reached the length.
    bool IsOver(std::chrono::milliseconds elapsed) const { return elapsed >= m_length; }
    // Whole seconds left, rounded up: 1 until the very end, 0 once over.
    int SecondsLeft(std::chrono::milliseconds elapsed) const;
    // `okText` followed by the seconds left: "确定 (30)".
    QString ButtonText(const QString& okText, std::chrono::milliseconds elapsed) const;

private:
    std::chrono::milliseconds m_length;
};

// Shows `text` in a modal critical message box over `parent` until the user
// closes it or `length` has passed.
void ShowTimedMessage(QWidget* parent, const QString& title, const QString& text, std::chrono::milliseconds length);

} // namespace vexlan
