// Every operation opens its file, runs its statements and closes it again before it returns.
// Writes return 1 on success and 0 on failure (SaveItems: 0 and -1); single-row reads return 1
// when their query ran, with or without a row, and 0 when the store could not be opened, the
// statement was rejected or the read failed (the store locked past the wait); outputs are
// written only when a row came. SQLite's error texts are released unread.
#include "store/TradeDataBase.h"

#include <sqlite3.h>

#include <cmath>
#include <cstring>

#include "platform/core/Files.h"
#include "platform/core/Numbers.h"
#include "platform/core/Path.h"
#include "platform/core/Text.h"
#include "store/BaseFolder.h"

const char* const kCreateAccountTable =
    R"(Create TABLE IF NOT EXISTS VnAccount (tid char(20), id char(20), passwd char(20), cert_passwd char(20), account_number char(20), account_passwd char(20), server_type integer DEFAULT 1, id2 char(20), passwd2 char(20), cert_passwd2 char(20), account_number2 char(20), account_passwd2 char(20), server_type2 integer DEFAULT 1, trade_item char(10), sub_password char(30) DEFAULT '', ident_code char(30) DEFAULT '', login integer DEFAULT 0, recent integer DEFAULT 0, CONSTRAINT PK_TID_ACCOUNT PRIMARY KEY (tid, id, id2)))";
const char* const kCreateItemTable =
    R"(Create TABLE IF NOT EXISTS VnItem (id integer, item_name1 char(20), item_code1 char(20), item_name2 char(20), item_code2 char(20), item_name3 char(20), item_code3 char(20), item_name4 char(20), item_code4 char(20), item_name5 char(20), item_code5 char(20), item_name6 char(20), item_code6 char(20), item_name7 char(20), item_code7 char(20), item_name8 char(20), item_code8 char(20), item_name9 char(20), item_code9 char(20), item_name10 char(20), item_code10 char(20), curr_idx integer DEFAULT 0, CONSTRAINT PK_ID_ITEM PRIMARY KEY (id)))";
const char* const kCreateStrategyTable =
    R"(Create TABLE IF NOT EXISTS VnStrategy (name char(20) PRIMARY KEY, value integer DEFAULT 0))";

CTradeDataBase* g_pTradeDataBase = nullptr;

namespace {

CString FixedBasePath() {
    return CString(kBaseFolder);
}

BasePathProvider g_basePathProvider = FixedBasePath;

bool IsAscii(const char* text) {
    for (; *text; ++text)
        if (static_cast<unsigned char>(*text) >= 0x80)
            return false;
    return true;
}

} // namespace

void SetBasePathProvider(BasePathProvider provider) {
    g_basePathProvider = provider ? provider : FixedBasePath;
}

CString StoreBasePath() {
    return g_basePathProvider();
}

CTradeDataBase::~CTradeDataBase() {
    Close();
}

CString MainStorePath() {
    return StoreBasePath() + "\\DataBase\\" + "db_Velmora.db";
}

int CTradeDataBase::Open() {
    // The main store is the console's own: made when missing, readable by its owner only (its
    // journals take the same mode).
    std::string hostPath = HostPath(MainStorePath());
    CreatePrivateFile(hostPath);
    return OpenFile(hostPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, kBusyWaitMs);
}

CString TradingLogStorePath(const CString& account) {
    return StoreBasePath() + "\\DataBase\\db_Velmora_" + account + ".db";
}

int CTradeDataBase::OpenTradingLog(CString account) {
    // The engines make their logs; the console never creates one. An engine's commit takes
    // milliseconds: a read that meets one waits that long rather than reading nothing.
    return OpenFile(HostPath(TradingLogStorePath(account)), SQLITE_OPEN_READWRITE, kTradingLogWaitMs);
}

int CTradeDataBase::OpenFile(const std::string& hostPath, int flags, int busyWaitMs) {
    Close();
    // SQLite gets the UTF-8 name of the host file behind the Windows path. A link in its
    // place is refused: the file would be made or written wherever the link points.
    if (sqlite3_open_v2(hostPath.c_str(), &m_pDB, flags | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK) {
        Close();
        return 0;
    }
    if (busyWaitMs > 0)
        sqlite3_busy_timeout(m_pDB, busyWaitMs);
    return 1;
}

void CTradeDataBase::Close() {
    if (m_pStmt) {
        sqlite3_finalize(m_pStmt);
        m_pStmt = nullptr;
    }
    if (m_pDB) {
        sqlite3_close(m_pDB);
        m_pDB = nullptr;
    }
}

int CTradeDataBase::Execute(const CString& sql) {
    char* utf8 = AnsiToUtf8(sql);
    char* error = nullptr;
    int rc = sqlite3_exec(m_pDB, utf8, nullptr, nullptr, &error);
    delete[] utf8;
    if (rc != SQLITE_OK)
        sqlite3_free(error);
    return rc == SQLITE_OK;
}

int CTradeDataBase::Prepare(const CString& sql) {
    char* utf8 = AnsiToUtf8(sql);
    int rc = sqlite3_prepare(m_pDB, utf8, static_cast<int>(std::strlen(utf8)), &m_pStmt, nullptr);
    delete[] utf8;
    return rc == SQLITE_OK;
}

int CTradeDataBase::StepFirstRow(const CString& sql) {
    if (!Open())
        return -1;
    if (!Prepare(sql)) {
        Close();
        return -1;
    }
    const int rc = sqlite3_step(m_pStmt);
    if (rc == SQLITE_ROW)
        return 1;
    Close();
    // A step that failed (the store locked past the wait, a damaged file) read nothing: it is
    // not an answer that the row is missing.
    return rc == SQLITE_DONE ? 0 : -1;
}

int CTradeDataBase::WriteStatement(const CString& sql) {
    if (!Open())
        return 0;
    int done = Execute(sql);
    Close();
    return done;
}

CString CTradeDataBase::ColumnText(int column) const {
    return Utf8ToAnsi(reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, column)));
}

// The value is read on this thread only, while the statement stands on its row, so the
// unprotected value of sqlite3_column_value is safe to look at. Beyond int32 a number is held
// at INT32_MIN or INT32_MAX, never wrapped.
int CTradeDataBase::ColumnInt(int column) const {
    sqlite3_value* value = sqlite3_column_value(m_pStmt, column);
    if (sqlite3_value_type(value) == SQLITE_INTEGER)
        return ClampToInt32(sqlite3_value_int64(value));
    return ReadInt32(ColumnText(column).GetString());
}

// A value that is not finite reads as 0.
double CTradeDataBase::ColumnDouble(int column) const {
    sqlite3_value* value = sqlite3_column_value(m_pStmt, column);
    int type = sqlite3_value_type(value);
    if (type == SQLITE_FLOAT || type == SQLITE_INTEGER) {
        const double number = sqlite3_value_double(value);
        return std::isfinite(number) ? number : 0;
    }
    return ReadDouble(ColumnText(column).GetString());
}

int CTradeDataBase::CopyColumnText(char* buffer, int size, int column) const {
    // ASCII needs no conversion: copied straight from SQLite's text, as far as the buffer
    // has room, in one pass.
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, column));
    if (!text || size <= 0)
        return CopyBounded(buffer, size, text);
    int n = 0;
    while (n < size - 1 && text[n] && static_cast<unsigned char>(text[n]) < 0x80)
        ++n;
    if (!text[n] || (n == size - 1 && IsAscii(text + n))) {
        std::memcpy(buffer, text, static_cast<std::size_t>(n));
        buffer[n] = 0;
        return n;
    }
    return CopyBounded(buffer, size, Utf8ToAnsi(text));
}

CString SqlText(const char* text) {
    // The code-page round trip puts substitutes in place of broken sequences, so that every
    // byte of the quoted text, its quotes included, reaches SQLite as it stands here.
    CString quoted = !text || IsAscii(text) ? CString(text) : Utf16ToAnsi(AnsiToUtf16(text));
    quoted.Replace("'", "''");
    return quoted;
}

char* AnsiToUtf8(const CString& text) {
    // ASCII reads the same in both forms.
    if (IsAscii(text)) {
        char* copy = new char[text.GetLength() + 1];
        std::memcpy(copy, text.GetString(), text.GetLength() + 1);
        return copy;
    }
    BSTR wide = text.AllocSysString();
    int units = static_cast<int>(SysStringLen(wide)) + 1;
    int size = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
    char* utf8 = new char[size > 0 ? size : 1]();
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8, size, nullptr, nullptr);
    SysFreeString(wide);
    return utf8;
}

CString Utf8ToAnsi(const char* text) {
    if (!text)
        return CString();
    if (IsAscii(text))
        return CString(text);
    int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (units == 0)
        return CString();
    std::vector<WCHAR> wide(units);
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), units);
    std::vector<char> ansi(2 * static_cast<size_t>(units));
    if (WideCharToMultiByte(CP_THREAD_ACP, 0, wide.data(), -1, ansi.data(), static_cast<int>(ansi.size()),
                            nullptr, nullptr) == 0)
        return CString();
    return CString(ansi.data());
}
