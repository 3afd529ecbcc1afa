#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/MessageLoop.h"
#include "platform/win/Station.h"
#include "platform/win/Wnd.h"

namespace {

constexpr UINT WM_TEST_A = WM_USER + 1;
constexpr UINT WM_TEST_B = WM_USER + 2;

class CBaseWnd : public CWnd {
public:
    std::vector<std::string> log;
    LRESULT OnBaseOnly(WPARAM w, LPARAM) {
        log.push_back("base:" + std::to_string(w));
        return 7;
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
ON_MESSAGE(WM_TEST_B, OnBaseOnly)
END_MESSAGE_MAP()

class CTestWnd : public CBaseWnd {
public:
    int closes = 0;
    bool copyDataSeen = false;

protected:
    LRESULT OnA(WPARAM w, LPARAM) {
        log.push_back("a:" + std::to_string(w));
        return 42;
    }
    void OnTimer(UINT_PTR id) override {
        log.push_back("timer:" + std::to_string(id));
        CBaseWnd::OnTimer(id);
    }
    void OnClose() override { ++closes; }
    void OnOk() { log.push_back("ok"); }
    void OnRange(UINT id) { log.push_back("range:" + std::to_string(id)); }
    void OnMenu() { log.push_back("menu"); }
    void OnCustom(NMHDR* hdr, LRESULT* result) {
        log.push_back("notify:" + std::to_string(hdr->idFrom));
        *result = 5;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestWnd, CBaseWnd)
ON_MESSAGE(WM_TEST_A, OnA)
ON_WM_TIMER()
ON_WM_CLOSE()
ON_BN_CLICKED(IDOK, OnOk)
ON_CONTROL_RANGE(BN_CLICKED, 1103, 1104, OnRange)
ON_COMMAND(32775, OnMenu)
ON_NOTIFY(NM_CUSTOMDRAW, 1220, OnCustom)
END_MESSAGE_MAP()

// A child that takes its own reflected notification.
class CReflectingChild : public CWnd {
public:
    int reflected = 0;

protected:
    void OnReflect(NMHDR*, LRESULT* result) {
        ++reflected;
        *result = 9;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingChild, CWnd)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnReflect)
END_MESSAGE_MAP()

RECT R() {
    return RECT{0, 0, 100, 50};
}

class WinTest : public ::testing::Test {
protected:
    void SetUp() override {
        CClock::UseManual();
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    void TearDown() override { CClock::UseSystem(); }
};

} // namespace

TEST_F(WinTest, MessageMapsChainToTheBaseAndFallBackToDefaults) {
    CTestWnd w;
    ASSERT_TRUE(w.CreateEx(0, "", WS_POPUP, R(), nullptr, 0));
    EXPECT_EQ(w.SendMessage(WM_TEST_A, 3), 42);
    EXPECT_EQ(w.SendMessage(WM_TEST_B, 4), 7);
    EXPECT_EQ(w.SendMessage(WM_USER + 99), 0);
    w.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    w.SendMessage(WM_COMMAND, MAKEWPARAM(1104, BN_CLICKED), 0);
    w.SendMessage(WM_COMMAND, MAKEWPARAM(1105, BN_CLICKED), 0); // outside the range
    w.SendMessage(WM_COMMAND, MAKEWPARAM(32775, 0), 0);
    NMHDR hdr{nullptr, 1220, NM_CUSTOMDRAW};
    EXPECT_EQ(w.SendMessage(WM_NOTIFY, 1220, reinterpret_cast<LPARAM>(&hdr)), 5);
    EXPECT_EQ(w.log, (std::vector<std::string>{"a:3", "base:4", "ok", "range:1104", "menu", "notify:1220"}));
    w.SetWindowText("제목");
    CString text;
    w.GetWindowText(text);
    EXPECT_EQ(text, "제목");
    char buf[3];
    EXPECT_EQ(w.GetWindowText(buf, 3), 2); // one double-byte character fits exactly
}

TEST_F(WinTest, AMessageOneClassLeavesAloneStillReachesAnotherAndGoneHandlesNameNothing) {
    CBaseWnd base;
    ASSERT_TRUE(base.CreateEx(0, "", WS_POPUP, R(), nullptr, 0));
    EXPECT_EQ(base.SendMessage(WM_TEST_A, 1), 0);
    EXPECT_EQ(base.SendMessage(WM_TEST_A, 2), 0);
    CTestWnd derived;
    ASSERT_TRUE(derived.CreateEx(0, "", WS_POPUP, R(), nullptr, 0));
    EXPECT_EQ(derived.SendMessage(WM_TEST_A, 3), 42);
    EXPECT_EQ(base.SendMessage(WM_TEST_B, 4), 7);
    EXPECT_EQ(base.SendMessage(WM_TEST_A, 5), 0);
    EXPECT_EQ(base.log, (std::vector<std::string>{"base:4"}));
    EXPECT_EQ(derived.log, (std::vector<std::string>{"a:3"}));

    // The window last sent to goes; its handle names no window from then on.
    HWND gone = derived.m_hWnd;
    EXPECT_EQ(::SendMessageA(gone, WM_TEST_A, 6, 0), 42);
    derived.DestroyWindow();
    EXPECT_EQ(CWnd::FromHandlePermanent(gone), nullptr);
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_EQ(::SendMessageA(gone, WM_TEST_A, 7, 0), 0);
    EXPECT_EQ(derived.log, (std::vector<std::string>{"a:3", "a:6"}));
    EXPECT_EQ(::SendMessageA(base.m_hWnd, WM_TEST_B, 8, 0), 7);
}

TEST_F(WinTest, NotificationsAreReflectedToTheChildFirst) {
    CTestWnd parent;
    parent.CreateEx(0, "", WS_POPUP, R(), nullptr, 0);
    CReflectingChild child;
    child.CreateEx(0, "", WS_CHILD, R(), &parent, 1220);
    NMHDR hdr{child.m_hWnd, 1220, NM_CUSTOMDRAW};
    EXPECT_EQ(parent.SendMessage(WM_NOTIFY, 1220, reinterpret_cast<LPARAM>(&hdr)), 9);
    EXPECT_EQ(child.reflected, 1);
    EXPECT_TRUE(parent.log.empty());
    EXPECT_EQ(parent.GetDlgItem(1220), &child);
}

TEST_F(WinTest, PostedBeforeInputBeforePaintBeforeTimers) {
    CTestWnd w;
    w.CreateEx(0, "", WS_POPUP, R(), nullptr, 0);
    w.SetTimer(5, 0, nullptr); // 0 ms is raised to the shortest interval
    CClock::Advance(USER_TIMER_MINIMUM);
    ::InvalidateRect(w.m_hWnd, nullptr, FALSE);
    zwin::PostInputMessage(w.m_hWnd, WM_TEST_A, 9, 0);
    w.PostMessage(WM_TEST_A, 1);
    w.PostMessage(WM_TEST_A, 2);
    std::vector<UINT> order;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(m.message);
        DispatchMessageA(&m);
        if (m.message == WM_TIMER)
            break;
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_TEST_A, WM_TEST_A, WM_TEST_A, WM_PAINT, WM_TIMER}));
    EXPECT_EQ(w.log, (std::vector<std::string>{"a:1", "a:2", "a:9", "timer:5"}));
}

TEST_F(WinTest, TimersFireOncePerExpiryAndRearmingRestartsThem) {
    CTestWnd w;
    w.CreateEx(0, "", WS_POPUP, R(), nullptr, 0);
    w.SetTimer(2931, 5000, nullptr);
    CClock::Advance(4000);
    EXPECT_EQ(zwin::PumpWaitingMessages(), 0);
    w.SetTimer(2931, 5000, nullptr); // restarts the full length
    CClock::Advance(4000);
    EXPECT_EQ(zwin::PumpWaitingMessages(), 0);
    CClock::Advance(1000);
    EXPECT_EQ(zwin::PumpWaitingMessages(), 1);
    EXPECT_EQ(zwin::PumpWaitingMessages(), 0); // one message per expiry
    EXPECT_TRUE(w.KillTimer(2931));
    CClock::Advance(10000);
    EXPECT_EQ(zwin::PumpWaitingMessages(), 0);
    EXPECT_EQ(w.log, (std::vector<std::string>{"timer:2931"}));
}

TEST_F(WinTest, QuitEndsEveryModalLoopFromTheInside) {
    CTestWnd outer, inner;
    outer.CreateEx(0, "", WS_POPUP, R(), nullptr, 0);
    inner.CreateEx(0, "", WS_POPUP, R(), nullptr, 0);
    int innerResult = 0;
    // The outer loop's first message starts the inner loop, which then sees the quit.
    class CStarter : public CWnd {
    public:
        std::function<void()> run;
        LRESULT WindowProc(UINT m, WPARAM, LPARAM) override {
            if (m == WM_TEST_A)
                run();
            return 0;
        }
    } starter;
    starter.CreateEx(0, "", WS_POPUP, R(), nullptr, 0);
    starter.run = [&] {
        PostQuitMessage(0);
        innerResult = inner.RunModalLoop();
    };
    starter.PostMessage(WM_TEST_A);
    int outerResult = outer.RunModalLoop();
    EXPECT_EQ(innerResult, -1);
    EXPECT_EQ(outerResult, -1);
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)); // still passed outward
    EXPECT_EQ(m.message, WM_QUIT);
}

TEST_F(WinTest, EndModalLoopReturnsItsResultAndDestroyedWindowsDropTheirMessages) {
    CTestWnd w;
    w.CreateEx(0, "", WS_POPUP, R(), nullptr, 0);
    w.PostMessage(WM_TEST_A, 1);
    HWND h = w.m_hWnd;
    w.DestroyWindow();
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(PostMessageA(h, WM_TEST_A, 0, 0));
    EXPECT_EQ(zwin::PumpWaitingMessages(), 0);
    CTestWnd d;
    d.CreateEx(0, "", WS_POPUP, R(), nullptr, 0);
    d.PostMessage(WM_TEST_A, 1);
    struct CEnder : CWnd {
        CWnd* target;
        LRESULT WindowProc(UINT m, WPARAM, LPARAM) override {
            if (m == WM_TEST_B)
                target->EndModalLoop(IDOK);
            return 0;
        }
    } ender;
    ender.target = &d;
    ender.CreateEx(0, "", WS_POPUP, R(), nullptr, 0);
    ender.PostMessage(WM_TEST_B);
    EXPECT_EQ(d.RunModalLoop(), IDOK);
    EXPECT_EQ(d.log, (std::vector<std::string>{"a:1"}));
}

TEST_F(WinTest, FindWindowFindsTitledTopLevelWindowsOnly) {
    CTestWnd master, child;
    master.CreateEx(0, "Zorvik-Master", WS_POPUP, R(), nullptr, 0);
    child.CreateEx(0, "Zorvik-MS", WS_CHILD, R(), &master, 5);
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-Master"), master.m_hWnd);
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-MS"), nullptr);
    master.SetWindowText("Other");
    EXPECT_EQ(FindWindowA(nullptr, "Zorvik-Master"), nullptr);
}

TEST_F(WinTest, AQuitIsFoundByItsFilterBehindPostedMessages) {
    CTestWnd w;
    w.CreateEx(0, "", WS_POPUP, R(), nullptr, 0);
    w.PostMessage(WM_TEST_A, 1);
    PostQuitMessage(3);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)); // the posted one is still there
    EXPECT_EQ(m.message, WM_TEST_A);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}
