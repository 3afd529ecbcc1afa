#include "dialogs/StoreMessages.h"

#include <cstring>

#include "platform/core/Text.h"
#include "platform/ui/Afx.h"
#include "store/TradeDataBase.h"
#include "store/TradeState.h"

namespace {

void ShowNamingStore(const char* format, UINT type) {
    CString text;
    text.Format(format, MainStorePath().GetString());
    AfxMessageBox(text, type);
}

} // namespace

CString StoreNotOpenedText(const CTradeDataBase& store) {
    CString text;
    if (store.OpenRefusal() != FileRefusal::None) {
        text.Format(
            "%s 파일을 쓰지 않습니다.\n이유: %s\n로그인 정보와 설정값을 이 파일에 저장하지 않습니다. 이 "
            "파일을 지우고 프로그램을 다시 시작하십시오.",
            MainStorePath().GetString(), FileRefusalText(store.OpenRefusal()).GetString());
        return text;
    }
    const int error = store.OpenError();
    text.Format(
        "%s 파일을 열 수 없습니다.\n이유: %s\n로그인 정보와 설정값을 저장할 수 없습니다.",
        MainStorePath().GetString(),
        HostUtf8ToAnsi(error != 0 ? std::strerror(error) : "unable to open database file").GetString());
    return text;
}

void ReportSettingsNotRead() {
    ShowNamingStore("%s 파일에서 설정값을 읽지 못했습니다.\n표시되는 설정값은 저장된 값이 아닙니다.",
                    MB_OK | MB_ICONWARNING);
}

void ReportSettingsNotStored() {
    ShowNamingStore("%s 파일에 설정값을 저장하지 못했습니다.\n변경사항은 저장되지 않았고 엔진에 적용되지 "
                    "않았습니다.",
                    MB_OK | MB_ICONSTOP);
}

void ReportCallNumberNotStored() {
    ShowNamingStore("%s 파일에 호출번호를 저장하지 못했습니다.", MB_OK | MB_ICONSTOP);
}

void ReportItemsNotStored() {
    ShowNamingStore("%s 파일에 종목설정을 저장하지 못했습니다.\n종목설정은 이번 실행에만 쓰이고 저장되지 "
                    "않았습니다.",
                    MB_OK | MB_ICONSTOP);
}

void ReportItemChoiceNotStored() {
    ShowNamingStore(
        "%s 파일에 선택한 매매종목을 저장하지 못했습니다.\n다음에 시작할 때 이 종목은 미리 선택되지 "
        "않습니다.",
        MB_OK | MB_ICONSTOP);
}

void ReportLoginNotStored() {
    ShowNamingStore(
        "%s 파일에 로그인 정보를 저장하지 못했습니다.\n다음에 시작할 때 이 로그인은 미리 채워지지 "
        "않습니다.",
        MB_OK | MB_ICONSTOP);
}

bool ConfirmSaveOverUnreadSettings() {
    const CTradeState* state = g_pTradeState;
    if (!state || !state->strategy_unread)
        return true;
    CString text;
    text.Format("%s 파일에서 설정값을 읽지 못했습니다.\n화면의 값으로 저장된 설정값을 덮어쓰시겠습니까?",
                MainStorePath().GetString());
    return AfxMessageBox(text, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}
