// The window messages between the console and the two trading engines, shared by both
// sides: the numbers are fixed, never registered with the system.
#pragma once

#include "platform/core/WinTypes.h"

// Console to both engines, looked up by title; an engine that exits posts it back.
constexpr UINT WM_TRADER_EXIT = 2533;
// Console to both engines by title: wParam 1 sound on, 0 sound off.
constexpr UINT WM_TRADER_SOUND = 2824;
// Console to both engines by title, after the strategy values were saved.
constexpr UINT WM_TRADER_RELOAD_SETTINGS = 3034;
// Operator commands, to the stored engine handles.
constexpr UINT WM_TRADER_START = 3037;
constexpr UINT WM_TRADER_LIQUIDATE_ALL = 3038;
constexpr UINT WM_TRADER_STOP = 3039;
// Risk-rule commands, to the stored handles; all but the all-clear on loss are echoed back.
constexpr UINT WM_TRADER_PROFIT_RESERVE = 3040;
constexpr UINT WM_TRADER_RESUME = 3041;
constexpr UINT WM_TRADER_DAY_PROFIT_STOP = 3042;
constexpr UINT WM_TRADER_DAY_LOSS_STOP = 3043;
constexpr UINT WM_TRADER_ALLCLEAR_PROFIT = 3046;
constexpr UINT WM_TRADER_ALLCLEAR_LOSS = 3047;
// Engine to console when it is up (wParam 1 from Ms, other from Md); console to the Ms
// engine (wParam 0) once the Md engine is up.
constexpr UINT WM_TRADER_STARTED = 3053;

// dwData of the engines' WM_COPYDATA status records.
constexpr ULONG_PTR COPYDATA_ACCOUNT_INFO = 3048;
constexpr ULONG_PTR COPYDATA_ACCOUNT_UPDATE = 3049;

// The main dialog's one-shot timers that release the risk rules.
constexpr UINT_PTR TIMER_PROFIT_RESERVE_REST = 2930;
constexpr UINT_PTR TIMER_DAY_PROFIT_STOP = 2931;
constexpr UINT_PTR TIMER_DAY_LOSS_STOP = 2932;
constexpr UINT_PTR TIMER_ALLCLEAR_PROFIT = 2933;
constexpr UINT_PTR TIMER_ALLCLEAR_LOSS = 2934;

// The engines' argument: nine fields, each but the last ended by this character. Nothing is
// escaped, so no field may hold it.
inline constexpr char kLaunchFieldSeparator = '|';

// Window titles: the two engine instances and the console's main dialog.
inline constexpr char kTraderTitleMs[] = "Zorvik-MS";
inline constexpr char kTraderTitleMd[] = "Zorvik-MD";
inline constexpr char kTraderTitleMaster[] = "Zorvik-Master";

// The main dialog's "Sound Off" check box, read when the engines are told the sound setting.
constexpr int IDC_CHECK_SOUND_OFF = 1240;
