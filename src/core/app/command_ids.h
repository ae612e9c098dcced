// SPDX-License-Identifier: MIT
// Command identifiers of the shell and of the view, with the framework's
// numbering kept, so that a command means the same thing wherever it is sent
// (menu, accelerator, preview toolbar, a posted Exit).
#pragma once

#include "core/base/wintypes.h"

namespace vexlan {

// File commands
constexpr UINT ID_FILE_NEW = 57600;           // 0xE100
constexpr UINT ID_FILE_OPEN = 57601;
constexpr UINT ID_FILE_CLOSE = 57602;
constexpr UINT ID_FILE_SAVE = 57603;
constexpr UINT ID_FILE_SAVE_AS = 57604;
constexpr UINT ID_FILE_PAGE_SETUP = 57605;
constexpr UINT ID_FILE_PRINT_SETUP = 57606;
constexpr UINT ID_FILE_PRINT = 57607;
constexpr UINT ID_FILE_PRINT_DIRECT = 57608;
constexpr UINT ID_FILE_PRINT_PREVIEW = 57609;
constexpr UINT ID_FILE_MRU_FIRST = 57616;     // the recent-file entries
constexpr UINT ID_FILE_MRU_LAST = 57631;

// Edit commands
constexpr UINT ID_EDIT_CLEAR = 57632;
constexpr UINT ID_EDIT_CLEAR_ALL = 57633;
constexpr UINT ID_EDIT_COPY = 57634;
constexpr UINT ID_EDIT_CUT = 57635;
constexpr UINT ID_EDIT_FIND = 57636;
constexpr UINT ID_EDIT_PASTE = 57637;
constexpr UINT ID_EDIT_REPEAT = 57640;
constexpr UINT ID_EDIT_REPLACE = 57641;
constexpr UINT ID_EDIT_SELECT_ALL = 57642;
constexpr UINT ID_EDIT_UNDO = 57643;
constexpr UINT ID_EDIT_REDO = 57644;

// Window and pane commands
constexpr UINT ID_WINDOW_SPLIT = 57653;
constexpr UINT ID_NEXT_PANE = 57680;
constexpr UINT ID_PREV_PANE = 57681;

// Application commands
constexpr UINT ID_APP_ABOUT = 57664;          // 0xE140
constexpr UINT ID_APP_EXIT = 57665;           // 0xE141

// View toggles (prompts only; the frame has neither bar)
constexpr UINT ID_VIEW_TOOLBAR = 59392;
constexpr UINT ID_VIEW_STATUS_BAR = 59393;

// Print Preview toolbar
constexpr UINT AFX_ID_PREVIEW_CLOSE = 61445;
constexpr UINT AFX_ID_PREVIEW_NUMPAGE = 61446;
constexpr UINT AFX_ID_PREVIEW_NEXT = 61447;
constexpr UINT AFX_ID_PREVIEW_PREV = 61448;
constexpr UINT AFX_ID_PREVIEW_PRINT = 61449;
constexpr UINT AFX_ID_PREVIEW_ZOOMIN = 61450;
constexpr UINT AFX_ID_PREVIEW_ZOOMOUT = 61451;

// Resource identifiers
constexpr UINT IDR_MAINFRAME = 128;           // menu, accelerators, icon, template string
constexpr UINT IDR_VEXLANTYPE = 129;          // the second icon
constexpr UINT IDD_ABOUTBOX = 100;

// Strings of the framework
constexpr UINT AFX_IDS_APP_TITLE = 57344;
constexpr UINT AFX_IDS_IDLEMESSAGE = 57345;

} // namespace vexlan
