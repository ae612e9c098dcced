// SPDX-License-Identifier: MIT
// The pointer over the preview's page: a magnifier with a plus (a click
// zooms in) or a minus (a click goes back to the whole page), drawn here as
// the platform's cursor sets have no zoom cursor.
#pragma once

#include <QCursor>

namespace vexlan {

// `bIn`: the plus; else the minus. The hot spot is the lens's centre.
QCursor ZoomCursor(bool bIn);

} // namespace vexlan
