#include "engine/Scenario.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/EngineArgs.h"
#include "platform/core/Numbers.h"
#include "platform/core/Text.h"

namespace {

bool ParseNumber(const std::string& text, std::uint64_t* out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 12)
        return false;
    *out = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

bool ParseTrade(const CString& text, ClosedTrade* t) {
    std::vector<CString> f = SplitFields(text);
    if (f.size() != 7 && f.size() != 9)
        return false;
    t->code = f[0];
    t->side = ReadInt32(f[1].GetString());
    t->qty = ReadInt32(f[2].GetString());
    t->inPrice = ReadDouble(f[3].GetString());
    t->outPrice = ReadDouble(f[4].GetString());
    t->profit = ReadDouble(f[5].GetString());
    t->fee = ReadDouble(f[6].GetString());
    if (f.size() == 9) {
        t->inTime = f[7];
        t->outTime = f[8];
    }
    t->outType = kExitCommand;
    return true;
}

bool ParseLine(const std::string& line, ScenarioEvent* e) {
    std::istringstream in(line);
    std::string at, when, verb;
    in >> at >> when >> verb;
    if (at != "at" || !ParseNumber(when, &e->atMs))
        return false;
    std::string rest;
    std::getline(in, rest);
    if (!rest.empty() && rest[0] == ' ')
        rest.erase(0, 1);
    CString ansi = HostUtf8ToAnsi(rest);
    if (verb == "info" || verb == "update") {
        e->kind = verb == "info" ? ScenarioEvent::Info : ScenarioEvent::Update;
        e->record = ansi;
        return true;
    }
    if (verb == "trade") {
        e->kind = ScenarioEvent::Trade;
        return ParseTrade(ansi, &e->trade);
    }
    if (verb == "post") {
        e->kind = ScenarioEvent::Post;
        std::istringstream args(rest);
        std::string message, wParam = "0";
        args >> message >> wParam;
        std::uint64_t m = 0, w = 0;
        if (!ParseNumber(message, &m) || !ParseNumber(wParam, &w) || m > 0xFFFFFFFFu)
            return false;
        e->message = static_cast<UINT>(m);
        e->wParam = static_cast<WPARAM>(w);
        return true;
    }
    if (verb == "exit" && rest.find_first_not_of(" \t") == std::string::npos) {
        e->kind = ScenarioEvent::Exit;
        return true;
    }
    return false;
}

} // namespace

bool ParseScenario(const std::string& text, std::vector<ScenarioEvent>* events, int* badLine) {
    events->clear();
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        ScenarioEvent e;
        if (!ParseLine(line.substr(first), &e)) {
            *badLine = number;
            return false;
        }
        events->push_back(e);
    }
    std::stable_sort(events->begin(), events->end(),
                     [](const ScenarioEvent& a, const ScenarioEvent& b) { return a.atMs < b.atMs; });
    return true;
}

bool LoadScenario(const std::string& hostPath, std::vector<ScenarioEvent>* events, int* badLine) {
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) {
        *badLine = 0;
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    return ParseScenario(ss.str(), events, badLine);
}

CString ExpandRecord(const CString& record, int slot, bool stopped) {
    CString out = record;
    out.Replace("{slot}", slot ? "1" : "0");
    out.Replace("{stopped}", stopped ? "1" : "0");
    return out;
}
