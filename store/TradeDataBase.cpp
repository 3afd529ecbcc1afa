// Every operation opens its file, runs its statements and closes it again before it returns.
// Writes return 1 on success and 0 on failure (SaveItems: 0 and -1); single-row reads return 1
// when their query ran, with or without a row, and 0 when the store could not be opened, the
// statement was rejected or the read failed (the store locked past the wait); outputs are
// written only when a row came. SQLite's error texts are released unread.
#include "store/TradeDataBase.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/core/Files.h"
#include "platform/core/Numbers.h"
#include "platform/core/Path.h"
#include "platform/core/Sys.h"
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

// ---------------------------------------------------------------------------------------
// Every file SQLite opens in this process (stores, logs, their journals) is looked at through
// the descriptor SQLite then uses: the program writes only into its user's own regular files
// with one name. SQLite's own open is replaced through its system-call table for that.

using SqliteOpenCall = int (*)(const char* path, int flags, int mode);
SqliteOpenCall g_sqliteOpen = nullptr;

// What the files SQLite makes may be: their owner's only. SQLite gives a journal the mode of
// its database afterwards.
constexpr int kOwnerOnlyMode = 0600;

// The last file refused on this thread, with the reason.
thread_local std::string t_refusedPath;
thread_local FileRefusal t_refusal = FileRefusal::None;

int OpenOwnFile(const char* path, int flags, int mode) {
    // A pipe in a file's place must not hold the open; on a regular file the flag changes nothing.
    const int fd = g_sqliteOpen(path, flags | O_NONBLOCK, mode & kOwnerOnlyMode);
    if (fd < 0) {
        if (errno == ELOOP) {
            t_refusedPath = path;
            t_refusal = FileRefusal::Link;
        }
        return fd;
    }
    // SQLite also reads its files' folders (to make their entries durable) and the system's
    // random device.
    struct stat st;
    if ((flags & O_ACCMODE) == O_RDONLY && Sys().fstat(fd, &st) == 0 &&
        (S_ISDIR(st.st_mode) || (S_ISCHR(st.st_mode) && std::strncmp(path, "/dev/", 5) == 0)))
        return fd;
    const FileRefusal refusal = CheckOwnFile(fd);
    if (refusal == FileRefusal::None)
        return fd;
    Sys().close(fd);
    t_refusedPath = path;
    t_refusal = refusal;
    errno = EPERM;
    return -1;
}

// False when SQLite's open cannot be replaced: then no file can be checked, and none is opened.
bool ChecksOwnFiles() {
    static const bool installed = [] {
        sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
        if (!vfs || vfs->iVersion < 3 || !vfs->xGetSystemCall || !vfs->xSetSystemCall)
            return false;
        g_sqliteOpen = reinterpret_cast<SqliteOpenCall>(vfs->xGetSystemCall(vfs, "open"));
        return g_sqliteOpen &&
               vfs->xSetSystemCall(vfs, "open", reinterpret_cast<sqlite3_syscall_ptr>(OpenOwnFile)) ==
                   SQLITE_OK;
    }();
    return installed;
}

// ---------------------------------------------------------------------------------------

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
    for (auto& [path, watch] : m_logWatches)
        CloseWatch(watch);
}

CString MainStorePath() {
    return StoreBasePath() + "\\DataBase\\" + "db_Velmora.db";
}

int CTradeDataBase::Open() {
    // The main store is the console's own: made when missing, readable by its owner only (its
    // journals take the same mode).
    return OpenFile(HostPath(MainStorePath()), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, kBusyWaitMs);
}

CString TradingLogStorePath(const CString& account) {
    return StoreBasePath() + "\\DataBase\\db_Velmora_" + account + ".db";
}

int CTradeDataBase::OpenTradingLog(CString account) {
    // The engines make their logs; the console never creates one. An engine's commit takes
    // milliseconds: a read that meets one waits that long rather than reading nothing, as far
    // as the wait left to its group of reads goes.
    const TradingLogReads alone(this);
    if (!OpenFile(HostPath(TradingLogStorePath(account)), SQLITE_OPEN_READWRITE, 0))
        return 0;
    sqlite3_busy_handler(m_pDB, WaitForCommit, this);
    return 1;
}

int CTradeDataBase::WaitForCommit(void* store, int) {
    auto* db = static_cast<CTradeDataBase*>(store);
    if (db->m_nLogWaitLeftMs <= 0)
        return 0;
    const int step = std::min(kTradingLogRetryMs, db->m_nLogWaitLeftMs);
    Sys().sleepMs(static_cast<unsigned>(step));
    db->m_nLogWaitLeftMs -= step;
    return 1;
}

CTradeDataBase::TradingLogReads::TradingLogReads(CTradeDataBase* db) : m_pDB(db) {
    if (m_pDB && m_pDB->m_nLogReadDepth++ == 0) {
        m_pDB->m_nLogWaitLeftMs = kTradingLogWaitMs;
        m_pDB->m_refusedLog = FileRefusal::None;
        m_pDB->m_strRefusedLog.Empty();
    }
}

CTradeDataBase::TradingLogReads::~TradingLogReads() {
    if (m_pDB)
        --m_pDB->m_nLogReadDepth;
}

int CTradeDataBase::OpenFile(const std::string& hostPath, int flags, int busyWaitMs) {
    Close();
    m_openRefusal = FileRefusal::None;
    m_nOpenError = 0;
    if (!ChecksOwnFiles()) {
        m_nOpenError = ENOSYS;
        return 0;
    }
    t_refusal = FileRefusal::None;
    // SQLite gets the UTF-8 name of the host file behind the Windows path. A link in its
    // place (or in a folder of the program's own below the resolved base folder) is refused:
    // the file would be made or written wherever the link points.
    if (sqlite3_open_v2(hostPath.c_str(), &m_pDB, flags | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK) {
        if (m_pDB && sqlite3_extended_errcode(m_pDB) == SQLITE_CANTOPEN_SYMLINK)
            m_openRefusal = FileRefusal::Link;
        else if (t_refusal != FileRefusal::None && t_refusedPath == hostPath)
            m_openRefusal = t_refusal;
        m_nOpenError = m_pDB ? sqlite3_system_errno(m_pDB) : ENOMEM;
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
