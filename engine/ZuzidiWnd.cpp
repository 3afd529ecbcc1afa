#include "engine/ZuzidiWnd.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "engine/EngineMessages.h"
#include "engine/EngineStore.h"
#include "platform/core/Numbers.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "store/BaseFolder.h"

namespace {

constexpr UINT_PTR TIMER_MARKET = 1;
constexpr UINT_PTR TIMER_STATUS = 2;
constexpr UINT_PTR TIMER_SCENARIO = 3;

std::string FromEnvironment(const char* name, const char* mode) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        return {};
    std::string text = value;
    if (auto at = text.find("{mode}"); at != std::string::npos)
        text.replace(at, 6, mode);
    return text;
}

} // namespace

CEngineOptions CEngineOptions::FromEnvironment(const char* mode) {
    CEngineOptions o;
    o.scenarioPath = ::FromEnvironment("ZORVIK_ENGINE_SCENARIO", mode);
    o.logPath = EngineLogPath(mode);
    std::string seed = ::FromEnvironment("ZORVIK_ENGINE_SEED", mode);
    o.seed = seed.empty() ? static_cast<std::uint32_t>(time(nullptr) ^ (getpid() << 8))
                          : static_cast<std::uint32_t>(std::strtoul(seed.c_str(), nullptr, 10));
    std::string step = ::FromEnvironment("ZORVIK_ENGINE_STEP_MS", mode);
    if (!step.empty())
        o.stepMs = std::max(10, ReadInt32(step));
    std::string delay = ::FromEnvironment("ZORVIK_ENGINE_START_DELAY_MS", mode);
    if (!delay.empty())
        o.startDelayMs = std::max(0, ReadInt32(delay));
    return o;
}

BEGIN_MESSAGE_MAP(CZuzidiWnd, CWnd)
ON_MESSAGE(WM_TRADER_EXIT, OnTraderExit)
ON_MESSAGE(WM_TRADER_SOUND, OnTraderSound)
ON_MESSAGE(WM_TRADER_RELOAD_SETTINGS, OnReloadSettings)
ON_MESSAGE(WM_TRADER_START, OnTraderStart)
ON_MESSAGE(WM_TRADER_STOP, OnTraderStop)
ON_MESSAGE(WM_TRADER_LIQUIDATE_ALL, OnLiquidateAll)
ON_MESSAGE(WM_TRADER_PROFIT_RESERVE, OnProfitReserve)
ON_MESSAGE(WM_TRADER_RESUME, OnResume)
ON_MESSAGE(WM_TRADER_DAY_PROFIT_STOP, OnDayProfitStop)
ON_MESSAGE(WM_TRADER_DAY_LOSS_STOP, OnDayLossStop)
ON_MESSAGE(WM_TRADER_ALLCLEAR_PROFIT, OnAllClearProfit)
ON_MESSAGE(WM_TRADER_ALLCLEAR_LOSS, OnAllClearLoss)
ON_MESSAGE(WM_TRADER_STARTED, OnTraderStarted)
ON_WM_TIMER()
END_MESSAGE_MAP()

CZuzidiWnd::CZuzidiWnd(const CEngineArgs& args, const CEngineOptions& options)
    : m_args(args), m_options(options), m_market(options.seed + (args.ms ? 0 : 7919), args.tradeItem) {}

bool CZuzidiWnd::Start() {
    // The trading log is opened without following links; links on the way to the base folder
    // are the operator's own.
    ResolveFolderLinks(kBaseFolder);
    m_log.Open(m_options.logPath, m_args.Mode());
    if (!Simulating()) {
        int badLine = 0;
        if (!LoadScenario(m_options.scenarioPath, &m_events, &badLine)) {
            m_log.Write("note", 0, 0, 0,
                        CString("scenario unreadable at line ") + std::to_string(badLine).c_str());
            return false;
        }
    }
    int count = LoadStrategyValues(&m_settings);
    m_log.Write("note", 0, 0, 0, CString("settings keys=") + std::to_string(count).c_str());
    if (m_options.startDelayMs > 0)
        Sys().sleepMs(static_cast<unsigned>(m_options.startDelayMs));

    CreateEx(0, m_args.ms ? kTraderTitleMs : kTraderTitleMd, WS_POPUP, RECT{0, 0, 0, 0}, nullptr, 0);
    PostToMaster(WM_TRADER_STARTED, m_args.ms ? 1 : 0);
    m_startMs = CClock::NowMs();
    if (Simulating()) {
        SetTimer(TIMER_MARKET, m_options.stepMs, nullptr);
        SetTimer(TIMER_STATUS, m_options.stepMs * 4, nullptr);
    } else {
        RunScenario();
    }
    return true;
}

LRESULT CZuzidiWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER)
        m_log.Write("recv", message, wParam, lParam);
    return CWnd::WindowProc(message, wParam, lParam);
}

void CZuzidiWnd::OnTimer(UINT_PTR id) {
    switch (id) {
    case TIMER_MARKET:
        if (auto trade = m_market.Step(time(nullptr), !m_bStopped && !m_bPaused))
            Record(*trade);
        break;
    case TIMER_STATUS:
        if (!m_bInfoSent)
            SendInfo();
        SendUpdate();
        break;
    case TIMER_SCENARIO:
        KillTimer(TIMER_SCENARIO);
        RunScenario();
        break;
    default:
        CWnd::OnTimer(id);
        break;
    }
}

// ---------------------------------------------------------------------------------------
// Commands of the console.

LRESULT CZuzidiWnd::OnTraderExit(WPARAM, LPARAM) {
    PostToMaster(WM_TRADER_EXIT, 0);
    PostQuitMessage(0);
    return 0;
}

// The stand-in makes no sound; the command is only logged, as every command is.
LRESULT CZuzidiWnd::OnTraderSound(WPARAM, LPARAM) {
    return 0;
}

LRESULT CZuzidiWnd::OnReloadSettings(WPARAM, LPARAM) {
    int count = LoadStrategyValues(&m_settings);
    m_log.Write("note", WM_TRADER_RELOAD_SETTINGS, 0, 0,
                CString("settings keys=") + std::to_string(count).c_str());
    return 0;
}

LRESULT CZuzidiWnd::OnTraderStart(WPARAM, LPARAM) {
    m_bStopped = false;
    m_bPaused = false;
    Changed();
    return 0;
}

LRESULT CZuzidiWnd::OnTraderStop(WPARAM, LPARAM) {
    m_bStopped = true;
    Changed();
    return 0;
}

LRESULT CZuzidiWnd::OnLiquidateAll(WPARAM, LPARAM) {
    StopForTheDay();
    return 0;
}

// Liquidates and waits for the console's resume before it trades again.
LRESULT CZuzidiWnd::OnProfitReserve(WPARAM, LPARAM) {
    Liquidate();
    m_bPaused = true;
    PostToMaster(WM_TRADER_PROFIT_RESERVE, 0);
    Changed();
    return 0;
}

LRESULT CZuzidiWnd::OnResume(WPARAM, LPARAM) {
    m_bPaused = false;
    Changed();
    return 0;
}

LRESULT CZuzidiWnd::OnDayProfitStop(WPARAM, LPARAM) {
    StopForTheDay();
    PostToMaster(WM_TRADER_DAY_PROFIT_STOP, 0);
    return 0;
}

LRESULT CZuzidiWnd::OnDayLossStop(WPARAM, LPARAM) {
    StopForTheDay();
    PostToMaster(WM_TRADER_DAY_LOSS_STOP, 0);
    return 0;
}

LRESULT CZuzidiWnd::OnAllClearProfit(WPARAM, LPARAM) {
    ClearSet();
    PostToMaster(WM_TRADER_ALLCLEAR_PROFIT, 0);
    return 0;
}

// The console has no answer to wait for here: no echo.
LRESULT CZuzidiWnd::OnAllClearLoss(WPARAM, LPARAM) {
    ClearSet();
    return 0;
}

// The console's word that the second engine is up: logged, nothing to do.
LRESULT CZuzidiWnd::OnTraderStarted(WPARAM, LPARAM) {
    return 0;
}

void CZuzidiWnd::StopForTheDay() {
    Liquidate();
    m_bStopped = true;
    Changed();
}

void CZuzidiWnd::ClearSet() {
    Liquidate();
    m_market.ResetSet();
    Changed();
}

void CZuzidiWnd::Liquidate() {
    if (auto trade = m_market.Liquidate(time(nullptr)))
        Record(*trade);
}

void CZuzidiWnd::Record(const ClosedTrade& trade) {
    if (!WriteClosedTrade(m_args.account, trade))
        m_log.Write("note", 0, 0, 0, "trading log not written");
    // The console reloads its trade list on an account-information record.
    if (Simulating())
        SendInfo();
}

void CZuzidiWnd::Changed() {
    if (Simulating() && m_bInfoSent)
        SendUpdate();
}

// ---------------------------------------------------------------------------------------
// Reports to the console.

void CZuzidiWnd::PostToMaster(UINT message, WPARAM wParam) {
    HWND master = FindWindowA(nullptr, kTraderTitleMaster);
    BOOL posted = master ? PostMessageA(master, message, wParam, 0) : FALSE;
    m_log.Write(posted ? "sent" : "lost", message, wParam, 0);
}

void CZuzidiWnd::SendRecord(ULONG_PTR kind, const CString& text) {
    HWND master = FindWindowA(nullptr, kTraderTitleMaster);
    if (!master) {
        m_log.Write("lost", WM_COPYDATA, kind, 0, text);
        return;
    }
    COPYDATASTRUCT cds{kind, static_cast<DWORD>(text.GetLength() + 1), const_cast<char*>(text.GetString())};
    LRESULT result =
        SendMessageA(master, WM_COPYDATA, reinterpret_cast<WPARAM>(m_hWnd), reinterpret_cast<LPARAM>(&cds));
    m_log.Write("sent", WM_COPYDATA, kind, result, text);
}

void CZuzidiWnd::SendInfo() {
    SendRecord(COPYDATA_ACCOUNT_INFO, InfoRecord());
    m_bInfoSent = true;
}

void CZuzidiWnd::SendUpdate() {
    SendRecord(COPYDATA_ACCOUNT_UPDATE, UpdateRecord());
}

namespace {

// Fields 0 to 10, common to both records.
CString AccountFields(const CMarket& m, int slot) {
    double deposit = kStartDeposit + m.Realised();
    CString s;
    s.Format("%d|%d|%d|%.2f|%.2f|%.0f|%.0f|%.0f|%.0f|%.0f|%.0f", slot, m.TradeCount(), m.Qty(), m.Price(),
             m.EntryPrice(), deposit, deposit + m.Unrealised(), deposit - m.Qty() * 10000000.0, m.SetPnl(),
             m.Unrealised(), m.Realised());
    return s;
}

} // namespace

CString CZuzidiWnd::InfoRecord() const {
    CString day = TradingDay(time(nullptr));
    CString tail;
    tail.Format("|2|%s|%.2f|%s|USD|%s|%d", m_args.tradeItem.GetString(), kFeeDollars, day.GetString(),
                NextDay(day).GetString(), m_args.tradeType);
    return AccountFields(m_market, m_args.Slot()) + tail;
}

CString CZuzidiWnd::UpdateRecord() const {
    CString tail;
    tail.Format("|%.2f|%d|%d|%d|0", kTickSize * kPointValue, m_market.SetRound(), m_bPaused ? 1 : 0,
                m_bStopped ? 1 : 0);
    return AccountFields(m_market, m_args.Slot()) + tail;
}

// ---------------------------------------------------------------------------------------
// Scenario: the events due by now, then a timer for the next one.

void CZuzidiWnd::RunScenario() {
    const std::uint64_t elapsed = CClock::NowMs() - m_startMs;
    while (m_nextEvent < m_events.size() && m_events[m_nextEvent].atMs <= elapsed) {
        const ScenarioEvent& e = m_events[m_nextEvent++];
        switch (e.kind) {
        case ScenarioEvent::Info:
            SendRecord(COPYDATA_ACCOUNT_INFO, ExpandRecord(e.record, m_args.Slot(), m_bStopped));
            break;
        case ScenarioEvent::Update:
            SendRecord(COPYDATA_ACCOUNT_UPDATE, ExpandRecord(e.record, m_args.Slot(), m_bStopped));
            break;
        case ScenarioEvent::Trade: {
            ClosedTrade t = e.trade;
            if (t.outTime.IsEmpty())
                t.inTime = t.outTime = TimeText(time(nullptr));
            Record(t);
            break;
        }
        case ScenarioEvent::Post:
            PostToMaster(e.message, e.wParam);
            break;
        case ScenarioEvent::Exit:
            OnTraderExit(0, 0);
            return;
        }
    }
    if (m_nextEvent < m_events.size()) {
        std::uint64_t wait = m_events[m_nextEvent].atMs - elapsed;
        SetTimer(TIMER_SCENARIO, static_cast<UINT>(std::min<std::uint64_t>(wait, 3600000)), nullptr);
    }
}
