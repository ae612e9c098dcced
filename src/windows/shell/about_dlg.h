// SPDX-License-Identifier: MIT
// The About box: dialog resource IDD_ABOUTBOX (icon, version line, legal
// notice, 确定), run modally.
#pragma once

#include "windows/base/windows_api.h"

namespace vexlan {

void RunAboutBox(HWND owner);

} // namespace vexlan
