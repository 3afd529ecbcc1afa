// The engine's hidden top-level window "Zorvik-MS" or "Zorvik-MD": it reports to the console's
// window "Zorvik-Master" and takes the console's commands. It trades a simulated market, or
// plays a scenario file in tests.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/EngineArgs.h"
#include "engine/EngineLog.h"
#include "engine/Market.h"
#include "engine/Scenario.h"
#include "platform/win/Wnd.h"

struct CEngineOptions {
    std::string scenarioPath; // empty: the simulated market
    std::string logPath;
    std::uint32_t seed = 1;
    int stepMs = 250; // one step of the market; status records every four steps
    // How long the start takes before the window opens, as a real engine's login at its broker
    // does; only tests set it.
    int startDelayMs = 0;

    // $ZORVIK_ENGINE_SCENARIO and $ZORVIK_ENGINE_LOG ({mode} replaced by Ms or Md),
    // $ZORVIK_ENGINE_SEED, $ZORVIK_ENGINE_STEP_MS, $ZORVIK_ENGINE_START_DELAY_MS.
    static CEngineOptions FromEnvironment(const char* mode);
};

class CZuzidiWnd : public CWnd {
public:
    CZuzidiWnd(const CEngineArgs& args, const CEngineOptions& options);

    // Opens the window, tells the console the engine is up and starts trading or the
    // scenario. False when the scenario cannot be read.
    bool Start();

    CString InfoRecord() const;
    CString UpdateRecord() const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;

    LRESULT OnTraderExit(WPARAM wParam, LPARAM lParam);
    LRESULT OnTraderSound(WPARAM wParam, LPARAM lParam);
    LRESULT OnReloadSettings(WPARAM wParam, LPARAM lParam);
    LRESULT OnTraderStart(WPARAM wParam, LPARAM lParam);
    LRESULT OnTraderStop(WPARAM wParam, LPARAM lParam);
    LRESULT OnLiquidateAll(WPARAM wParam, LPARAM lParam);
    LRESULT OnProfitReserve(WPARAM wParam, LPARAM lParam);
    LRESULT OnResume(WPARAM wParam, LPARAM lParam);
    LRESULT OnDayProfitStop(WPARAM wParam, LPARAM lParam);
    LRESULT OnDayLossStop(WPARAM wParam, LPARAM lParam);
    LRESULT OnAllClearProfit(WPARAM wParam, LPARAM lParam);
    LRESULT OnAllClearLoss(WPARAM wParam, LPARAM lParam);
    LRESULT OnTraderStarted(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    bool Simulating() const { return m_options.scenarioPath.empty(); }
    void PostToMaster(UINT message, WPARAM wParam);
    void SendRecord(ULONG_PTR kind, const CString& text);
    void SendInfo();
    void SendUpdate();
    // Closes the position (if any) and records the trade.
    void Liquidate();
    // The day's trading ends: liquidated and stopped.
    void StopForTheDay();
    // The set ends: liquidated, trading goes on with a new set.
    void ClearSet();
    void Record(const ClosedTrade& trade);
    // After a command: the console sees the new state at once.
    void Changed();
    void RunScenario();

    CEngineArgs m_args;
    CEngineOptions m_options;
    CEngineLog m_log;
    CMarket m_market;
    std::map<std::string, int> m_settings;
    bool m_bStopped = true;
    bool m_bPaused = false;
    bool m_bInfoSent = false;
    std::vector<ScenarioEvent> m_events;
    std::size_t m_nextEvent = 0;
    std::uint64_t m_startMs = 0;
};
