// The main dialog's link to the two trading engines: the engine handles and the running
// count, the start and exit handshake, the operator's engine commands, the status records
// and the risk-rule timers and echoes.
//
// The main dialog derives from CTraderLinkWindow<its dialog base>, puts
// ON_TRADER_LINK_MESSAGES() in its message map and routes the buttons and the menu exit to
// the handlers of the same names. Three handlers share a name with a window's own default
// handler and are named apart; CTraderLinkWindow's overrides call them and then:
//   OnTimer(id)       HandleRuleTimer(id), then the base OnTimer(id) for every id;
//   OnClose()         the base OnClose() only when HandleClose() returns true;
//   OnCopyData(w, cd) HandleCopyData(cd), then returns the base OnCopyData(w, cd).
// PreTranslateMessage hands F3, F4 and F6 key-downs to HandleTraderKey before the base.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/win/Wnd.h"
#include "supervision/TraderMessages.h"

class CTraderLink {
public:
    CTraderLink() = default;
    virtual ~CTraderLink() = default;
    CTraderLink(const CTraderLink&) = delete;
    CTraderLink& operator=(const CTraderLink&) = delete;

    // The engines this console knows from their handshake and still waits for: each counted
    // once, until its exit answer comes or its process is found gone.
    int m_nTraderCount = 0;
    // The engine windows, NULL until found.
    HWND m_hTraderMs = nullptr;
    HWND m_hTraderMd = nullptr;
    // 1 while the engines count as stopped; the start button is drawn grey then.
    BOOL m_bStopped = 1;
    // The two engine command lines, built once when the dialog opens.
    CString m_strLaunchArgMs;
    CString m_strLaunchArgMd;

    // What the dialog provides.
    // Its own window: timers, repainting, the check box.
    virtual CWnd* LinkWindow() = 0;
    // Account row, target percentage and profit fields.
    virtual void UpdateAccountSummary() = 0;
    // Reloads the trade list and recomputes the trade count.
    virtual void FillTradeList() = 0;
    // Tells the operator in a message box: a warning, or with stop a fault that stopped
    // what was asked.
    virtual void TellOperator(const CString& text, bool stop) = 0;

    // Start of the first engine, the last steps of the dialog's initialisation. Engines that
    // an earlier console left in the station are told to exit first; while one of them stays,
    // no engine is started.
    void BuildLaunchArgs();
    void StartFirstEngine();

    // Engine messages.
    // A start report counts only from the process of the engine window of its title, once
    // for each engine; an exit answer only from an engine the console knows or started.
    LRESULT OnTraderStarted(WPARAM wParam, LPARAM lParam);
    LRESULT OnTraderClosed(WPARAM wParam, LPARAM lParam);
    LRESULT OnProfitReserveAck(WPARAM wParam, LPARAM lParam);
    LRESULT OnDayProfitStopAck(WPARAM wParam, LPARAM lParam);
    LRESULT OnDayLossStopAck(WPARAM wParam, LPARAM lParam);
    LRESULT OnAllClearProfitAck(WPARAM wParam, LPARAM lParam);
    // A status record; read only within its cbData bytes.
    void HandleCopyData(const COPYDATASTRUCT* data);
    // The risk-rule timers 2930 to 2934 and the exit watch; other ids are left alone.
    void HandleRuleTimer(UINT_PTR id);
    // While the console waits for the exit answers, it looks this often whether an engine
    // it knows has gone without answering.
    static constexpr UINT_PTR kExitWatchTimer = 2940;
    static constexpr UINT kExitWatchMs = 250;

    // Way out: asks every engine window that exists and every engine the console knows to
    // exit (the known ones are reached even when the station lost their listings).
    // HandleClose returns whether the dialog's default close must run: no engine is left to
    // wait for. When a known engine cannot be told, the operator is told and the console
    // stays open.
    bool HandleClose();
    void OnAppExit();

    // Operator commands.
    void OnBnClickedStart();
    void OnBnClickedStop();
    void OnBnClickedLiquidateAll();
    void OnBnClickedSoundOff();
    // F3, F4 and F6 post like the buttons but leave m_bStopped and the painting; returns
    // whether the key was one of them.
    bool HandleTraderKey(UINT virtualKey);

    // Posts message (wParam 0, lParam 0) to the stored handles that are known, Ms first;
    // each flag lets the post to that engine through. Returns the number of posts made.
    int SendToEngines(UINT message, bool toMs = true, bool toMd = true);
    // Posts message with wParam to the window titled "Zorvik-MS", then to the one titled
    // "Zorvik-MD", each looked up now and skipped when none exists. Returns how many were found.
    int SendByTitle(UINT message, WPARAM wParam);
    // Repaints the whole window without erasing, so the start button shows m_bStopped.
    void RepaintLinkWindow();

private:
    // Starts an engine unless the console is on its way out, the engines could not reach it,
    // or an engine of its title runs already; true when it was started.
    bool LaunchEngine(const CString& args, const char* title);
    // Engines left by an earlier console: told to exit and waited for; false while one stays.
    bool EndLeftEngines();
    // Counts an engine's first start report; false for a repeat while it runs.
    bool TakeStartReport(HWND found, HWND* handle, bool* known);
    // Known engines whose process has gone are no longer waited for.
    void ForgetGoneEngines();
    // Quits once no known engine is left and none is starting.
    bool NoEngineLeft() const;
    // Posts the exit to each engine window of the two titles and to each known engine; the
    // names of known engines that could not be reached go to `unreachable`.
    void TellEnginesToExit(CString* unreachable);
    bool ReachAllEngines();
    bool m_bKnownMs = false;
    bool m_bKnownMd = false;
    // Processes of engines an earlier console left running; nothing of theirs counts.
    std::vector<DWORD> m_leftEngines;
    // An engine started moments ago may not have listed its window yet: waits for it a little,
    // so that the exit reaches it too.
    void AwaitStartingEngines();
    bool m_bExiting = false;
    // Engines started whose start report has not come yet.
    bool m_bStartingMs = false;
    bool m_bStartingMd = false;
};

// A window of class Base (the main dialog's base) that is the link's window, with the
// overrides that route the window's timers, close and records to the link.
template <class Base> class CTraderLinkWindow : public Base, public CTraderLink {
public:
    using Base::Base;
    CWnd* LinkWindow() override { return this; }

protected:
    void OnTimer(UINT_PTR id) override {
        HandleRuleTimer(id);
        Base::OnTimer(id);
    }
    // While an engine is left the window waits for the engines' exit answers.
    void OnClose() override {
        if (HandleClose())
            CloseLinkWindow();
    }
    // The window's own close, once no engine is left to wait for.
    virtual void CloseLinkWindow() { Base::OnClose(); }
    BOOL OnCopyData(CWnd* sender, COPYDATASTRUCT* data) override {
        HandleCopyData(data);
        return Base::OnCopyData(sender, data);
    }
};

// The message-map entries of the engines' messages and status records, for the map of a
// class derived from CTraderLinkWindow (with ON_WM_TIMER() and ON_WM_CLOSE() beside them).
#define ON_TRADER_LINK_MESSAGES()                                                                            \
    ON_MESSAGE(WM_TRADER_EXIT, OnTraderClosed)                                                               \
    ON_MESSAGE(WM_TRADER_PROFIT_RESERVE, OnProfitReserveAck)                                                 \
    ON_MESSAGE(WM_TRADER_DAY_PROFIT_STOP, OnDayProfitStopAck)                                                \
    ON_MESSAGE(WM_TRADER_DAY_LOSS_STOP, OnDayLossStopAck)                                                    \
    ON_MESSAGE(WM_TRADER_ALLCLEAR_PROFIT, OnAllClearProfitAck)                                               \
    ON_MESSAGE(WM_TRADER_STARTED, OnTraderStarted)                                                           \
    ON_WM_COPYDATA()

// The main dialog's link, set when the dialog initialises; null before.
extern CTraderLink* g_pTraderLink;
