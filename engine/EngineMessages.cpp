#include "engine/EngineMessages.h"

const char* TraderMessageName(UINT message) {
    switch (message) {
    case WM_TRADER_EXIT:
        return "EXIT";
    case WM_TRADER_SOUND:
        return "SOUND";
    case WM_TRADER_RELOAD_SETTINGS:
        return "RELOAD_SETTINGS";
    case WM_TRADER_START:
        return "START";
    case WM_TRADER_LIQUIDATE_ALL:
        return "LIQUIDATE_ALL";
    case WM_TRADER_STOP:
        return "STOP";
    case WM_TRADER_PROFIT_RESERVE:
        return "PROFIT_RESERVE";
    case WM_TRADER_RESUME:
        return "RESUME";
    case WM_TRADER_DAY_PROFIT_STOP:
        return "DAY_PROFIT_STOP";
    case WM_TRADER_DAY_LOSS_STOP:
        return "DAY_LOSS_STOP";
    case WM_TRADER_ALLCLEAR_PROFIT:
        return "ALLCLEAR_PROFIT";
    case WM_TRADER_ALLCLEAR_LOSS:
        return "ALLCLEAR_LOSS";
    case WM_TRADER_STARTED:
        return "STARTED";
    case 0x004A:
        return "COPYDATA";
    case 0:
        return "-";
    default:
        return "UNKNOWN";
    }
}
