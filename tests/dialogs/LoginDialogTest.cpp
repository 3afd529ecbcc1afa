#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "DialogFixture.h"
#include "console/VossenApp.h"
#include "dialogs/LoginDialog.h"
#include "dialogs/RootConfirmDlg.h"
#include "dialogs/UpdateHandoff.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
#include "platform/core/Text.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"
#include "support/StoreProcess.h"

namespace fs = std::filesystem;

namespace {

const char kFillAllFields[] = "모든 항목에 값을 입력해 주세요.";
const char kAgreeToNotice[] = "위험고지 및 주의사항을 읽고 동의에 체크해주세요.";

class LoginTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        theApp.SetCommandLine("");
        theApp.m_strLaunchField0.Empty();
    }

    // Both logins on the mock server with what they require.
    static void FillMockLogins(CWnd* dlg) {
        SetText(dlg, 1064, "user1");
        SetText(dlg, 1065, "pw1");
        SetText(dlg, 1057, "11111111");
        SetText(dlg, 1072, "user2");
        SetText(dlg, 1074, "pw2");
        SetText(dlg, 1058, "22222222");
    }
    static void Agree(CWnd* dlg) {
        if (!dlg->IsDlgButtonChecked(1234))
            zui::Click(dlg->GetDlgItem(1234));
    }
    static void Ok(CWnd* dlg) { zui::Click(dlg->GetDlgItem(IDOK)); }
    static void Cancel(CWnd* dlg) { zui::Click(dlg->GetDlgItem(IDCANCEL)); }
    // Colour inside a control, a few pixels in from its top-left corner.
    static COLORREF InnerPixel(CWnd* dlg, int id, int inset) {
        RECT r = zui::WidgetRect(dlg->GetDlgItem(id));
        return GetWindowPixel(dlg, r.left + inset, r.top + inset);
    }
};

TEST_F(LoginTest, FirstRunOffersTheDefaultItemsOnTheMockServer) {
    StartEnvironment();
    CLoginDialog dlg;
    Then([&] {
        CComboBox& combo = dlg.m_comboItem;
        EXPECT_EQ(combo.GetCount(), 5);
        EXPECT_EQ(combo.GetCurSel(), 0);
        CString name;
        combo.GetLBText(0, name);
        EXPECT_EQ(name, "미니 나스닥");
        combo.GetLBText(4, name);
        EXPECT_EQ(name, "항생");
        for (int id : {1064, 1065, 1066, 1057, 1068, 1058, 1071, 1072, 1074, 1076})
            EXPECT_TRUE(Text(&dlg, id).IsEmpty()) << id;
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1104));
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1106));
        EXPECT_FALSE(dlg.IsDlgButtonChecked(1103));
        EXPECT_FALSE(dlg.IsDlgButtonChecked(1105));
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(1064)));
        // The item list drops down all five items, though the template leaves it one row.
        RECT list{};
        ASSERT_TRUE(zui::DropDownRect(&combo, &list));
        EXPECT_EQ((list.bottom - list.top) / zui::DropDownItemHeight(&combo), 5);
        // OK and Cancel are drawn with their own fills; the logo fills its frames.
        EXPECT_EQ(InnerPixel(&dlg, IDOK, 6), 0x3B0028u);
        EXPECT_EQ(InnerPixel(&dlg, IDCANCEL, 6), 0x2F2F2Fu);
        for (int frame : {1216, 1218}) {
            const COLORREF corner = InnerPixel(&dlg, frame, 1);
            EXPECT_LT(GetRValue(corner), 60) << frame;
            EXPECT_LT(GetGValue(corner), 30) << frame;
        }
        Screenshot(&dlg, "login-first-run");
    });
    Then([&] { Cancel(&dlg); });
    EXPECT_EQ(dlg.DoModal(), 0);

    TradeItem items[kTradeItemCount] = {};
    EXPECT_EQ(CTradeDataBase::LoadItems(items), 0);
    EXPECT_STREQ(items[0].name, "미니 나스닥");
    EXPECT_STREQ(items[3].name, "마이크로 S&P 500");
    EXPECT_STREQ(items[4].code, "HSIU20");
    EXPECT_STREQ(items[5].name, "");
    EXPECT_EQ(g_pTradeState->server_type, 1);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(LoginTest, MockLoginHandsOnTheMockPasswordWhichTheNextStartPreloads) {
    StartEnvironment();
    {
        CLoginDialog dlg;
        Then([&] {
            FillMockLogins(&dlg);
            SetText(&dlg, 1068, "9999");
            Agree(&dlg);
            Screenshot(&dlg, "login-filled");
            Ok(&dlg);
        });
        ASSERT_EQ(dlg.DoModal(), 1);
    }
    CTradeState* s = g_pTradeState;
    EXPECT_EQ(s->id, "user1");
    EXPECT_EQ(s->account_passwd, kMockAccountPassword);
    EXPECT_EQ(s->account_passwd2, kMockAccountPassword);
    EXPECT_TRUE(s->cert_passwd.IsEmpty());
    EXPECT_EQ(s->account_number2, "22222222");
    EXPECT_EQ(s->trade_item, "NQZ20");
    EXPECT_EQ(s->server_type, 1);
    EXPECT_TRUE(m_boxes.empty());

    // The main dialog keeps the account row; the next start shows it again.
    ASSERT_EQ(CTradeDataBase::SaveAccount(s->server_type, s->id, s->passwd, s->cert_passwd, s->account_number,
                                          s->account_passwd, s->server_type2, s->id2, s->passwd2,
                                          s->cert_passwd2, s->account_number2, s->account_passwd2,
                                          s->trade_item, s->ident_code, s->sub_password),
              1);
    CLoginDialog next;
    Then([&] {
        EXPECT_EQ(Text(&next, 1068), kMockAccountPassword);
        EXPECT_EQ(Text(&next, 1071), kMockAccountPassword);
        EXPECT_EQ(Text(&next, 1064), "user1");
        EXPECT_EQ(Text(&next, 1058), "22222222");
        EXPECT_TRUE(next.IsDlgButtonChecked(1104));
        Cancel(&next);
    });
    EXPECT_EQ(next.DoModal(), 0);
    // Cancel leaves the preloaded row in the trading state.
    EXPECT_EQ(g_pTradeState->id2, "user2");
}

TEST_F(LoginTest, RealLoginWithoutCertificatePasswordIsRefusedUntilFilled) {
    StartEnvironment();
    CLoginDialog dlg;
    Then([&] {
        FillMockLogins(&dlg);
        zui::Click(dlg.GetDlgItem(1103));
    });
    Then([&] {
        EXPECT_EQ(g_pTradeState->server_type, 0) << "the radio click reaches the trading state";
        SetText(&dlg, 1068, "5678");
        Agree(&dlg);
        Ok(&dlg);
    });
    Then([&] {
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].text, kFillAllFields);
        // Plain boxes: no caption, no icon, only OK.
        EXPECT_EQ(m_boxes[0].caption, "");
        EXPECT_EQ(m_boxes[0].type, static_cast<UINT>(MB_OK));
        EXPECT_NE(FindTopLevel("Zorvik 마스터 - [Korvex금융투자 로그인]"), nullptr)
            << "the dialog stays open";
        SetText(&dlg, 1066, "cert");
        Ok(&dlg);
    });
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(g_pTradeState->server_type, 0);
    EXPECT_EQ(g_pTradeState->cert_passwd, "cert");
    EXPECT_EQ(g_pTradeState->account_passwd, "5678");
    EXPECT_EQ(g_pTradeState->account_passwd2, kMockAccountPassword);
}

TEST_F(LoginTest, WithoutTheAgreementNothingIsStored) {
    StartEnvironment();
    CLoginDialog dlg;
    Then([&] {
        FillMockLogins(&dlg);
        zui::ChooseComboItem(&dlg.m_comboItem, 2);
        Ok(&dlg);
    });
    Then([&] {
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].text, kAgreeToNotice);
        EXPECT_EQ(m_boxes[0].caption, "");
        EXPECT_EQ(m_boxes[0].type, static_cast<UINT>(MB_OK));
        Cancel(&dlg);
    });
    EXPECT_EQ(dlg.DoModal(), 0);
    EXPECT_TRUE(g_pTradeState->id.IsEmpty());
    TradeItem items[kTradeItemCount] = {};
    EXPECT_EQ(CTradeDataBase::LoadItems(items), 0) << "the chosen item index was not stored";
}

// A text set longer than 18 bytes hands on 18; one typed stops there, so what shows is kept.
TEST_F(LoginTest, BlankFieldsCountAsFilledAndLongTextsHandOnEighteenBytes) {
    StartEnvironment();
    CLoginDialog dlg;
    CString typed;
    Then([&] {
        FillMockLogins(&dlg);
        SetText(&dlg, 1064, "ABCDEFGHIJKLMNOPQRSTUVWXY");
        SetText(&dlg, 1065, " ");
        SetText(&dlg, 1058, "   ");
        SetText(&dlg, 1072, "");
        zui::TypeText(dlg.GetDlgItem(1072), "abcdefghijklmnopqrstuvwxy");
    });
    Then([&] {
        typed = zui::ShownText(dlg.GetDlgItem(1072));
        zui::ChooseComboItem(&dlg.m_comboItem, 4);
        Agree(&dlg);
        Ok(&dlg);
    });
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(typed, "abcdefghijklmnopqr");
    EXPECT_EQ(g_pTradeState->id2, typed);
    EXPECT_EQ(g_pTradeState->id, "ABCDEFGHIJKLMNOPQR");
    EXPECT_EQ(g_pTradeState->passwd, " ");
    EXPECT_EQ(g_pTradeState->account_number2, "   ");
    EXPECT_EQ(g_pTradeState->trade_item, "HSIU20");
    TradeItem items[kTradeItemCount] = {};
    EXPECT_EQ(CTradeDataBase::LoadItems(items), 4);
}

// The engines' argument separates its fields by '|' and escapes nothing: a text that holds
// one is refused at OK, named, before anything is kept. Every other text is handed on as
// typed.
TEST_F(LoginTest, ATextHoldingTheEnginesSeparatorIsNamedAndRefusedOthersPassAsTyped) {
    StartEnvironment();
    CLoginDialog dlg;
    Then([&] {
        FillMockLogins(&dlg);
        SetText(&dlg, 1074, "p|w2");
        // On the mock server the account password edit is not handed on.
        SetText(&dlg, 1068, "x|y");
        zui::ChooseComboItem(&dlg.m_comboItem, 2);
        Agree(&dlg);
        Ok(&dlg);
    });
    Then([&] {
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].text, "로그인 2 비밀번호에는 '|' 문자를 쓸 수 없습니다.");
        EXPECT_EQ(m_boxes[0].caption, "");
        EXPECT_EQ(m_boxes[0].type, static_cast<UINT>(MB_OK));
        EXPECT_NE(FindTopLevel("Zorvik 마스터 - [Korvex금융투자 로그인]"), nullptr)
            << "the dialog stays open";
        EXPECT_TRUE(g_pTradeState->id.IsEmpty());
        TradeItem items[kTradeItemCount] = {};
        EXPECT_EQ(CTradeDataBase::LoadItems(items), 0) << "the chosen item index was not stored";
        // The first login's texts come first; the mock login's certificate password is handed on.
        SetText(&dlg, 1066, "|");
        Ok(&dlg);
    });
    Then([&] {
        ASSERT_EQ(m_boxes.size(), 2u);
        EXPECT_EQ(m_boxes[1].text, "로그인 1 공인인증 비밀번호에는 '|' 문자를 쓸 수 없습니다.");
        SetText(&dlg, 1066, "");
        SetText(&dlg, 1074, "pw2");
        CopyBounded(g_pTradeState->items[2].code, sizeof g_pTradeState->items[2].code, "ES|Z20");
        Ok(&dlg);
    });
    Then([&] {
        ASSERT_EQ(m_boxes.size(), 3u);
        EXPECT_EQ(m_boxes[2].text, "매매종목의 종목코드에는 '|' 문자를 쓸 수 없습니다.");
        CopyBounded(g_pTradeState->items[2].code, sizeof g_pTradeState->items[2].code, "ESZ20");
        SetText(&dlg, 1065, "pa\"ss  w");
        SetText(&dlg, 1074, "한글 암호\\\"");
        Ok(&dlg);
    });
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(m_boxes.size(), 3u);
    EXPECT_EQ(g_pTradeState->passwd, "pa\"ss  w");
    EXPECT_EQ(g_pTradeState->passwd2, "한글 암호\\\"");
    EXPECT_EQ(g_pTradeState->account_passwd, kMockAccountPassword);
    EXPECT_EQ(g_pTradeState->trade_item, "ESZ20");
}

TEST_F(LoginTest, ItemButtonAsksOnceAndOpensTheItemsOnTheNextClick) {
    StartEnvironment();
    CLoginDialog dlg;
    Then([&] { zui::Click(dlg.GetDlgItem(1243)); });
    Then([&] {
        CWnd* confirm = FindTopLevel("관리자 인증");
        ASSERT_NE(confirm, nullptr);
        zui::TypeText(confirm->GetDlgItem(1100), kAdminAccessCode);
        zui::Click(confirm->GetDlgItem(IDOK));
    });
    Then([&] {
        EXPECT_EQ(FindTopLevel("관리자 인증"), nullptr);
        EXPECT_EQ(FindTopLevel("종목설정"), nullptr) << "a correct password opens nothing yet";
        EXPECT_EQ(dlg.m_nAdminState, 2);
        zui::Click(dlg.GetDlgItem(1243));
    });
    Then([&] {
        CWnd* items = FindTopLevel("종목설정");
        ASSERT_NE(items, nullptr);
        zui::PressKey(items->GetDlgItem(1100), VK_ESCAPE);
    });
    Then([&] { Cancel(&dlg); });
    EXPECT_EQ(dlg.DoModal(), 0);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(LoginTest, RefusedOrCancelledConfirmationAsksAgain) {
    StartEnvironment();
    CLoginDialog dlg;
    for (bool typeWrong : {true, false}) {
        Then([&] { zui::Click(dlg.GetDlgItem(1243)); });
        Then([&, typeWrong] {
            CWnd* confirm = FindTopLevel("관리자 인증");
            ASSERT_NE(confirm, nullptr);
            if (typeWrong) {
                zui::TypeText(confirm->GetDlgItem(1100), "wrong");
                zui::Click(confirm->GetDlgItem(IDOK));
            } else {
                // Escape ends the prompt with 0, never with the administrator level.
                zui::TypeText(confirm->GetDlgItem(1100), kAdminAccessCode);
                zui::PressKey(confirm->GetDlgItem(1100), VK_ESCAPE);
            }
        });
        Then([&] {
            EXPECT_EQ(dlg.m_nAdminState, 0);
            EXPECT_EQ(FindTopLevel("종목설정"), nullptr);
        });
    }
    Then([&] { Cancel(&dlg); });
    EXPECT_EQ(dlg.DoModal(), 0);
    EXPECT_TRUE(m_boxes.empty()) << "the login dialog shows no message for a refusal";
}

TEST_F(LoginTest, FailingStoreNeverBlocksTheLogin) {
    StartEnvironment(false);
    CLoginDialog dlg;
    Then([&] {
        EXPECT_EQ(dlg.m_comboItem.GetCount(), 5);
        EXPECT_EQ(dlg.m_comboItem.GetCurSel(), 0);
        FillMockLogins(&dlg);
        Agree(&dlg);
        Ok(&dlg);
    });
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(g_pTradeState->trade_item, "NQZ20");
    EXPECT_EQ(g_pTradeState->curr_idx, 0);
    // Each save that failed was told: the store at start, the default items, the login.
    ASSERT_EQ(m_boxes.size(), 3u);
    EXPECT_NE(m_boxes[0].text.Find("db_Velmora.db 파일을 열 수 없습니다"), -1) << m_boxes[0].text.GetString();
    EXPECT_NE(m_boxes[1].text.Find("db_Velmora.db 파일에 종목설정을 저장하지 못했습니다"), -1)
        << m_boxes[1].text.GetString();
    EXPECT_NE(m_boxes[2].text.Find("db_Velmora.db 파일에 선택한 매매종목을 저장하지 못했습니다"), -1)
        << m_boxes[2].text.GetString();
}

// A lock held while the login opens keeps the stored row from the preload; once it is gone,
// OK still hands on the row's hidden texts, which the main dialog writes back with the
// account, instead of blanks over them.
TEST_F(LoginTest, AStoreLockedWhileTheLoginOpensLosesNoHiddenTextOfTheAccountRow) {
    StartEnvironment();
    ASSERT_EQ(CTradeDataBase::SaveAccount(1, "user1", "pw1", "", "11111111", "", 1, "user2", "pw2", "",
                                          "22222222", "", "NQZ20", "IC-77", "4321"),
              1);
    auto writer = std::make_unique<StoreProcess>(
        StoreProcess::Kind::ExclusiveWriter,
        HostPath((std::string(kBaseFolder) + "\\DataBase\\db_Velmora.db").c_str()));
    ASSERT_TRUE(writer->Ready());
    CLoginDialog dlg;
    Then([&] {
        // Nothing could be preloaded.
        EXPECT_TRUE(Text(&dlg, 1064).IsEmpty());
        EXPECT_EQ(writer->Stop(), 1);
        FillMockLogins(&dlg);
        Agree(&dlg);
        Ok(&dlg);
    });
    ASSERT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(g_pTradeState->id, "user1");
    EXPECT_EQ(g_pTradeState->ident_code, "IC-77");
    EXPECT_EQ(g_pTradeState->sub_password, "4321");
}

// With no item on offer there is no code to trade: OK asks for every field instead of
// handing on a slot that does not exist.
TEST_F(LoginTest, OkWithoutAnItemOnOfferAsksForEveryField) {
    StartEnvironment();
    TradeItem items[kTradeItemCount] = {};
    std::strcpy(items[1].name, "gap before me");
    ASSERT_EQ(CTradeDataBase::SaveItems(items), 0);
    CLoginDialog dlg;
    Then([&] {
        EXPECT_EQ(dlg.m_comboItem.GetCount(), 0);
        FillMockLogins(&dlg);
        Agree(&dlg);
        Ok(&dlg);
    });
    Then([&] {
        EXPECT_EQ(m_boxes.Texts(), std::vector<CString>{kFillAllFields});
        Cancel(&dlg);
    });
    EXPECT_EQ(dlg.DoModal(), 0);
    EXPECT_TRUE(g_pTradeState->id.IsEmpty());
}

// A stored server type other than 0 or 1 stands for the mock server, so a radio button is
// always chosen and OK never fails on it.
TEST_F(LoginTest, UnknownStoredServerTypeShowsAsMock) {
    StartEnvironment();
    ASSERT_EQ(CTradeDataBase::SaveAccount(5, "u1", "p1", "", "1", "x", 0, "u2", "p2", "c2", "2", "y", "NQZ20",
                                          "", ""),
              1);
    CLoginDialog dlg;
    Then([&] {
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1104));
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1105));
        Agree(&dlg);
        Ok(&dlg);
    });
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(g_pTradeState->server_type, 1);
    EXPECT_EQ(g_pTradeState->server_type2, 0);
    EXPECT_EQ(g_pTradeState->account_passwd, kMockAccountPassword);
    EXPECT_EQ(g_pTradeState->account_passwd2, "y");
}

TEST_F(LoginTest, NorunAfterAnEmptyFieldIsAPlainStart) {
    theApp.SetCommandLine("||norun|ignored");
    StartEnvironment();
    CLoginDialog dlg;
    Then([&] { Cancel(&dlg); });
    EXPECT_EQ(dlg.DoModal(), 0);
    EXPECT_EQ(theApp.m_strLaunchField0, "norun");
}

// ---------------------------------------------------------------------------------------
// The update hand-off, with real files in a temporary current folder.

class HandoffTest : public LoginTest {
protected:
    void SetUp() override {
        LoginTest::SetUp();
        char tmpl[] = "/tmp/zorvik-handoff-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_folder = tmpl;
        m_saved = fs::current_path();
        fs::current_path(m_folder);
    }
    void TearDown() override {
        fs::current_path(m_saved);
        std::error_code ec;
        fs::remove_all(m_folder, ec);
        LoginTest::TearDown();
    }

    void WriteFile(const std::string& name, const std::string& content, bool executable = false) {
        std::ofstream(m_folder / name) << content;
        if (executable)
            fs::permissions(m_folder / name, fs::perms::owner_all);
    }
    std::string ReadFile(const std::string& name) const {
        std::stringstream text;
        text << std::ifstream(m_folder / name).rdbuf();
        return text.str();
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // The new program reports how many arguments it got into "started"; waits for it.
    std::string WaitForStart() const {
        for (int i = 0; i < 1000 && !fs::exists(m_folder / "started.done"); ++i)
            usleep(10000);
        return ReadFile("started.done");
    }
    // It goes on running a while, as a program does once it has started.
    std::string NewProgram() const {
        return "#!/bin/sh\necho \"$#\" > '" + (m_folder / "started").string() + "'\nmv '" +
               (m_folder / "started").string() + "' '" + (m_folder / "started.done").string() +
               "'\nexec sleep 3 </dev/null >/dev/null 2>&1\n# new build\n";
    }

    // A dialog that notes whether it was ever shown.
    struct WatchedLogin : CLoginDialog {
        bool shown = false;
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_PAINT || (message == WM_SHOWWINDOW && wParam))
                shown = true;
            return CLoginDialog::WindowProc(message, wParam, lParam);
        }
    };

    fs::path m_folder;
    fs::path m_saved;
};

TEST_F(HandoffTest, ReplacesTheProgramStartsItWithoutArgumentsAndNeverShowsTheDialog) {
    WriteFile("upd.exe", "old build", true);
    WriteFile("upd.tmp", NewProgram(), true);
    theApp.SetCommandLine("upd|more|fields");
    StartEnvironment();
    WatchedLogin dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_FALSE(dlg.shown);
    EXPECT_EQ(theApp.m_strLaunchField0, "upd");
    EXPECT_EQ(WaitForStart(), "0\n");
    EXPECT_EQ(Files(), (std::vector<std::string>{"started.done", "upd.exe"}));
    EXPECT_NE(ReadFile("upd.exe").find("# new build"), std::string::npos);
    // No normal start: the items were never prepared.
    TradeItem items[kTradeItemCount] = {};
    EXPECT_EQ(CTradeDataBase::LoadItems(items), -1);
}

TEST_F(HandoffTest, WithoutTheNewFileNothingIsTouchedAndTheProgramEnds) {
    WriteFile("NoRun.exe", "current build", true);
    // The comparison with "norun" is case-sensitive: this names a program.
    theApp.SetCommandLine("NoRun");
    StartEnvironment();
    WatchedLogin dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_FALSE(dlg.shown);
    EXPECT_EQ(Files(), std::vector<std::string>{"NoRun.exe"});
    EXPECT_EQ(ReadFile("NoRun.exe"), "current build");
    TradeItem items[kTradeItemCount] = {};
    EXPECT_EQ(CTradeDataBase::LoadItems(items), -1);
}

TEST_F(HandoffTest, NamesOutsideTheCurrentFolderAreRefused) {
    fs::create_directory(m_folder / "sub");
    WriteFile("sub/x.exe", "keep", true);
    WriteFile("sub/x.tmp", NewProgram(), true);
    EXPECT_FALSE(RunUpdateHandoff("sub\\x"));
    EXPECT_FALSE(RunUpdateHandoff("sub/x"));
    EXPECT_FALSE(RunUpdateHandoff("Z:x"));
    EXPECT_EQ(ReadFile("sub/x.exe"), "keep");
    EXPECT_TRUE(fs::exists(m_folder / "sub/x.tmp"));
}

TEST_F(HandoffTest, TheNewProgramTakesTheOldOnesPermissions) {
    WriteFile("upd.exe", "old build", true);
    fs::permissions(m_folder / "upd.exe", fs::perms::owner_read | fs::perms::owner_exec |
                                              fs::perms::group_read | fs::perms::group_exec);
    WriteFile("upd.tmp", NewProgram());
    fs::permissions(m_folder / "upd.tmp", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(RunUpdateHandoff("upd"));
    EXPECT_EQ(WaitForStart(), "0\n");
    EXPECT_EQ(Files(), (std::vector<std::string>{"started.done", "upd.exe"}));
    EXPECT_EQ(fs::status(m_folder / "upd.exe").permissions(),
              fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(HandoffTest, ANewFileThatCannotRunReplacesNothingAndIsTold) {
    // Without an old program the new file keeps its own permissions: no execute bit.
    WriteFile("fresh.tmp", NewProgram());
    fs::permissions(m_folder / "fresh.tmp", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(RunUpdateHandoff("fresh"));
    EXPECT_EQ(Files(), std::vector<std::string>{"fresh.tmp"});
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_NE(m_boxes[0].text.Find("fresh.tmp"), -1) << m_boxes[0].text.GetString();

    // An old file that is no program itself gives the new one nothing to run with.
    WriteFile("upd.exe", "old build");
    fs::permissions(m_folder / "upd.exe", fs::perms::owner_read | fs::perms::owner_write);
    WriteFile("upd.tmp", NewProgram(), true);
    EXPECT_FALSE(RunUpdateHandoff("upd"));
    EXPECT_EQ(ReadFile("upd.exe"), "old build");
    EXPECT_NE(ReadFile("upd.tmp").find("# new build"), std::string::npos);
    EXPECT_EQ(m_boxes.size(), 2u);

    // Permissions that cannot be given leave both files as they were.
    fs::permissions(m_folder / "upd.exe", fs::perms::owner_all);
    Sys().fchmod = [](int, mode_t) {
        errno = EPERM;
        return -1;
    };
    EXPECT_FALSE(RunUpdateHandoff("upd"));
    EXPECT_EQ(ReadFile("upd.exe"), "old build");
    EXPECT_TRUE(fs::exists(m_folder / "upd.tmp"));
    ASSERT_EQ(m_boxes.size(), 3u);
    EXPECT_NE(m_boxes[2].text.Find("upd.tmp"), -1);
    EXPECT_FALSE(fs::exists(m_folder / "started.done"));
}

TEST_F(HandoffTest, ANewProgramThatDoesNotStartGivesTheOldOneBack) {
    // A download cut short: the execute bit, but no program.
    WriteFile("upd.exe", "old build", true);
    WriteFile("upd.tmp", std::string("\x7f"
                                     "ELF\x02\x01\x01",
                                     7));
    fs::permissions(m_folder / "upd.tmp",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::owner_exec);
    EXPECT_FALSE(RunUpdateHandoff("upd"));
    EXPECT_EQ(Files(), (std::vector<std::string>{"upd.exe", "upd.tmp"}));
    EXPECT_EQ(ReadFile("upd.exe"), "old build");
    EXPECT_EQ(fs::status(m_folder / "upd.exe").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(m_folder / "upd.tmp").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::owner_exec);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_NE(m_boxes[0].text.Find("기존 프로그램은 그대로 있고"), -1) << m_boxes[0].text.GetString();

    // A folder that cannot be written: nothing is changed, not even the new file's mode.
    fs::permissions(m_folder / "upd.tmp", fs::perms::owner_read | fs::perms::owner_write);
    {
        SysCallsOverride restore;
        Sys().access = [](const char*, int mode) {
            errno = EROFS;
            return mode & W_OK ? -1 : 0;
        };
        EXPECT_FALSE(RunUpdateHandoff("upd"));
    }
    EXPECT_EQ(fs::status(m_folder / "upd.tmp").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadFile("upd.exe"), "old build");
    ASSERT_EQ(m_boxes.size(), 2u);

    // A link in the new file's place is refused; what it points at is left alone.
    fs::remove(m_folder / "upd.tmp");
    fs::create_directory(m_folder / "away");
    WriteFile("away/elsewhere", NewProgram());
    fs::create_symlink(m_folder / "away/elsewhere", m_folder / "upd.tmp");
    EXPECT_FALSE(RunUpdateHandoff("upd"));
    EXPECT_EQ(ReadFile("upd.exe"), "old build");
    EXPECT_EQ(fs::status(m_folder / "away/elsewhere").permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_TRUE(fs::is_symlink(m_folder / "upd.tmp"));
    ASSERT_EQ(m_boxes.size(), 3u);
    EXPECT_FALSE(fs::exists(m_folder / "started.done"));
}

// The hand-off runs only the operator's own program: a new file of another user or with a
// second name, an old one that is not the user's, or a program kept aside by an earlier
// update, stops it with a box before anything is changed or run.
TEST_F(HandoffTest, OnlyTheUsersOwnNewProgramIsRunAndAProgramKeptAsideIsNeverReplaced) {
    WriteFile("upd.exe", "old build", true);
    WriteFile("upd.tmp", NewProgram(), true);
    const std::vector<std::string> before{"upd.exe", "upd.tmp"};
    auto boxSays = [this](const char* part) {
        return !m_boxes.empty() && m_boxes.back().text.Find(part) >= 0;
    };

    fs::create_directory(m_folder / "away");
    fs::create_hard_link(m_folder / "upd.tmp", m_folder / "away/second");
    EXPECT_FALSE(RunUpdateHandoff("upd"));
    EXPECT_TRUE(boxSays("upd.tmp 파일로 업데이트하지 않았습니다.\n이유: 다른 이름으로도 연결된 파일입니다"))
        << m_boxes.size();
    fs::remove_all(m_folder / "away");

    {
        // Another user's file, as far as the system says, even one the user may run.
        SysCallsOverride restore;
        Sys().fstat = [](int fd, struct stat* st) {
            const int done = ::fstat(fd, st);
            st->st_uid = geteuid() + 1;
            return done;
        };
        EXPECT_FALSE(RunUpdateHandoff("upd"));
        EXPECT_TRUE(boxSays("upd.tmp 파일로 업데이트하지 않았습니다.\n이유: 다른 사용자의 파일입니다"));
    }
    if (geteuid() == 0) {
        ASSERT_EQ(::chown((m_folder / "upd.tmp").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(RunUpdateHandoff("upd"));
        EXPECT_TRUE(boxSays("이유: 다른 사용자의 파일입니다"));
        ASSERT_EQ(::chown((m_folder / "upd.tmp").c_str(), 0, 0), 0);
    }

    fs::create_hard_link(m_folder / "upd.exe", m_folder / "upd.exe.second");
    EXPECT_FALSE(RunUpdateHandoff("upd"));
    EXPECT_TRUE(boxSays("upd.exe 파일로 업데이트하지 않았습니다.\n이유: 다른 이름으로도 연결된 파일입니다"));
    fs::remove(m_folder / "upd.exe.second");

    WriteFile("upd.old", "kept by an earlier update", true);
    EXPECT_FALSE(RunUpdateHandoff("upd"));
    EXPECT_TRUE(boxSays("upd.old 파일이 이미 있어 업데이트하지 않았습니다."));
    EXPECT_EQ(ReadFile("upd.old"), "kept by an earlier update");
    fs::remove(m_folder / "upd.old");

    EXPECT_EQ(m_boxes.size(), geteuid() == 0 ? 5u : 4u);
    EXPECT_EQ(Files(), before);
    EXPECT_EQ(ReadFile("upd.exe"), "old build");
    EXPECT_FALSE(fs::exists(m_folder / "started.done"));
    // Once the files are the user's own, the update goes through.
    EXPECT_TRUE(RunUpdateHandoff("upd"));
    EXPECT_EQ(WaitForStart(), "0\n");
}

// A new program counts as started only while it still runs about 2 s after its start: one that
// ends before (a script that exits 127, as a program missing a library does) gives the old
// program back, and the operator is told.
TEST_F(HandoffTest, ANewProgramThatEndsAtOnceGivesTheOldOneBack) {
    // The wait for the new program is waited here: the fixture waits none.
    Sys().sleepMs = [](unsigned ms) { usleep(ms * 1000); };
    WriteFile("upd.exe", "old build", true);
    WriteFile("upd.tmp", "#!/bin/sh\nexit 127\n", true);
    EXPECT_FALSE(RunUpdateHandoff("upd"));
    EXPECT_EQ(Files(), (std::vector<std::string>{"upd.exe", "upd.tmp"}));
    EXPECT_EQ(ReadFile("upd.exe"), "old build");
    EXPECT_EQ(ReadFile("upd.tmp"), "#!/bin/sh\nexit 127\n");
    ASSERT_EQ(m_boxes.size(), 1u);
    const std::string text = m_boxes[0].text.GetString();
    EXPECT_NE(
        text.find("upd.exe 파일이 시작하자마자 끝났습니다 (종료 코드 127).\n기존 프로그램은 그대로 있고, 새 "
                  "파일은 "),
        std::string::npos)
        << text;

    // One that runs on past the wait has started: the old one goes.
    WriteFile("upd.tmp", NewProgram(), true);
    EXPECT_TRUE(RunUpdateHandoff("upd"));
    EXPECT_EQ(WaitForStart(), "0\n");
    EXPECT_EQ(Files(), (std::vector<std::string>{"started.done", "upd.exe"}));
    EXPECT_EQ(m_boxes.size(), 1u);
}

TEST_F(HandoffTest, ProgramWithoutAnOldFileIsStillPutInPlace) {
    WriteFile("fresh.tmp", NewProgram(), true);
    EXPECT_TRUE(RunUpdateHandoff("fresh"));
    EXPECT_EQ(WaitForStart(), "0\n");
    EXPECT_EQ(Files(), (std::vector<std::string>{"fresh.exe", "started.done"}));
}

} // namespace

// OK and Cancel are owner-drawn and show no focus: Enter on a focused Cancel is IDOK, which
// runs OK's checks and leaves the program running; Space on it cancels.
TEST_F(LoginTest, EnterOnTheFocusedCancelRunsTheOkChecksAndSpaceCancels) {
    StartEnvironment();
    CLoginDialog dlg;
    Then([&] { zui::PressKey(dlg.GetDlgItem(1106), VK_TAB); });
    Then([&] {
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(IDOK)));
        EXPECT_TRUE(zui::PressKeyAtFocus(VK_TAB));
    });
    Then([&] {
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(IDCANCEL)));
        EXPECT_TRUE(zui::PressKeyAtFocus(VK_RETURN));
    });
    Then([&] {
        EXPECT_EQ(m_boxes.Texts(), std::vector<CString>{kFillAllFields});
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(IDCANCEL)));
        EXPECT_TRUE(zui::PressKeyAtFocus(VK_SPACE));
    });
    EXPECT_EQ(dlg.DoModal(), 0);
}

// The dialog manager's keys on the server groups: Tab enters a group at its checked button and
// leaves it as a whole; the arrows move and select within the group, wrapping at its ends.
TEST_F(LoginTest, TabEntersAServerGroupAtItsCheckedButtonAndArrowsSelectWithinIt) {
    StartEnvironment();
    CLoginDialog dlg;
    Then([&] {
        ASSERT_TRUE(dlg.IsDlgButtonChecked(1104));
        ASSERT_TRUE(dlg.IsDlgButtonChecked(1106));
        zui::PressKey(dlg.GetDlgItem(1071), VK_TAB);
    });
    Then([&] {
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(1104))) << "the checked button of the first group";
        zui::PressKey(dlg.GetDlgItem(1104), VK_TAB);
    });
    Then([&] {
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(1106))) << "the second group, at its checked button";
        zui::PressKey(dlg.GetDlgItem(1106), VK_UP);
    });
    Then([&] {
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(1105)));
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1105));
        EXPECT_FALSE(dlg.IsDlgButtonChecked(1106));
        EXPECT_EQ(g_pTradeState->server_type2, 0) << "selected as by a click";
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1104)) << "the other group keeps its choice";
        zui::PressKey(dlg.GetDlgItem(1105), VK_UP);
    });
    Then([&] {
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(1106))) << "wraps within the group";
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1106));
        EXPECT_EQ(g_pTradeState->server_type2, 1);
        zui::PressKey(dlg.GetDlgItem(1106), VK_RIGHT);
    });
    Then([&] {
        EXPECT_TRUE(zui::HasFocus(dlg.GetDlgItem(1105)));
        EXPECT_TRUE(dlg.IsDlgButtonChecked(1105));
        Cancel(&dlg);
    });
    EXPECT_EQ(dlg.DoModal(), 0);
}
