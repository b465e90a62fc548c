// Every message number of the main window, in one place.
//
// Custom numbers lie above WM_USER (1024); the comment gives the offset. Senders and
// handlers name these constants, never the numbers.
#pragma once

#include "platform/os.h"

namespace mivo {

// What a link of the main window's chain answers: HANDLED for a message it took,
// NOT_MINE for one it leaves to the next link.
constexpr os::LRESULT HANDLED = -1;
constexpr os::LRESULT NOT_MINE = -16;
// The answers of MM_LOCK, which steer the macro that sent it.
constexpr os::LRESULT RESULT_END_LOCK = -2;    // a lock ended: run the pending text now
constexpr os::LRESULT RESULT_START_LOCK = -3;  // a lock started: defer the rest of the macro

constexpr os::UINT MM_APPBAR = 1025;                   // +1    shell appbar notifications
constexpr os::UINT MM_QUIT = 1281;                     // +257
constexpr os::UINT MM_IME_CANDIDATES = 1312;           // +288
constexpr os::UINT MM_PREDICT_CANDIDATES = 1313;       // +289
constexpr os::UINT MM_RESET_COUNTER = 1328;            // +304
constexpr os::UINT MM_REGISTER_WORD = 1344;            // +320
constexpr os::UINT MM_APP_CHANGED = 1360;              // +336
constexpr os::UINT MM_KEY_MOUSEMOVE = 1361;            // +337
constexpr os::UINT MM_KEY_MOUSEACTIVATE = 1362;        // +338
constexpr os::UINT MM_AFTER_SELECT = 1365;             // +341
constexpr os::UINT MM_AUTOSCAN_ON = 1366;              // +342
constexpr os::UINT MM_KEY_EVENT = 1368;                // +344
constexpr os::UINT MM_KEY_SELECTED = 1444;             // +420
constexpr os::UINT MM_GO_HOME = 1456;                  // +432
constexpr os::UINT MM_GO_KEYBOARD = 1457;              // +433
constexpr os::UINT MM_GO_YOSOKU = 1458;                // +434
constexpr os::UINT MM_GO_PYOSOKU = 1459;               // +435
constexpr os::UINT MM_GO_START = 1460;                 // +436
constexpr os::UINT MM_SCAN_STEP = 1488;                // +464
constexpr os::UINT MM_KEY_REPAINT = 1504;              // +480
constexpr os::UINT MM_RELOAD_SETTINGS = 1538;          // +514
constexpr os::UINT MM_SET_HOME = 1552;                 // +528
constexpr os::UINT MM_SET_START = 1553;                // +529
constexpr os::UINT MM_SET_YOSOKU = 1554;               // +530
constexpr os::UINT MM_SET_PYOSOKU = 1555;              // +531
constexpr os::UINT MM_SET_KEYBOARD = 1556;             // +532
constexpr os::UINT MM_SET_YOMI = 1557;                 // +533
constexpr os::UINT MM_SET_YOSOKU_COLOR = 1568;         // +544
constexpr os::UINT MM_SET_PYOSOKU_COLOR = 1569;        // +545
constexpr os::UINT MM_SET_NEXT_COLOR = 1570;           // +546
constexpr os::UINT MM_SET_PREVIOUS_COLOR = 1571;       // +547
constexpr os::UINT MM_SET_IMECAND_COLOR = 1572;        // +548
constexpr os::UINT MM_KEYBOARD_LOADED = 1583;          // +559
constexpr os::UINT MM_SHOW_IME_CANDIDATES = 1584;      // +560
constexpr os::UINT MM_SHOW_PREDICT_CANDIDATES = 1585;  // +561
constexpr os::UINT MM_LOCK = 1586;                     // +562
constexpr os::UINT MM_LOCK_REPEAT = 1587;              // +563
constexpr os::UINT MM_APP_COMMAND = 1793;              // +769
constexpr os::UINT MM_KEYBOARD_COMMAND = 1794;         // +770
constexpr os::UINT MM_PREDICT_COMMAND = 1795;          // +771
constexpr os::UINT MM_IME_COMMAND = 1796;              // +772
constexpr os::UINT MM_RUN_MACRO = 1797;                // +773

// Event kinds carried in lParam of MM_KEY_EVENT (1444 doubles as the selection kind).
constexpr os::LPARAM KE_FOCUS = 1440;
constexpr os::LPARAM KE_UNFOCUS = 1441;
constexpr os::LPARAM KE_SELECT_MARK = 1442;
constexpr os::LPARAM KE_UNSELECT_MARK = 1443;
constexpr os::LPARAM KE_SELECTED = 1444;

// The main window's 100 ms tick.
constexpr os::UINT_PTR TICK_TIMER_ID = 1;
constexpr os::UINT TICK_PERIOD_MS = 100;

}  // namespace mivo
