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

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/win/ProcessIdentity.h"
#include "platform/win/Wnd.h"
#include "supervision/TraderMessages.h"

// What the console knows of one engine process, from its start (or, for an engine an earlier
// console left, from when this console found it) until it is gone. The station keeps the
// records that are not gone in a file (kEngineRecordFile), so that a console started after a
// crash knows every engine the crashed one had started, listed or not.
enum class EngineState {
    Launched,   // started, its window not listed yet
    Listed,     // its window is listed in the station
    Reported,   // it reported its start (WM_TRADER_STARTED)
    ToldToExit, // WM_TRADER_EXIT was posted to it
    Gone,       // it answered the exit, or its process ended
};

struct CEngineRecord {
    bool ms = true; // the first login's engine ("Zorvik-MS"), else the second's
    zwin::ProcessIdentity process;
    EngineState state = EngineState::Launched;
    // Started by an earlier console: told to exit, never commanded or counted here.
    bool left = false;
    // Its start report came (it counts in m_nTraderCount until it is gone).
    bool reported = false;
    // The operator was told of it (late to report, list or answer, or ended unasked): once.
    bool late = false;
    HWND window = nullptr;
    std::uint64_t sinceMs = 0; // started, or found when left
    std::uint64_t toldMs = 0;  // told to exit
    const char* Title() const;
};

// The station file that holds the records: one line per engine, "Ms|Md <pid> <start time>
// <state>".
inline constexpr char kEngineRecordFile[] = "console.engines";

class CTraderLink {
public:
    CTraderLink() = default;
    virtual ~CTraderLink() = default;
    CTraderLink(const CTraderLink&) = delete;
    CTraderLink& operator=(const CTraderLink&) = delete;

    // Views of the records, kept as the rest of the console reads them:
    // The engines of this console that have reported and are not gone yet.
    int m_nTraderCount = 0;
    // The windows of this console's engines once they have reported and their windows are
    // listed; never cleared.
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

    // Start of the first engine, the last steps of the dialog's initialisation, and of the
    // watch over the engines. Engines an earlier console left (in the station's record, or
    // windows of the engines' titles of other processes) are named and told to exit first;
    // no engine starts while one of them runs.
    void BuildLaunchArgs();
    void StartFirstEngine();

    // Engine messages.
    // A start report counts once, from the process of this console's engine of its kind,
    // listed or not; once the way out has begun it is answered with WM_TRADER_EXIT. An exit
    // answer counts only from a process this console knows.
    LRESULT OnTraderStarted(WPARAM wParam, LPARAM lParam);
    LRESULT OnTraderClosed(WPARAM wParam, LPARAM lParam);
    LRESULT OnProfitReserveAck(WPARAM wParam, LPARAM lParam);
    LRESULT OnDayProfitStopAck(WPARAM wParam, LPARAM lParam);
    LRESULT OnDayLossStopAck(WPARAM wParam, LPARAM lParam);
    LRESULT OnAllClearProfitAck(WPARAM wParam, LPARAM lParam);
    // A status record; read only within its cbData bytes.
    void HandleCopyData(const COPYDATASTRUCT* data);
    // The risk-rule timers 2930 to 2934 and the watch over the engines; other ids are left
    // alone.
    void HandleRuleTimer(UINT_PTR id);
    // The watch: each engine's process and window are looked at, the station's lock, listing
    // and files are kept, and what is late is named. Once a second, four times a second while
    // the console waits for its engines to end.
    static constexpr UINT_PTR kExitWatchTimer = 2940;
    static constexpr UINT kWatchMs = 1000;
    static constexpr UINT kExitWatchMs = 250;
    // How long an engine may take to report its start (or an engine left by an earlier console
    // to list its window), and to answer the exit.
    static constexpr std::uint64_t kReportWaitMs = 30000;
    static constexpr std::uint64_t kAnswerWaitMs = 10000;

    // Way out: the close box, the menu's exit, the end signals. Marks the console as on its way
    // out (nothing starts from then on), tells every engine window of the two titles and every
    // engine process it knows to exit, and waits for each engine process it started that still
    // runs, listed or not. HandleClose returns whether the dialog's default close may run now;
    // OnAppExit quits once none is left. An engine that cannot be told is named at once.
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

    // The records, this console's engines and those an earlier console left.
    const std::vector<CEngineRecord>& EngineRecords() const { return m_engines; }

protected:
    // Starts the engine program with its argument text; a Windows error code, 0 with the
    // started process.
    virtual DWORD StartEngineProgram(const CString& args, zwin::ProcessIdentity* started);

private:
    // Starts this console's engine of that kind unless the console is on its way out, the
    // station cannot be used, an engine of its title runs already (of another process), this
    // console started one of that kind before, or a left engine still runs.
    void LaunchEngine(bool ms);
    // Engines an earlier console left: recorded, named, told to exit; true when there are any.
    bool FindLeftEngines();
    // One pass of the watch.
    void Supervise();
    // After a record changed: the views, the record file, the quit once the way out has no
    // engine left to wait for, the first engine once no left engine runs.
    void Settle();
    void SyncViews();
    void WriteRecordFile();
    // Looks the window of the record's process up (its title, its process); true when listed.
    bool FindWindowOf(CEngineRecord& engine);
    // Posts the exit to the record's window; false when it has none or the post fails.
    bool TellToExit(CEngineRecord& engine);
    // The record of the process that sent the message being handled (of that kind when
    // given), or null.
    CEngineRecord* SenderRecord(std::optional<bool> ms = std::nullopt);
    // The last record of this console's engine of that kind, or null.
    CEngineRecord* OwnEngine(bool ms);
    // Whether an engine process this console started still runs, or an engine an earlier
    // console left still runs.
    bool OwnEngineRuns();
    bool LeftEngineRuns();
    // The engine's end (its answer, or its process found ended): true when it was not asked to
    // end and is to be named, once.
    bool EndEngine(CEngineRecord& engine);
    // On the way out, engines whose processes have ended are gone, unnamed.
    void ForgetEndedEngines();
    // The start of the way out; true when no engine this console started is left to wait for.
    bool BeginExit();

    std::vector<CEngineRecord> m_engines;
    bool m_bExiting = false;
    bool m_bQuitPosted = false;
    // The first engine starts once the engines an earlier console left have gone.
    bool m_bFirstEngineDue = false;
    std::string m_recordText;
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
