// A headless stand-in of the main dialog wired to CTraderLink as the dialog wires it, and
// local engine windows that record what they receive.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/MessageLoop.h"
#include "platform/win/Wnd.h"
#include "store/TradeState.h"
#include "supervision/TraderLink.h"
#include "support/TempDrive.h"

// A window that records every message it is given (an engine, or the dialog's check box).
class CRecordingWnd : public CWnd {
public:
    std::vector<std::pair<UINT, WPARAM>> received;
    UINT check = 0;
    std::vector<UINT> Messages() const {
        std::vector<UINT> out;
        for (auto& m : received)
            out.push_back(m.first);
        return out;
    }

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Records the repaints of the dialog window and whether they erase.
class CPaintRecorder : public CWndPeer {
public:
    int invalidations = 0;
    int erasing = 0;
    bool wholeWindow = true;
    void Invalidate(const RECT* rect, bool erase) override {
        ++invalidations;
        erasing += erase ? 1 : 0;
        wholeWindow = wholeWindow && rect == nullptr;
    }
};

class CTestMainDlg : public CTraderLinkWindow<CWnd> {
public:
    int summaries = 0;
    int fills = 0;
    int defaultTimers = 0;
    // What the next trade-list load finds: its summed quantity.
    int32_t loadedTradeCount = 0;

    // What the operator was told, in order.
    std::vector<CString> told;

    void TellOperator(const CString& text, bool) override { told.push_back(text); }
    void UpdateAccountSummary() override { ++summaries; }
    void FillTradeList() override;

    // The argument texts of the engine starts the link made, in order.
    std::vector<CString> starts;
    // How a start is made: by default the started engine is this process, whose windows
    // stand for the engines; a test may start real programs or name other processes.
    std::function<DWORD(const CString& args, zwin::ProcessIdentity* started)> starter;
    // Starts the engine program as the console does.
    static DWORD StartReally(const CString& args, zwin::ProcessIdentity* started);

protected:
    DWORD StartEngineProgram(const CString& args, zwin::ProcessIdentity* started) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    DECLARE_MESSAGE_MAP()
};

// An engine in a process of its own, forked from the test. Once let go it opens its window
// and reports its start (or reports first and lists its window a moment later); it answers the
// exit and ends, unless it is deaf (or lingers). Killed and reaped when it goes out of scope.
class ForkedEngine {
public:
    struct Options {
        bool ms = true;
        bool reportFirst = false;
        bool deaf = false;
        bool lingers = false; // answers the exit but runs on
    };
    // console: the test's copy of the main dialog, whose copy in the fork is retitled.
    ForkedEngine(CWnd* console, Options options);
    ~ForkedEngine();
    ForkedEngine(const ForkedEngine&) = delete;
    ForkedEngine& operator=(const ForkedEngine&) = delete;
    void Go();
    zwin::ProcessIdentity Process() const { return m_process; }
    // Whether it has ended (then reaped); its wait status in status.
    bool Ended(int* status = nullptr);

private:
    zwin::ProcessIdentity m_process;
    bool m_reaped = false;
    int m_go = -1;
};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens a local engine window with its title, as an engine stand-in would.
    CRecordingWnd* OpenEngine(const char* title);
    // Both slots reported, both engines known: the rules are live.
    void GoLive();
    // A status record sent to the dialog; then whatever it posted is handled.
    void Info(const std::string& record);
    void Update(const std::string& record);
    // An account update of one slot: slot value, position, set P&L, trading P&L, stopped.
    void Update(int slotValue, int qty, double setPnl, double tradingPnl, int stopped = 0);
    void Pump() { zwin::PumpWaitingMessages(); }
    void Advance(std::uint64_t ms) {
        CClock::Advance(ms);
        Pump();
    }
    bool QuitPosted();

    TempDrive drive;
    std::unique_ptr<CTradeState> state;
    std::unique_ptr<CTestMainDlg> dlg;
    CPaintRecorder paint;
    CRecordingWnd* soundOff = nullptr;
    std::vector<std::unique_ptr<CRecordingWnd>> engines;
    CRecordingWnd* ms = nullptr;
    CRecordingWnd* md = nullptr;
};
