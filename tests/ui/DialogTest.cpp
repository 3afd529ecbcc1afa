// The dialog manager and the modal loop: keys, close box, results, quit, exceptions, boxes.
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "TestDialogs.h"
#include "UiFixture.h"
#include "platform/win/MessageLoop.h"
#include "uitest/UiTest.h"

using DialogTest = UiTest;

TEST_F(DialogTest, EscapeEndsWithCancelAfterShowingAndDestroysFirst) {
    CControlsDlg dlg;
    bool shown = false;
    zui::WhenIdle([&] {
        shown = zui::IsShown(&dlg);
        zui::PressKey(&dlg.m_plain, VK_ESCAPE);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(dlg.m_destroyed); // WM_DESTROY ran before DoModal returned
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_plain.m_hWnd, nullptr);
}

TEST_F(DialogTest, EnterGivesIdokWhichSavesTheRadioGroup) {
    CControlsDlg dlg;
    zui::WhenIdle([&] { zui::Click(dlg.GetDlgItem(1041)); });
    zui::WhenIdle([&] { zui::PressKey(&dlg.m_plain, VK_RETURN); });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_radio, 1); // OnOK ran UpdateData(TRUE)
}

TEST_F(DialogTest, EnterPressesTheDefaultPushButtonOrTheFocusedOne) {
    CDefButtonDlg dlg;
    zui::WhenIdle([&] { zui::PressKey(dlg.GetDlgItem(1010), VK_RETURN); });
    EXPECT_EQ(dlg.DoModal(), 5);

    CDefButtonDlg focused;
    zui::WhenIdle([&] { zui::PressKey(focused.GetDlgItem(IDCANCEL), VK_RETURN); });
    EXPECT_EQ(focused.DoModal(), IDCANCEL);
}

// The target's dialog codes: a push button answers DLGC_UNDEFPUSHBUTTON, the default one
// DLGC_DEFPUSHBUTTON, an owner-drawn button DLGC_BUTTON alone. The default moves to a push
// button that takes the focus and back when the focus leaves it, never to an owner-drawn one.
// Enter clicks the focused control only when it answers DLGC_DEFPUSHBUTTON, else the default
// (when enabled), else IDOK; Space clicks the focused button, owner-drawn or not.
TEST_F(DialogTest, EnterFollowsTheDialogCodesAndSpaceClicksTheFocusedButton) {
    CButtonsDlg dlg;
    auto code = [&](int id) { return static_cast<UINT>(dlg.GetDlgItem(id)->SendMessage(WM_GETDLGCODE)); };
    std::vector<UINT> codesAtStart, codesOnOwnerDrawn, codesOnPushButton;
    std::vector<UINT> defIds;
    std::vector<int> clicksByStep;
    auto codes = [&] { return std::vector<UINT>{code(1001), code(1004), code(IDOK), code(IDCANCEL)}; };
    auto keys = [&](std::initializer_list<UINT> vks) {
        for (UINT vk : vks)
            EXPECT_TRUE(zui::PressKeyAtFocus(vk));
    };
    zui::WhenIdle([&] {
        codesAtStart = codes();
        defIds.push_back(static_cast<UINT>(dlg.SendMessage(DM_GETDEFID)));
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(1010)));
        keys({VK_TAB}); // onto the owner-drawn button
    });
    zui::WhenIdle([&] {
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(1001)));
        codesOnOwnerDrawn = codes();
        keys({VK_RETURN, VK_SPACE}); // IDOK, then the button itself
    });
    zui::WhenIdle([&] { keys({VK_TAB}); }); // onto the push button: it becomes the default
    zui::WhenIdle([&] {
        codesOnPushButton = codes();
        defIds.push_back(static_cast<UINT>(dlg.SendMessage(DM_GETDEFID)));
        keys({VK_RETURN, VK_SPACE, VK_TAB, VK_TAB}); // 1004 twice, then onto IDCANCEL
    });
    zui::WhenIdle([&] { keys({VK_RETURN}); });
    zui::WhenIdle([&] {
        // A disabled default takes no Enter.
        clicksByStep = dlg.m_clicks;
        dlg.GetDlgItem(IDOK)->EnableWindow(FALSE);
        zui::PressKey(dlg.GetDlgItem(1010), VK_RETURN);
    });
    zui::WhenIdle([&] { dlg.EndDialog(3); });
    EXPECT_EQ(dlg.DoModal(), 3);
    const UINT push = DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON, def = DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    EXPECT_EQ(codesAtStart, (std::vector<UINT>{DLGC_BUTTON, push, def, push}));
    EXPECT_EQ(codesOnOwnerDrawn, codesAtStart);
    EXPECT_EQ(codesOnPushButton, (std::vector<UINT>{DLGC_BUTTON, def, push, push}));
    EXPECT_EQ(defIds, (std::vector<UINT>{MAKELONG(IDOK, DC_HASDEFID), MAKELONG(IDOK, DC_HASDEFID)}));
    EXPECT_EQ(clicksByStep, (std::vector<int>{IDOK, 1001, 1004, 1004, IDCANCEL}));
    EXPECT_EQ(dlg.m_clicks, clicksByStep);
}

TEST_F(DialogTest, CloseBoxAndEscapeGoThroughTheMappedCancelHandler) {
    // The confirmation pattern: IDCANCEL mapped to EndDialog(0); the dialog manager must
    // never end such a dialog with IDCANCEL (2) itself.
    CCancelZeroDlg closed;
    zui::WhenIdle([&] { zui::ClickCloseBox(&closed); });
    EXPECT_EQ(closed.DoModal(), 0);

    CCancelZeroDlg escaped;
    zui::WhenIdle([&] { zui::PressKey(escaped.GetDlgItem(1100), VK_ESCAPE); });
    EXPECT_EQ(escaped.DoModal(), 0);

    CControlsDlg plain; // no mapping: the base OnCancel ends with IDCANCEL
    zui::WhenIdle([&] { zui::ClickCloseBox(&plain); });
    EXPECT_EQ(plain.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, QuitFromOnInitDialogNeverShowsAndGivesMinusOne) {
    CControlsDlg dlg;
    dlg.m_quitInInit = true;
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_TRUE(dlg.m_destroyed);
    EXPECT_EQ(dlg.m_drawItems, 0); // nothing was ever painted
    // The quit goes on outward for the loop that runs the program.
    MSG msg;
    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
}

TEST_F(DialogTest, FocusStartsOnTheFirstTabStop) {
    CControlsDlg dlg;
    bool first = false;
    zui::WhenIdle([&] {
        first = zui::HasFocus(&dlg.m_digits);
        dlg.EndDialog(3);
    });
    EXPECT_EQ(dlg.DoModal(), 3);
    EXPECT_TRUE(first);
}

TEST_F(DialogTest, ConsumedKeysTypeNothingAndFunctionKeysReachPreTranslate) {
    CControlsDlg dlg;
    CString swallowed, typed;
    zui::WhenIdle([&] {
        zui::TypeText(&dlg.m_swallow, "123");
        zui::TypeText(&dlg.m_plain, "45");
        zui::PressKey(&dlg.m_plain, VK_F3);
        zui::PressKey(&dlg.m_swallow, VK_F4);
    });
    zui::WhenIdle([&] {
        dlg.m_swallow.GetWindowText(swallowed);
        dlg.m_plain.GetWindowText(typed);
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
    EXPECT_EQ(swallowed, "");
    EXPECT_EQ(typed, "45");
    EXPECT_EQ(dlg.m_functionKeys, std::vector<UINT>{VK_F3});
}

TEST_F(DialogTest, MenuCommandReachesTheMap) {
    CControlsDlg dlg;
    bool found = false;
    zui::WhenIdle([&] { found = zui::ChooseMenuItem(&dlg, ID_MENU_END); });
    EXPECT_EQ(dlg.DoModal(), 77);
    EXPECT_TRUE(found);
}

TEST_F(DialogTest, ExceptionInAHandlerIsReportedAndTheDialogStaysUsable) {
    CControlsDlg dlg;
    zui::WhenIdle([&] { zui::Click(dlg.GetDlgItem(1003)); });
    zui::WhenIdle([&] { zui::Click(dlg.GetDlgItem(1004)); });
    zui::WhenIdle([&] { dlg.EndDialog(IDOK); });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_count, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "C:\\시험\\내역.csv 액세스가 거부되었습니다.");
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONSTOP);
}

TEST_F(DialogTest, ResponderAnswersBoxesWithTheirTextsCaptionsAndButtons) {
    boxes.AnswerNext({IDNO});
    EXPECT_EQ(AfxMessageBox("변경사항을 적용하시겠습니까?", MB_YESNO | MB_ICONQUESTION), IDNO);
    CControlsDlg dlg;
    int owned = 0;
    zui::WhenIdle([&] {
        owned = dlg.MessageBox("모든 항목에 값을 입력해 주세요.", "", MB_OK);
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
    EXPECT_EQ(owned, IDOK);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "변경사항을 적용하시겠습니까?");
    EXPECT_EQ(boxes[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_FALSE(boxes[0].caption.IsEmpty()); // the application's name
    EXPECT_EQ(boxes[1].caption, "");
}

TEST_F(DialogTest, ShownBoxKeepsOtherMessagesFlowingUntilAnswered) {
    SetMessageBoxResponder(nullptr); // a real box on the offscreen screen
    CControlsDlg dlg;
    int answer = 0, ticksWhileOpen = 0;
    zui::WhenIdle([&] {
        dlg.SetTimer(7, 10, nullptr);
        answer = AfxMessageBox("매매내역이 파일로 저장되었습니다.", MB_YESNO);
        dlg.KillTimer(7);
        dlg.EndDialog(IDOK);
    });
    // Runs inside the box's own loop: waits there until the timer has fired twice.
    int tries = 0;
    std::function<void()> poll = [&] {
        ticksWhileOpen = dlg.m_ticks;
        if (ticksWhileOpen >= 2 || ++tries > 1000000)
            EXPECT_TRUE(zui::AnswerShownMessageBox(IDYES));
        else
            zui::WhenIdle(poll);
    };
    zui::WhenIdle(poll);
    dlg.DoModal();
    EXPECT_EQ(answer, IDYES);
    EXPECT_GE(ticksWhileOpen, 2);
}

TEST_F(DialogTest, NestedDialogKeepsTheOuterWindowsTimersRunning) {
    CControlsDlg outer;
    CControlsDlg inner(IDD_DEFBUTTON);
    int innerResult = 0, ticksDuringInner = 0;
    zui::WhenIdle([&] {
        outer.SetTimer(9, 10, nullptr);
        innerResult = static_cast<int>(inner.DoModal());
        outer.KillTimer(9);
        outer.EndDialog(IDOK);
    });
    int tries = 0;
    std::function<void()> poll = [&] {
        ticksDuringInner = outer.m_ticks;
        if (ticksDuringInner >= 2 || ++tries > 1000000)
            zui::PressKey(inner.GetDlgItem(IDCANCEL), VK_ESCAPE);
        else
            zui::WhenIdle(poll);
    };
    zui::WhenIdle(poll);
    EXPECT_EQ(outer.DoModal(), IDOK);
    EXPECT_EQ(innerResult, IDCANCEL);
    EXPECT_GE(ticksDuringInner, 2);
}

TEST_F(DialogTest, ReadableDescriptorWakesTheWaitingLoop) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    CDialogEx dlg(IDD_IMAGES); // nothing focused: no caret blinking wakes Qt either
    bool read = false;
    zwin::WatchFd(fds[0], [&] {
        char c;
        read = ::read(fds[0], &c, 1) == 1;
        zwin::UnwatchFd(fds[0]);
        dlg.EndDialog(9);
    });
    // No timer runs: only the descriptor can end the wait.
    std::thread writer([&] {
        usleep(50000);
        (void)::write(fds[1], "x", 1);
    });
    EXPECT_EQ(dlg.DoModal(), 9);
    writer.join();
    EXPECT_TRUE(read);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(DialogTest, ExceptionWhilePaintingIsReportedOnceIdle) {
    CControlsDlg dlg;
    dlg.m_throwInDraw = true;
    zui::WhenIdle([&] { zui::GetWindowPixel(dlg.GetDlgItem(1001), 1, 1); });
    zui::WhenIdle([&] { dlg.EndDialog(IDOK); });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONSTOP);
    EXPECT_NE(boxes[0].text.Find("C:\\그림"), -1);
}

TEST_F(DialogTest, MessageBoxesAreLaidOutAsTheTargetLaysThemOut) {
    SetMessageBoxResponder(nullptr); // real boxes on the offscreen screen
    struct Case {
        UINT type;
        UINT key;
        int answer;
        std::vector<CString> labels;
    };
    const Case cases[] = {
        {MB_OK, VK_RETURN, IDOK, {"확인"}},
        {MB_YESNO | MB_ICONQUESTION, 'N', IDNO, {"예(&Y)", "아니요(&N)"}},
        {MB_YESNOCANCEL | MB_ICONEXCLAMATION, VK_ESCAPE, IDCANCEL, {"예(&Y)", "아니요(&N)", "취소"}},
    };
    for (const Case& c : cases) {
        zui::MessageBoxLayout box;
        bool shown = false;
        zui::WhenIdle([&] {
            shown = zui::ShownMessageBox(&box);
            std::string name = "messagebox-" + std::to_string(c.labels.size()) + "-buttons";
            zui::SaveShownMessageBoxImage(ScreenPath(name.c_str()).c_str());
            zui::PressKeyInMessageBox(c.key);
        });
        const int answer = MessageBoxA(nullptr, "변경사항을 적용하시겠습니까?", "적용 확인", c.type);
        ASSERT_TRUE(shown) << c.type;
        EXPECT_EQ(answer, c.answer) << c.type;
        EXPECT_EQ(box.caption, CString("적용 확인"));
        EXPECT_EQ(box.labels, c.labels);
        ASSERT_EQ(box.buttons.size(), c.labels.size());
        // The buttons stand centred as a group, evenly spaced, on one line.
        const int leftRoom = box.buttons.front().left;
        const int rightRoom = box.client.right - box.buttons.back().right;
        EXPECT_LE(std::abs(leftRoom - rightRoom), 1) << c.type;
        for (size_t i = 1; i < box.buttons.size(); ++i) {
            EXPECT_EQ(box.buttons[i].top, box.buttons[0].top);
            EXPECT_EQ(box.buttons[i].left - box.buttons[i - 1].right,
                      box.buttons[1].left - box.buttons[0].right);
        }
        // Without an icon the text starts at the margin; with one, beside it. Left-aligned.
        EXPECT_TRUE(box.textAlignedLeft);
        const bool hasIcon = (c.type & MB_ICONMASK) != 0;
        EXPECT_EQ(box.icon.right > box.icon.left, hasIcon) << c.type;
        if (hasIcon)
            EXPECT_GT(box.text.left, box.icon.right);
        else
            EXPECT_LT(box.text.left, 16);
        // Sized to the text: as wide as the text and the margins, not wider.
        EXPECT_LE(box.client.right, std::max(box.text.right, box.buttons.back().right) + 16);
        EXPECT_GE(box.buttons.front().top, std::max(box.text.bottom, box.icon.bottom));
    }
}

TEST_F(DialogTest, MenuBarTakesTheKeysOfMenuMode) {
    CControlsDlg dlg;
    std::vector<std::pair<int, int>> seen; // selected title, open popup after each step
    auto note = [&] {
        zui::MenuBarState s = zui::MenuState(&dlg);
        seen.emplace_back(s.selected, s.open);
    };
    // Keys typed into the dialog are queued: each is seen at the next idle moment.
    zui::WhenIdle([&] { zui::PressKey(&dlg.m_plain, VK_F10); });
    zui::WhenIdle([&] {
        note(); // menu mode: the first title selected
        for (UINT key : {VK_DOWN, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_LEFT, VK_ESCAPE, VK_ESCAPE}) {
            zui::PressMenuKey(&dlg, key);
            note();
        }
    });
    zui::WhenIdle([&] { zui::PressAltKey(&dlg.m_plain, 0); });
    zui::WhenIdle([&] {
        note(); // Alt alone: menu mode
        zui::PressMenuKey(&dlg, VK_ESCAPE);
        note();
    });
    zui::WhenIdle([&] { zui::PressAltKey(&dlg.m_plain, 'F'); });
    zui::WhenIdle([&] {
        note();                       // Alt+F opened 파일(&F)
        zui::PressMenuKey(&dlg, 'X'); // and X chooses 끝(&X)
    });
    EXPECT_EQ(dlg.DoModal(), 77);
    const std::vector<std::pair<int, int>> expected = {
        // F10, Down, Right, Right, Right (wraps), Left (wraps), Escape (the title stays), Escape
        {0, -1},
        {0, 0},
        {1, 1},
        {2, 2},
        {0, 0},
        {2, 2},
        {2, -1},
        {-1, -1},
        // Alt, Escape, Alt+F
        {0, -1},
        {-1, -1},
        {0, 0},
    };
    EXPECT_EQ(seen, expected);
}

// On the target, a modal window that ends while it has the keyboard activates its owner, whose
// control that had the focus gets it back: the next key reaches the owner, with or without a
// window manager to activate it.
TEST_F(DialogTest, AModalWindowGivesTheKeyboardBackToTheControlThatHadIt) {
    SetMessageBoxResponder(nullptr); // a real box on the offscreen screen
    CControlsDlg outer;
    CControlsDlg inner(IDD_DEFBUTTON);
    bool boxAnswered = false, innerEnded = false;
    std::vector<bool> focusBack, keyTaken;
    auto keyReachesOuter = [&] {
        focusBack.push_back(zui::HasFocus(&outer.m_check));
        keyTaken.push_back(zui::PressKeyAtFocus(VK_F4));
    };
    zui::WhenIdle([&] { zui::PressKey(&outer.m_plain, VK_TAB); }); // onto the check box
    zui::WhenIdle([&] {
        boxAnswered = AfxMessageBox("매매내역이 파일로 저장되었습니다.", MB_OK) == IDOK;
        keyReachesOuter();
        innerEnded = inner.DoModal() == IDCANCEL;
        keyReachesOuter();
    });
    zui::WhenIdle([&] { zui::PressKeyAtFocus(VK_RETURN); }); // answers the box
    zui::WhenIdle([&] { zui::PressKeyAtFocus(VK_ESCAPE); }); // ends the inner dialog
    zui::WhenIdle([&] { outer.EndDialog(IDOK); });
    outer.DoModal();
    EXPECT_TRUE(boxAnswered);
    EXPECT_TRUE(innerEnded);
    EXPECT_EQ(focusBack, (std::vector<bool>{true, true}));
    EXPECT_EQ(keyTaken, (std::vector<bool>{true, true}));
    EXPECT_EQ(outer.m_functionKeys, (std::vector<UINT>{VK_F4, VK_F4}));
}
