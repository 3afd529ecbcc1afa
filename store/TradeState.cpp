#include "store/TradeState.h"

CTradeState* g_pTradeState = nullptr;

CTradeState::CTradeState() = default;

CTradeState::~CTradeState() = default;

void StoreLoginValues(int server_type, const char* id, const char* passwd, const char* cert_passwd,
                      const char* account_number, const char* account_passwd, int server_type2,
                      const char* id2, const char* passwd2, const char* cert_passwd2,
                      const char* account_number2, const char* account_passwd2, const char* trade_item,
                      const char* ident_code, const char* sub_password) {
    CTradeState* state = g_pTradeState;
    state->server_type = server_type;
    state->id = id;
    state->passwd = passwd;
    state->cert_passwd = cert_passwd;
    state->account_number = account_number;
    state->account_passwd = account_passwd;
    state->server_type2 = server_type2;
    state->id2 = id2;
    state->passwd2 = passwd2;
    state->cert_passwd2 = cert_passwd2;
    state->account_number2 = account_number2;
    state->account_passwd2 = account_passwd2;
    state->trade_item = trade_item;
    state->ident_code = ident_code;
    state->sub_password = sub_password;
}
