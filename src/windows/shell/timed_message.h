// SPDX-License-Identifier: MIT
// A message box that closes by itself: the box that says why a print failed
// must not hold an unattended program open for ever. Its OK button counts
// the seconds down ("确定 (29)"); when they are up the box closes as if OK
// was pressed. The same box as the Linux shell's.
#pragma once

#include <chrono>
#include <string>

struct HWND__;

namespace vexlan {

// Whole seconds left of `length` after `elapsed`, rounded up: 1 until the
// very end, 0 once over.
int CountdownSecondsLeft(std::chrono::milliseconds length, std::chrono::milliseconds elapsed);

// Shows `text` in a modal error message box over `owner` until the user
// closes it or `length` has passed. Returns at once for a length of 0.
void ShowTimedMessage(HWND__* owner, const std::wstring& title, const std::wstring& text,
                      std::chrono::milliseconds length);

} // namespace vexlan
