// The window messages between the console and the engine. The numbers and titles are the
// protocol, kept in one header that both sides include; the engine links nothing of the
// console's supervision.
#pragma once

#include "store/BaseFolder.h"
#include "supervision/TraderMessages.h"

// The name of a message in the command log ("UNKNOWN" for numbers outside the protocol).
const char* TraderMessageName(UINT message);
