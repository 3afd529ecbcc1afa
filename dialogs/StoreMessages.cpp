#include "dialogs/StoreMessages.h"

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

bool ConfirmSaveOverUnreadSettings() {
    const CTradeState* state = g_pTradeState;
    if (!state || !state->strategy_unread)
        return true;
    CString text;
    text.Format("%s 파일에서 설정값을 읽지 못했습니다.\n화면의 값으로 저장된 설정값을 덮어쓰시겠습니까?",
                MainStorePath().GetString());
    return AfxMessageBox(text, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}
