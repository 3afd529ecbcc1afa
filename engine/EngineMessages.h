// The window messages between the console and the engine. The numbers and titles are the
// protocol, kept in one header that both sides include; the engine links nothing of the
// console's supervision.
#pragma once

#include "supervision/TraderMessages.h"

// The folder the engine is installed in; its stores lie in "DataBase" below it.
inline constexpr char kEngineBaseFolder[] = "C:\\Korvex금융투자\\PlenorixGlobal\\exe";

// The name of a message in the command log ("UNKNOWN" for numbers outside the protocol).
const char* TraderMessageName(UINT message);
