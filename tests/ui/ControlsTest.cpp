// Controls as the operator uses them, and what they show (checked on grabbed images).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "TestDialogs.h"
#include "UiFixture.h"
#include "uitest/UiTest.h"

using ControlsTest = UiTest;

namespace {
// Runs `check` while the dialog is open, then ends it.
template <typename Dlg, typename F> void WhileOpen(Dlg& dlg, F check) {
    zui::WhenIdle([&dlg, check] {
        check();
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
}

// Pixels of the control close to `colour` (text is antialiased).
int CountPixelsNear(CWnd* wnd, COLORREF colour) {
    RECT r = zui::WidgetRect(wnd);
    int n = 0;
    for (int y = 0; y < r.bottom - r.top; ++y) {
        for (int x = 0; x < r.right - r.left; ++x) {
            COLORREF c = zui::GetWindowPixel(wnd, x, y);
            if (std::abs(GetRValue(c) - GetRValue(colour)) < 60 &&
                std::abs(GetGValue(c) - GetGValue(colour)) < 60 &&
                std::abs(GetBValue(c) - GetBValue(colour)) < 60)
                ++n;
        }
    }
    return n;
}
// Where the control shows pure black (the focus rectangle's dots, the default frame).
std::vector<bool> BlackPixels(CWnd* wnd) {
    RECT r = zui::WidgetRect(wnd);
    std::vector<bool> black;
    for (int y = 0; y < r.bottom - r.top; ++y)
        for (int x = 0; x < r.right - r.left; ++x)
            black.push_back(zui::GetWindowPixel(wnd, x, y) == RGB(0, 0, 0));
    return black;
}

// Pixels black in `after` and not in `before`.
int NewlyBlack(const std::vector<bool>& before, const std::vector<bool>& after) {
    int n = 0;
    for (size_t i = 0; i < before.size() && i < after.size(); ++i)
        n += after[i] && !before[i];
    return n;
}
} // namespace

TEST_F(ControlsTest, EditsFilterLimitMaskAndRefuseWhenDisabled) {
    CControlsDlg dlg;
    CString digits, limited, korean, password, shown, disabled;
    zui::WhenIdle([&] {
        zui::TypeText(&dlg.m_digits, "12ab3-");
        dlg.m_plain.SetLimitText(5);
        zui::TypeText(&dlg.m_plain, "1234567");
        dlg.m_swallow.EnableWindow(FALSE);
        zui::TypeText(&dlg.m_swallow, "9");
        zui::TypeText(&dlg.m_password, "secret");
    });
    zui::WhenIdle([&] {
        dlg.m_digits.GetWindowText(digits);
        dlg.m_plain.GetWindowText(limited);
        dlg.m_password.GetWindowText(password);
        shown = zui::ShownText(&dlg.m_password);
        dlg.m_swallow.GetWindowText(disabled);
        // The limit counts bytes of code page 949: a Hangul syllable is two.
        dlg.m_plain.SetWindowText("");
        zui::TypeText(&dlg.m_plain, "가나다");
    });
    zui::WhenIdle([&] {
        dlg.m_plain.GetWindowText(korean);
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
    EXPECT_EQ(digits, "123");
    EXPECT_EQ(limited, "12345");
    EXPECT_EQ(korean, "가나");
    EXPECT_EQ(password, "secret");
    EXPECT_EQ(shown.GetLength() > 0, true);
    EXPECT_EQ(shown.Find("secret"), -1);
    EXPECT_EQ(disabled, "");
}

TEST_F(ControlsTest, WindowTextReadIsBoundedWithoutSplittingHangul) {
    CControlsDlg dlg;
    char buffer[6];
    int n = 0;
    WhileOpen(dlg, [&] {
        dlg.m_plain.SetWindowText("ab가나다");
        n = dlg.m_plain.GetWindowText(buffer, sizeof(buffer));
    });
    EXPECT_EQ(n, 4);
    EXPECT_STREQ(buffer, "ab가");
}

TEST_F(ControlsTest, ComboSelectionAndTheOperatorsChoice) {
    CControlsDlg dlg;
    int count = 0, none = 0, beyond = 0, after = 0, chosen = 0;
    CString text;
    zui::WhenIdle([&] {
        count = dlg.m_combo.GetCount();
        none = dlg.m_combo.GetCurSel();
        beyond = dlg.m_combo.SetCurSel(5);
        after = dlg.m_combo.GetCurSel();
        zui::ChooseComboItem(&dlg.m_combo, 2);
    });
    zui::WhenIdle([&] {
        chosen = dlg.m_combo.GetCurSel();
        dlg.m_combo.GetLBText(1, text);
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
    EXPECT_EQ(count, 3);
    EXPECT_EQ(none, CB_ERR);
    EXPECT_EQ(beyond, CB_ERR);
    EXPECT_EQ(after, CB_ERR);
    EXPECT_EQ(chosen, 2);
    EXPECT_EQ(dlg.m_selChanges, 1);
    EXPECT_EQ(text, "전체");
}

TEST_F(ControlsTest, CheckBoxesAndRadioGroupsToggleThemselves) {
    CControlsDlg dlg;
    dlg.m_radio = 1;
    UINT checked = 0, unchecked = 0, shownRadio = 0;
    zui::WhenIdle([&] {
        shownRadio = dlg.IsDlgButtonChecked(1041); // UpdateData(FALSE) in OnInitDialog
        zui::Click(&dlg.m_check);
        zui::Click(dlg.GetDlgItem(1040));
    });
    zui::WhenIdle([&] {
        checked = dlg.IsDlgButtonChecked(1030);
        unchecked = dlg.IsDlgButtonChecked(1041);
        zui::Click(&dlg.m_check);
        zui::Click(dlg.GetDlgItem(1040)); // an auto radio stays checked when clicked again
    });
    zui::WhenIdle(
        [&] { dlg.EndDialog(dlg.m_check.GetCheck() == BST_UNCHECKED && dlg.UpdateData(TRUE) ? 1 : 2); });
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(shownRadio, BST_CHECKED);
    EXPECT_EQ(checked, BST_CHECKED);
    EXPECT_EQ(unchecked, BST_UNCHECKED);
    EXPECT_EQ(dlg.m_radio, 0);
}

TEST_F(ControlsTest, RadioGroupWithoutSelectionFailsValidation) {
    CControlsDlg dlg;
    BOOL saved = TRUE;
    WhileOpen(dlg, [&] {
        dlg.CheckDlgButton(1040, BST_UNCHECKED);
        dlg.CheckDlgButton(1041, BST_UNCHECKED);
        saved = dlg.UpdateData(TRUE);
    });
    EXPECT_FALSE(saved);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.Find("0"), -1);
}

TEST_F(ControlsTest, OwnerDrawnButtonPaintsThroughTheParentAndShowsItsPressedState) {
    CControlsDlg dlg;
    CWnd* button = nullptr;
    COLORREF normal = 0, pressed = 0, released = 0;
    zui::WhenIdle([&] {
        button = dlg.GetDlgItem(1001);
        RECT r = zui::WidgetRect(button);
        int cx = (r.right - r.left) / 2, cy = 4;
        normal = zui::GetWindowPixel(button, cx, cy);
        SaveWindowImage(&dlg, ScreenPath("ui-controls").c_str());
        zui::Press(button);
        pressed = zui::GetWindowPixel(button, cx, cy);
        SaveWindowImage(button, ScreenPath("ui-ownerdraw-pressed").c_str());
        zui::Release(button);
        released = zui::GetWindowPixel(button, cx, cy);
    });
    zui::WhenIdle([&] { dlg.EndDialog(IDOK); });
    dlg.DoModal();
    EXPECT_EQ(normal, kOwnerFill);
    EXPECT_NE(pressed, kOwnerFill); // only the sunken edge: no fill
    EXPECT_EQ(released, kOwnerFill);
    EXPECT_GT(dlg.m_pressedDraws, 0);
    EXPECT_EQ(dlg.m_count, 0);
}

TEST_F(ControlsTest, ColourRequestsCarryTheirKindAndTheColoursShow) {
    CControlsDlg dlg;
    COLORREF staticBk = 0, editBase = 0, mark = 0;
    int red = 0;
    WhileOpen(dlg, [&] {
        dlg.m_plain.SetWindowText("8888");
        dlg.m_digits.EnableWindow(FALSE);
        CWnd* label = dlg.GetDlgItem(1020);
        staticBk = zui::GetWindowPixel(label, 1, 1);
        editBase = zui::GetWindowPixel(&dlg.m_plain, 4, 3);
        red = CountPixelsNear(&dlg.m_plain, kEditText);
        zui::GetWindowPixel(&dlg.m_digits, 1, 1);
        zui::GetWindowPixel(&dlg.m_check, 1, 1);
        RECT client;
        dlg.GetClientRect(&client);
        mark = zui::GetWindowPixel(&dlg, client.right - 3, client.bottom - 3);
    });
    auto kindOf = [&](int id) {
        UINT kind = 99;
        for (auto& [cid, k] : dlg.m_colourRequests)
            if (cid == id)
                kind = k;
        return kind;
    };
    EXPECT_EQ(kindOf(1013), CTLCOLOR_EDIT);
    EXPECT_EQ(kindOf(1010), CTLCOLOR_STATIC); // a disabled edit asks as a static
    EXPECT_EQ(kindOf(1030), CTLCOLOR_STATIC); // check boxes ask as statics
    EXPECT_EQ(kindOf(1020), CTLCOLOR_STATIC);
    EXPECT_EQ(staticBk, kStaticBk); // opaque text background behind the text
    EXPECT_EQ(editBase, kEditBrush);
    EXPECT_GT(red, 0);
    EXPECT_EQ(mark, kPaintMark); // CPaintDC in OnPaint draws on the dialog
}

TEST_F(ControlsTest, ImageStaticsFramesAndDrawingThroughAWindowDc) {
    CDialogEx dlg(IDD_IMAGES);
    COLORREF iconLeft = 0, iconRight = 0, bitmapLeft = 0, frameEdge = 0, whiteEdge = 0;
    COLORREF logo = 0;
    WhileOpen(dlg, [&] {
        const auto& kids = dlg.GetChildren();
        iconLeft = zui::GetWindowPixel(kids[0], 2, 10);
        iconRight = zui::GetWindowPixel(kids[0], 30, 10); // scaled to 32 x 32
        bitmapLeft = zui::GetWindowPixel(kids[1], 2, 2);
        frameEdge = zui::GetWindowPixel(dlg.GetDlgItem(1070), 0, 5);
        whiteEdge = zui::GetWindowPixel(dlg.GetDlgItem(1071), 0, 5);
        // The logo way: a memory DC with a bitmap, stretched into a frame's window DC.
        CWnd* frame = dlg.GetDlgItem(1070);
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.LoadBitmap(IDB_TESTIMAGE));
        BITMAP bm{};
        bitmap.GetBitmap(&bm);
        EXPECT_EQ(bm.bmWidth, 16);
        CRect rc;
        frame->GetClientRect(&rc);
        CDC* dc = frame->GetDC();
        CDC memory;
        memory.CreateCompatibleDC(dc);
        CBitmap* old = memory.SelectObject(&bitmap);
        dc->StretchBlt(0, 0, rc.Width(), rc.Height(), &memory, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        memory.SelectObject(old);
        frame->ReleaseDC(dc);
        logo = zui::GetWindowPixel(frame, rc.Width() - 3, rc.Height() / 2);
        SaveWindowImage(&dlg, ScreenPath("ui-images").c_str());
    });
    EXPECT_EQ(iconLeft, RGB(255, 0, 0));
    EXPECT_EQ(iconRight, RGB(0, 0, 255));
    EXPECT_EQ(bitmapLeft, RGB(255, 0, 0));
    EXPECT_EQ(frameEdge, RGB(0, 0, 0));
    EXPECT_EQ(whiteEdge, RGB(255, 255, 255));
    EXPECT_EQ(logo, RGB(0, 0, 255));
}

TEST_F(ControlsTest, FontsFromLogfontAndTheTitleFontOnAStatic) {
    CControlsDlg dlg;
    LOGFONT read{};
    HFONT dialogFont = nullptr;
    LOGFONT dialogLf{};
    WhileOpen(dlg, [&] {
        LOGFONT lf{};
        lf.lfHeight = 15;
        lf.lfWeight = FW_BOLD;
        strcpy(lf.lfFaceName, "Tahoma");
        static CFont title;
        title.DeleteObject();
        ASSERT_TRUE(title.CreateFontIndirect(&lf));
        CWnd* label = dlg.GetDlgItem(1020);
        label->SetFont(&title, TRUE);
        label->GetFont()->GetLogFont(&read);
        dialogFont = reinterpret_cast<HFONT>(dlg.m_plain.SendMessage(WM_GETFONT));
        CFont::FromHandle(dialogFont)->GetLogFont(&dialogLf);
    });
    EXPECT_EQ(read.lfHeight, 15);
    EXPECT_EQ(read.lfWeight, 700);
    EXPECT_STREQ(read.lfFaceName, "Tahoma");
    EXPECT_NE(dialogFont, nullptr);
    EXPECT_EQ(dialogLf.lfHeight, -12); // 9 point at 96 dots per inch
    EXPECT_STREQ(dialogLf.lfFaceName, "MS Shell Dlg");
}

// A window that loads its bitmap on every paint (the login logo) copies the image drawn at the
// first load; the drawing from the template is not repeated.
TEST_F(ControlsTest, ResourceBitmapIsDrawnOnceAndKept) {
    static int calls = 0;
    static const ImageTemplate kCounted{4711, 8, 4, [](int x, int y) -> DWORD {
                                            ++calls;
                                            return RGB(x * 30, y * 60, 7);
                                        }};
    RegisterImage(&kCounted);
    for (int i = 0; i < 3; ++i) {
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.LoadBitmap(4711));
        BITMAP bm{};
        bitmap.GetBitmap(&bm);
        EXPECT_EQ(bm.bmWidth, 8);
        EXPECT_EQ(bm.bmHeight, 4);
    }
    EXPECT_EQ(calls, 8 * 4);
}

// A picture stretched into a window at every paint (the login logo) is stretched once and
// then copied, for as long as the part taken, the size and the picture's pixels stay the same.
TEST_F(ControlsTest, AStretchedPictureIsKeptOnlyWhileItsPartSizeAndPixelsStay) {
    CDialogEx dlg(IDD_IMAGES);
    std::vector<COLORREF> seen;
    WhileOpen(dlg, [&] {
        CWnd* frame = dlg.GetDlgItem(1070);
        CRect rc;
        frame->GetClientRect(&rc);
        const int w = rc.Width(), h = rc.Height();
        ASSERT_GT(w, 8);
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.LoadBitmap(IDB_TESTIMAGE));
        CDC memory;
        memory.CreateCompatibleDC(nullptr);
        CBitmap* old = memory.SelectObject(&bitmap);
        // Green first, then the picture over `width` pixels; the pixels left and right of its end.
        auto stretch = [&](int width, int widthSrc) {
            for (int i = 0; i < 2; ++i) {
                CDC* dc = frame->GetDC();
                dc->FillSolidRect(0, 0, w, h, RGB(0, 255, 0));
                dc->StretchBlt(0, 0, width, h, &memory, 0, 0, widthSrc, 16, SRCCOPY);
                frame->ReleaseDC(dc);
            }
            seen.push_back(zui::GetWindowPixel(frame, width - 2, h / 2));
            seen.push_back(zui::GetWindowPixel(frame, std::min(w - 1, width + 1), h / 2));
        };
        stretch(w, 16);
        stretch(w, 8);
        stretch(w / 2, 16);
        memory.FillSolidRect(8, 0, 8, 16, RGB(255, 255, 0));
        stretch(w, 16);
        memory.SelectObject(old);
        // The resource itself is untouched.
        CBitmap again;
        ASSERT_TRUE(again.LoadBitmap(IDB_TESTIMAGE));
        memory.SelectObject(&again);
        stretch(w, 16);
        memory.SelectObject(old);
    });
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), green = RGB(0, 255, 0),
                   yellow = RGB(255, 255, 0);
    EXPECT_EQ(seen, (std::vector<COLORREF>{blue, blue, red, red, blue, green, yellow, yellow, blue, blue}));
}

namespace {
CString TextOf(CWnd* wnd) {
    CString text;
    wnd->GetWindowText(text);
    return text;
}
} // namespace

// A text the program sets is shown from its start; a paste keeps its first line and stops at
// the limit without splitting a double-byte character.
TEST_F(ControlsTest, SetTextShowsItsStartAndPastesKeepOneLineWithinTheLimit) {
    CControlsDlg dlg;
    zui::WhenIdle([&] {
        auto* plain = static_cast<CEdit*>(dlg.GetDlgItem(1013));
        plain->SetWindowText("-2147483648 and a long tail of text beyond the edge of the box");
        EXPECT_EQ(zui::CaretPosition(plain), 0);
        plain->SetWindowText("9012345678901234567890123456789012345678");
        EXPECT_EQ(zui::CaretPosition(plain), 0);

        plain->SetWindowText("");
        zui::PasteText(plain, "user1\r\nsecond|line");
        zui::ProcessEvents();
        EXPECT_EQ(TextOf(plain), "user1");
        plain->SetWindowText("");
        zui::PasteText(plain, "only\nfirst");
        zui::ProcessEvents();
        EXPECT_EQ(TextOf(plain), "only");

        plain->SetLimitText(6);
        plain->SetWindowText("");
        zui::PasteText(plain, "ab가나다");
        zui::ProcessEvents();
        EXPECT_EQ(TextOf(plain), "ab가나");
        plain->SetWindowText("");
        plain->SetLimitText(5);
        zui::PasteText(plain, "abcd가");
        zui::ProcessEvents();
        EXPECT_EQ(TextOf(plain), "abcd") << "half of a character is never kept";
        // A full edit takes nothing more.
        zui::PasteText(plain, "x");
        zui::ProcessEvents();
        EXPECT_EQ(TextOf(plain), "abcdx");
        zui::PasteText(plain, "y");
        zui::ProcessEvents();
        EXPECT_EQ(TextOf(plain), "abcdx");
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
}

// A drop-down list opens below its box, never over it centred on the current item, and shows
// as many items as fit, up to 30 (the common controls' default), whatever the template's height.
TEST_F(ControlsTest, DropDownListOpensBelowTheBoxWithUpToThirtyItems) {
    CControlsDlg dlg;
    zui::WhenIdle([&] {
        // Rows as high as a line of the Hangul face and a margin: 일별통계 never touches 월별통계.
        dlg.m_combo.AddString("월별통계");
        const int row = zui::DropDownItemHeight(&dlg.m_combo);
        EXPECT_GE(row, zui::DialogBaseUnits(&dlg).cy + 2);
        EXPECT_TRUE(zui::SaveDropDownImage(&dlg.m_combo, ScreenPath("ui-dropdown").c_str()));
        RECT box = zui::WidgetRect(&dlg.m_combo);
        RECT list{};
        for (int i = 0; i < 10; ++i) {
            CString item;
            item.Format("%02d", i);
            dlg.m_combo.AddString(item);
        }
        dlg.m_combo.SetCurSel(8);
        ASSERT_TRUE(zui::DropDownRect(&dlg.m_combo, &list));
        EXPECT_GE(list.top, box.bottom - 1) << "below the box";
        EXPECT_EQ((list.bottom - list.top) / row, 14) << "all 14 items";
        EXPECT_LE(std::abs(list.left - box.left), 1);
        for (int i = 10; i < 60; ++i) {
            CString item;
            item.Format("%02d", i);
            dlg.m_combo.AddString(item);
        }
        ASSERT_TRUE(zui::DropDownRect(&dlg.m_combo, &list));
        EXPECT_LE((list.bottom - list.top) / row, 30);
        EXPECT_GT(list.bottom - list.top, 20 * row) << "as many as fit on the screen";
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
}

// Where the keyboard is shows as on the target: a focused drop-down list highlights its
// selection, with the focus rectangle once the keyboard is used; menu mode, entered with F10
// or Alt or left by Escape from a popup, highlights its selected title.
TEST_F(ControlsTest, AFocusedDropDownListAndMenuModeShowWhereTheKeyboardIs) {
    constexpr COLORREF kHighlight = RGB(0, 120, 215);
    CControlsDlg dlg;
    CWnd* combo = &dlg.m_combo;
    // Highlighted and black pixels of the combo's field (its arrow button left out).
    auto field = [&](COLORREF colour) {
        RECT r = zui::WidgetRect(combo);
        int n = 0;
        for (int y = 0; y < r.bottom - r.top; ++y)
            for (int x = 0; x < r.right - r.left - 20; ++x)
                n += zui::GetWindowPixel(combo, x, y) == colour;
        return n;
    };
    int unfocused = -1, byMouse = -1, byMouseDots = -1, byKeyboard = -1, byKeyboardDots = -1, area = 0;
    std::vector<COLORREF> titles;
    zui::WhenIdle([&] {
        RECT r = zui::WidgetRect(combo);
        area = (r.right - r.left - 20) * (r.bottom - r.top);
        dlg.m_combo.SetCurSel(0);
        unfocused = field(kHighlight);
        combo->SetFocus();
        byMouse = field(kHighlight);
        byMouseDots = field(RGB(0, 0, 0));
        zui::PressKey(dlg.GetDlgItem(1040), VK_TAB); // from the radio group onto the combo
    });
    zui::WhenIdle([&] {
        EXPECT_TRUE(zui::HasFocus(combo));
        byKeyboard = field(kHighlight);
        byKeyboardDots = field(RGB(0, 0, 0));
        SaveWindowImage(&dlg, ScreenPath("ui-focused-droplist").c_str());
        titles.push_back(zui::MenuTitleColour(&dlg, 0));
        zui::PressKey(&dlg.m_plain, VK_F10);
    });
    zui::WhenIdle([&] {
        titles.push_back(zui::MenuTitleColour(&dlg, 0)); // menu mode
        SaveWindowImage(&dlg, ScreenPath("ui-menu-mode").c_str());
        zui::PressMenuKey(&dlg, VK_ESCAPE);
        titles.push_back(zui::MenuTitleColour(&dlg, 0)); // left
    });
    zui::WhenIdle([&] { zui::PressAltKey(&dlg.m_plain, 'S'); });
    zui::WhenIdle([&] {
        zui::PressMenuKey(&dlg, VK_ESCAPE); // the popup closes, menu mode stays
        titles.push_back(zui::MenuTitleColour(&dlg, 1));
        zui::PressMenuKey(&dlg, VK_ESCAPE);
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
    EXPECT_EQ(unfocused, 0);
    EXPECT_GT(byMouse, area / 3);
    EXPECT_EQ(byMouseDots, 0) << "no focus rectangle before the keyboard is used";
    EXPECT_GT(byKeyboard, area / 3);
    EXPECT_GT(byKeyboardDots, 10);
    ASSERT_EQ(titles.size(), 4u);
    EXPECT_NE(titles[0], kHighlight);
    EXPECT_EQ(titles[1], kHighlight);
    EXPECT_EQ(titles[2], titles[0]);
    EXPECT_EQ(titles[3], kHighlight);
}

TEST_F(ControlsTest, FocusShowsOnceTheKeyboardIsUsedAndTheDefaultButtonIsFramed) {
    CControlsDlg dlg;
    constexpr int kDots = 10; // a dotted rectangle round a word has many more
    CWnd* check = nullptr;
    CWnd* radio = nullptr;
    std::vector<bool> checkQuiet, checkShown, checkLeft, radioQuiet, radioShown;
    UINT ownerQuiet = 0, ownerShown = 0;
    bool okFramedFirst = false, okFramedLater = true, countFramed = false;
    zui::WhenIdle([&] {
        check = dlg.GetDlgItem(1030);
        radio = dlg.GetDlgItem(1040);
        // No push button has the focus: the dialog's default (IDOK) wears the frame.
        RECT ok = zui::WidgetRect(dlg.GetDlgItem(IDOK));
        okFramedFirst =
            zui::GetWindowPixel(dlg.GetDlgItem(IDOK), 0, (ok.bottom - ok.top) / 2) == RGB(0, 0, 0);
        // Focus set without the keyboard: nothing drawn for it.
        check->SetFocus();
        checkQuiet = BlackPixels(check);
        radio->SetFocus();
        radioQuiet = BlackPixels(radio);
        dlg.GetDlgItem(1001)->SetFocus();
        zui::GetWindowPixel(dlg.GetDlgItem(1001), 1, 1);
        ownerQuiet = dlg.m_lastDrawState;
        zui::PressKey(&dlg.m_plain, VK_TAB); // to the check box
    });
    zui::WhenIdle([&] {
        checkShown = BlackPixels(check);
        zui::PressKey(check, VK_TAB); // to the radio group
    });
    zui::WhenIdle([&] {
        checkLeft = BlackPixels(check);
        radioShown = BlackPixels(radio);
        dlg.GetDlgItem(1004)->SetFocus();
    });
    zui::WhenIdle([&] {
        // A focused push button is the one Enter presses: it wears the frame, IDOK no more.
        RECT ok = zui::WidgetRect(dlg.GetDlgItem(IDOK));
        okFramedLater =
            zui::GetWindowPixel(dlg.GetDlgItem(IDOK), 0, (ok.bottom - ok.top) / 2) == RGB(0, 0, 0);
        RECT count = zui::WidgetRect(dlg.GetDlgItem(1004));
        countFramed =
            zui::GetWindowPixel(dlg.GetDlgItem(1004), 0, (count.bottom - count.top) / 2) == RGB(0, 0, 0);
        zui::PressKey(dlg.GetDlgItem(1004), VK_TAB); // the keyboard: onto IDOK
    });
    zui::WhenIdle([&] {
        SaveWindowImage(&dlg, ScreenPath("ui-focus").c_str());
        dlg.GetDlgItem(1001)->SetFocus();
        zui::GetWindowPixel(dlg.GetDlgItem(1001), 1, 1);
        ownerShown = dlg.m_lastDrawState;
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
    EXPECT_GT(NewlyBlack(checkQuiet, checkShown), kDots); // appears with the keyboard
    EXPECT_EQ(NewlyBlack(checkQuiet, checkLeft), 0);      // and goes with the focus
    EXPECT_GT(NewlyBlack(radioQuiet, radioShown), kDots);
    EXPECT_TRUE(okFramedFirst);
    EXPECT_FALSE(okFramedLater);
    EXPECT_TRUE(countFramed);
    // Owner-drawn buttons learn of the focus, and whether to draw it.
    EXPECT_EQ(ownerQuiet & (ODS_FOCUS | ODS_NOFOCUSRECT), ODS_FOCUS | ODS_NOFOCUSRECT);
    EXPECT_EQ(ownerShown & (ODS_FOCUS | ODS_NOFOCUSRECT), ODS_FOCUS);
}

TEST_F(ControlsTest, EditMenuOffersTheTargetsItemsAndActsOnTheEdit) {
    CControlsDlg dlg;
    using Items = std::vector<zui::ShownMenuItem>;
    auto enabled = [](const Items& items) {
        std::vector<bool> on;
        for (const auto& item : items)
            on.push_back(item.enabled);
        return on;
    };
    // Chooses an item of the edit's menu, opened by a right click, by its letter.
    auto choose = [&](CWnd* edit, UINT letter) {
        zui::OpenContextMenu(edit, false);
        zui::PressMenuKey(&dlg, letter);
    };
    Items fresh, selected, edited, password;
    CString afterCut, afterPaste, afterUndo, afterDigitsPaste, afterLongPaste;
    zui::WhenIdle([&] {
        CWnd* plain = &dlg.m_plain;
        plain->SetWindowText("가나다");
        zui::OpenContextMenu(plain, false);
        fresh = zui::ShownPopupMenu();
        zui::PressMenuKey(&dlg, 'A'); // 모두 선택(A)
        choose(plain, 'C');           // 복사(C): the clipboard has text now
        zui::OpenContextMenu(plain, false);
        selected = zui::ShownPopupMenu();
        zui::PressMenuKey(&dlg, 'T'); // 잘라내기(T)
        afterCut = zui::ShownText(plain);
        choose(plain, 'P'); // 붙여넣기(P), twice
        choose(plain, 'P');
        afterPaste = zui::ShownText(plain);
        zui::OpenContextMenu(plain, false);
        edited = zui::ShownPopupMenu();
        zui::PressMenuKey(&dlg, 'U'); // 실행 취소(U): the last paste goes
        afterUndo = zui::ShownText(plain);
        // The digits-only edit takes no letters from the clipboard.
        choose(&dlg.m_digits, 'P');
        afterDigitsPaste = zui::ShownText(&dlg.m_digits);
        dlg.m_password.SetWindowText("secret");
        dlg.m_password.SendMessage(EM_SETSEL, 0, -1);
        zui::OpenContextMenu(&dlg.m_password, true); // Shift+F10: shows at the next idle moment
    });
    zui::WhenIdle([&] {
        password = zui::ShownPopupMenu();
        zui::PressMenuKey(&dlg, VK_ESCAPE);
        // A pasted line is cut at the edit's limit.
        dlg.m_plain.SetLimitText(4);
        dlg.m_plain.SetWindowText("");
        choose(&dlg.m_plain, 'P');
        afterLongPaste = zui::ShownText(&dlg.m_plain);
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
    std::vector<CString> texts;
    for (const auto& item : fresh)
        texts.push_back(item.text);
    EXPECT_EQ(texts, (std::vector<CString>{"실행 취소(&U)", "잘라내기(&T)", "복사(&C)", "붙여넣기(&P)",
                                           "삭제(&D)", "모두 선택(&A)"}));
    // Nothing selected: no cut, copy or delete; nothing to undo yet.
    EXPECT_FALSE(fresh[0].enabled || fresh[1].enabled || fresh[2].enabled || fresh[4].enabled);
    EXPECT_TRUE(fresh[5].enabled);
    EXPECT_EQ(enabled(selected), (std::vector<bool>{false, true, true, true, true, false}));
    EXPECT_EQ(afterCut, CString(""));
    EXPECT_EQ(afterPaste, CString("가나다가나다"));
    EXPECT_TRUE(edited[0].enabled);
    EXPECT_EQ(afterUndo, CString("가나다"));
    EXPECT_EQ(afterDigitsPaste, CString(""));
    // A password edit gives nothing away.
    EXPECT_EQ(enabled(password), (std::vector<bool>{false, false, false, true, true, false}));
    EXPECT_EQ(afterLongPaste, CString("가나")); // two double-byte characters fill 4 bytes
}
