// The window messages between the console and the engine, as the engine sees them. The
// numbers are the protocol: fixed, never registered with the system.
#pragma once

#include "platform/core/WinTypes.h"

constexpr UINT WM_TRADER_EXIT = 2533;
constexpr UINT WM_TRADER_SOUND = 2824;
constexpr UINT WM_TRADER_RELOAD_SETTINGS = 3034;
constexpr UINT WM_TRADER_START = 3037;
constexpr UINT WM_TRADER_LIQUIDATE_ALL = 3038;
constexpr UINT WM_TRADER_STOP = 3039;
constexpr UINT WM_TRADER_PROFIT_RESERVE = 3040;
constexpr UINT WM_TRADER_RESUME = 3041;
constexpr UINT WM_TRADER_DAY_PROFIT_STOP = 3042;
constexpr UINT WM_TRADER_DAY_LOSS_STOP = 3043;
constexpr UINT WM_TRADER_ALLCLEAR_PROFIT = 3046;
constexpr UINT WM_TRADER_ALLCLEAR_LOSS = 3047;
constexpr UINT WM_TRADER_STARTED = 3053;

// dwData of the status records sent to the console.
constexpr ULONG_PTR COPYDATA_ACCOUNT_INFO = 3048;
constexpr ULONG_PTR COPYDATA_ACCOUNT_UPDATE = 3049;

inline constexpr char kEngineTitleMs[] = "Zorvik-MS";
inline constexpr char kEngineTitleMd[] = "Zorvik-MD";
inline constexpr char kMasterTitle[] = "Zorvik-Master";

// The folder the engine is installed in; its stores lie in "DataBase" below it.
inline constexpr char kEngineBaseFolder[] = "C:\\Korvex금융투자\\PlenorixGlobal\\exe";

// The name of a message in the command log ("UNKNOWN" for numbers outside the protocol).
const char* TraderMessageName(UINT message);
