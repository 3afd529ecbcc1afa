#include <cstdint>
#include <cstdlib>

#include "platform/core/Text.h"
#include "platform/core/Time.h"
#include "store/TradeDataBase.h"

int CTradeDataBase::SaveAccount(int server_type, const char* id, const char* passwd, const char* cert_passwd,
                                const char* account_number, const char* account_passwd, int server_type2,
                                const char* id2, const char* passwd2, const char* cert_passwd2,
                                const char* account_number2, const char* account_passwd2,
                                const char* trade_item, const char* ident_code, const char* sub_password) {
    CTradeDataBase* db = Store();
    if (!db)
        return 0;
    // The stamp is the low 32 bits of the time, as a signed number.
    int recent = static_cast<int>(static_cast<uint32_t>(_time64(nullptr)));
    CString sql;
    sql.Format(
        R"(insert or replace into VnAccount(tid, id, passwd, cert_passwd, account_number, account_passwd, server_type, id2, passwd2, cert_passwd2, account_number2, account_passwd2, server_type2, trade_item, sub_password, ident_code, login, recent) values ('kvfi', '%s', '%s', '%s', '%s', '%s', %d, '%s', '%s', '%s', '%s', '%s', %d, '%s', '%s', '%s', 1, %d))",
        SqlText(id).GetString(), SqlText(passwd).GetString(), SqlText(cert_passwd).GetString(),
        SqlText(account_number).GetString(), SqlText(account_passwd).GetString(), server_type,
        SqlText(id2).GetString(), SqlText(passwd2).GetString(), SqlText(cert_passwd2).GetString(),
        SqlText(account_number2).GetString(), SqlText(account_passwd2).GetString(), server_type2,
        SqlText(trade_item).GetString(), SqlText(sub_password).GetString(), SqlText(ident_code).GetString(),
        recent);
    return db->WriteStatement(sql);
}

int CTradeDataBase::ResetLogin(const char* id) {
    CTradeDataBase* db = Store();
    if (!db)
        return 0;
    CString sql;
    sql.Format(R"(update VnAccount set login = '%d' where id = '%s')", 0, SqlText(id).GetString());
    return db->WriteStatement(sql);
}

int CTradeDataBase::LoadServerTypes(int* server_type, int* server_type2) {
    CTradeDataBase* db = Store();
    if (!db)
        return 0;
    int found = db->StepFirstRow(
        R"(select server_type, server_type2 from VnAccount where tid = 'kvfi' order by recent desc limit 1)");
    if (found < 0)
        return 0;
    if (found > 0) {
        *server_type = db->ColumnInt(0);
        *server_type2 = db->ColumnInt(1);
        db->Close();
    }
    return 1;
}

int CTradeDataBase::LoadAccount(int* server_type, char* id, char* passwd, char* cert_passwd,
                                char* account_number, char* account_passwd, int* server_type2, char* id2,
                                char* passwd2, char* cert_passwd2, char* account_number2,
                                char* account_passwd2, char* trade_item, char* ident_code,
                                char* sub_password) {
    CTradeDataBase* db = Store();
    if (!db)
        return 0;
    int found = db->StepFirstRow(
        R"(select id, passwd, cert_passwd, account_number, account_passwd, server_type, id2, passwd2, cert_passwd2, account_number2, account_passwd2, server_type2, trade_item, ident_code, sub_password from VnAccount where tid = 'kvfi' order by recent desc limit 1)");
    if (found < 0)
        return 0;
    if (found > 0) {
        char* const texts[] = {
            id,         passwd,     cert_passwd,  account_number,  account_passwd,  nullptr,
            id2,        passwd2,    cert_passwd2, account_number2, account_passwd2, nullptr,
            trade_item, ident_code, sub_password};
        for (int column = 0; column < 15; ++column) {
            if (!texts[column])
                continue;
            int size = column >= 13 ? kAccountLongTextSize : kAccountTextSize;
            db->CopyColumnText(texts[column], size, column);
        }
        *server_type = db->ColumnInt(5);
        *server_type2 = db->ColumnInt(11);
        db->Close();
    }
    return 1;
}

int CTradeDataBase::SaveSubPassword(const char* subPassword) {
    CTradeDataBase* db = Store();
    if (!db)
        return 0;
    CString sql;
    sql.Format(R"(update VnAccount set sub_password = '%s' where tid = 'kvfi')",
               SqlText(subPassword).GetString());
    return db->WriteStatement(sql);
}

int CTradeDataBase::LoadSubPassword(char* subPassword, int size) {
    CTradeDataBase* db = Store();
    if (!db)
        return 0;
    int found = db->StepFirstRow(
        R"(select sub_password from VnAccount where tid = 'kvfi' and length(sub_password) > 0 group by sub_password)");
    if (found < 0)
        return 0;
    if (found > 0) {
        db->CopyColumnText(subPassword, size, 0);
        db->Close();
    }
    return 1;
}
