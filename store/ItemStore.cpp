#include <cstdlib>
#include <cstring>

#include "platform/core/Text.h"
#include "store/TradeDataBase.h"

int CTradeDataBase::SaveItems(const TradeItem* items) {
    CTradeDataBase* db = Store();
    if (!db)
        return -1;
    CString sql(
        R"(insert or replace into VnItem(id, item_name1, item_code1, item_name2, item_code2, item_name3, item_code3, item_name4, item_code4, item_name5, item_code5, item_name6, item_code6, item_name7, item_code7, item_name8, item_code8, item_name9, item_code9, item_name10, item_code10, curr_idx) values (1)");
    // A slot's texts are read within the slot, whether or not they end there.
    for (int k = 0; k < kTradeItemCount; ++k) {
        CString name(items[k].name, static_cast<int>(strnlen(items[k].name, sizeof items[k].name)));
        CString code(items[k].code, static_cast<int>(strnlen(items[k].code, sizeof items[k].code)));
        sql.AppendFormat(", '%s', '%s'", SqlText(name).GetString(), SqlText(code).GetString());
    }
    sql += ", 0)";
    return db->WriteStatement(sql) ? 0 : -1;
}

int CTradeDataBase::LoadItems(TradeItem* items) {
    CTradeDataBase* db = Store();
    if (!db)
        return -1;
    int found = db->StepFirstRow(
        R"(select item_name1, item_code1, item_name2, item_code2, item_name3, item_code3, item_name4, item_code4, item_name5, item_code5, item_name6, item_code6, item_name7, item_code7, item_name8, item_code8, item_name9, item_code9, item_name10, item_code10, curr_idx from VnItem)");
    if (found <= 0)
        return -1;
    for (int k = 0; k < kTradeItemCount; ++k) {
        db->CopyColumnText(items[k].name, sizeof items[k].name, 2 * k);
        db->CopyColumnText(items[k].code, sizeof items[k].code, 2 * k + 1);
    }
    int index = db->ColumnInt(20);
    db->Close();
    return index;
}

int CTradeDataBase::SaveCurrentItemIndex(int index) {
    CTradeDataBase* db = Store();
    if (!db)
        return 0;
    CString sql;
    sql.Format(R"(update VnItem set curr_idx = '%d' where id = 1)", index);
    return db->WriteStatement(sql);
}
