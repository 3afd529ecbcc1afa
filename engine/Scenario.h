// A scenario file drives the engine in tests instead of the simulated market. It is UTF-8
// text, one instruction per line; blank lines and lines starting with '#' are skipped:
//
//   at <ms> info <record>      send an account-information record
//   at <ms> update <record>    send an account-update record
//   at <ms> trade <code>|<side>|<qty>|<in price>|<out price>|<profit>|<fee>[|<in time>|<out time>]
//                              write a closed trade to the trading log (times default to now)
//   at <ms> post <message> [<wParam>]   post a message to the console
//   at <ms> exit               post WM_TRADER_EXIT to the console and end
//
// <ms> counts from the engine's start. In a record, {slot} stands for the engine's slot
// value (1 Ms, 0 Md) and {stopped} for its stopped state (1 or 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Market.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

struct ScenarioEvent {
    enum Kind { Info, Update, Trade, Post, Exit };
    std::uint64_t atMs = 0;
    Kind kind = Info;
    CString record;    // Info, Update (code page 949)
    ClosedTrade trade; // Trade; empty times mean "now"
    UINT message = 0;  // Post
    WPARAM wParam = 0;
};

// Reads and orders the events by time (lines of one time keep their order). False with the
// number of the first bad line in *badLine.
bool LoadScenario(const std::string& hostPath, std::vector<ScenarioEvent>* events, int* badLine);
bool ParseScenario(const std::string& utf8Text, std::vector<ScenarioEvent>* events, int* badLine);

// The record with {slot} and {stopped} filled in.
CString ExpandRecord(const CString& record, int slot, bool stopped);
