// The console's SQLite store: the main database (accounts, items, strategy values) and the
// engines' per-account trading logs, opened afresh by every operation.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/Files.h"
#include "store/TradeState.h"

struct sqlite3;
struct sqlite3_stmt;

// The schema of the main store, run in this order at start-up.
extern const char* const kCreateAccountTable;
extern const char* const kCreateItemTable;
extern const char* const kCreateStrategyTable;

// Buffer sizes of the account texts that LoadAccount fills.
constexpr int kAccountTextSize = 20;
constexpr int kAccountLongTextSize = 64;

// The base folder the store's files lie under. The application object installs its own
// provider at start-up; until then the fixed folder is used.
using BasePathProvider = CString (*)();
void SetBasePathProvider(BasePathProvider provider);
CString StoreBasePath();

// How long the main store's connections wait for another connection's lock.
constexpr int kBusyWaitMs = 2000;
// How long the trading-log reads of one refill wait, all together, for an engine's commit,
// and the steps of that wait.
constexpr int kTradingLogWaitMs = 100;
constexpr int kTradingLogRetryMs = 2;

class CTradeDataBase;
extern CTradeDataBase* g_pTradeDataBase;
struct TradingLogStamp;

class CTradeDataBase {
public:
    CTradeDataBase() = default;
    virtual ~CTradeDataBase();
    CTradeDataBase(const CTradeDataBase&) = delete;
    CTradeDataBase& operator=(const CTradeDataBase&) = delete;

    // Opens the main store, or one account's trading log; 1 on success, else 0 (closed). The
    // main store waits up to kBusyWaitMs for another connection's lock, a trading log as long
    // as its group of reads has left (TradingLogReads). Neither follows a link in the file's place; a missing
    // trading log is not made. Every file SQLite opens for them, journals included, must be a regular file of
    // the effective user with one name, looked at through its descriptor; the files it makes
    // are their owner's only.
    int Open();
    int OpenTradingLog(CString account);
    // Finalizes the statement and closes the connection, each when there is one.
    void Close();
    // Why the last Open or OpenTradingLog failed: the file is not the user's own (a link,
    // another user's file, a second name of a file, not a regular file), or else None and the
    // system's error number (0 when there was none).
    FileRefusal OpenRefusal() const { return m_openRefusal; }
    int OpenError() const { return m_nOpenError; }

    // Strategy values.
    static int GetStrategyValue(const char* key, int defaultValue);
    // As GetStrategyValue, and tells whether the store could be read: false when it could not
    // be opened, the statement was rejected or the read failed (locked, not a database).
    static int ReadStrategyValue(const char* key, int defaultValue, bool* read);
    int SetStrategyValue(const char* key, int value);
    static int SaveStrategyBatch(const StrategyValue* records);

    // Accounts.
    static int SaveAccount(int server_type, const char* id, const char* passwd, const char* cert_passwd,
                           const char* account_number, const char* account_passwd, int server_type2,
                           const char* id2, const char* passwd2, const char* cert_passwd2,
                           const char* account_number2, const char* account_passwd2, const char* trade_item,
                           const char* ident_code, const char* sub_password);
    static int ResetLogin(const char* id);
    static int LoadServerTypes(int* server_type, int* server_type2);
    // Texts go into buffers of kAccountTextSize bytes, ident_code and sub_password into
    // kAccountLongTextSize bytes.
    static int LoadAccount(int* server_type, char* id, char* passwd, char* cert_passwd, char* account_number,
                           char* account_passwd, int* server_type2, char* id2, char* passwd2,
                           char* cert_passwd2, char* account_number2, char* account_passwd2, char* trade_item,
                           char* ident_code, char* sub_password);
    static int SaveSubPassword(const char* subPassword);
    static int LoadSubPassword(char* subPassword, int size);

    // Items: the ten slots of the trading state.
    static int SaveItems(const TradeItem* items);
    static int LoadItems(TradeItem* items);
    static int SaveCurrentItemIndex(int index);

    // The reads of the trading logs for one refill of the history: together they wait at most
    // kTradingLogWaitMs for the engines' commits, however many logs they read. A read outside
    // such a group waits that long alone. Groups nest: the outermost one counts.
    class TradingLogReads {
    public:
        explicit TradingLogReads(CTradeDataBase* db);
        ~TradingLogReads();
        TradingLogReads(const TradingLogReads&) = delete;
        TradingLogReads& operator=(const TradingLogReads&) = delete;

    private:
        CTradeDataBase* m_pDB;
    };
    // The trading log that the current (or last) group of reads refused to read, and why: a
    // link, another user's file ... (None when every log it opened was the user's own; a log
    // locked past the wait or damaged is not refused).
    FileRefusal RefusedTradingLog(CString* path) const {
        *path = m_strRefusedLog;
        return m_refusedLog;
    }

    // Trading logs and statistics. An account without a log, or whose log has no table yet,
    // has no trades (0 rows). A log that cannot be read (not opened, locked past the wait,
    // damaged) gives -1 and leaves `rows` as they were; LoadTradingLog returns the rows of
    // both accounts, or -1 when either log could not be read.
    static int LoadTradingLog(std::vector<TradeLogRow>& rows, const char* firstAccount,
                              const char* secondAccount, const char* fromDay, const char* toDay);
    int QueryTradingLog(std::vector<TradeLogRow>& rows, const char* account, const char* fromDay,
                        const char* toDay);
    static int QueryPeriodStatistics(std::vector<StatRow>& rows, const char* account, int kind);

    sqlite3* m_pDB = nullptr;
    sqlite3_stmt* m_pStmt = nullptr;

private:
    FileRefusal m_openRefusal = FileRefusal::None;
    int m_nOpenError = 0;
    // The wait left to the current group of trading-log reads, and how deep the groups are.
    int m_nLogWaitLeftMs = kTradingLogWaitMs;
    int m_nLogReadDepth = 0;
    FileRefusal m_refusedLog = FileRefusal::None;
    CString m_strRefusedLog;
    // A connection kept between reads to a trading log in write-ahead mode, to learn of its
    // commits.
    struct LogWatch {
        sqlite3* db = nullptr;
        sqlite3_stmt* version = nullptr;
        unsigned long long device = 0;
        unsigned long long inode = 0;
        unsigned long long serial = 0;
    };
    std::map<std::string, LogWatch> m_logWatches;
    unsigned long long m_nWatchSerial = 0;
    static void CloseWatch(LogWatch& watch);
    static int WaitForCommit(void* store, int attempts);
    friend bool StampTradingLog(const char* account, TradingLogStamp* stamp);

    // The one store the class-level operations work on; null before start-up.
    static CTradeDataBase* Store() { return g_pTradeDataBase; }
    int OpenFile(const std::string& hostPath, int flags, int busyWaitMs);
    // A trading log opened for a query: 1 open, 0 no log (no trades), -1 cannot be opened.
    int OpenTradingLogToRead(const char* account);
    // Compiles a query of the open trading log: 1 compiled, 0 the log has no table yet, -1
    // failed; the last two have closed it.
    int PrepareTradingLogRead(const CString& sql);
    // Runs one statement on the open connection; its error text is released unread.
    int Execute(const CString& sql);
    // The fallback update of a strategy value on the open connection: 1 only when it changed
    // the key's row. An update that matches no row succeeds in SQLite and stores nothing.
    static int UpdateWrote(CTradeDataBase* db, const char* key, int value);
    // Compiles one statement into m_pStmt; 1 when it compiled.
    int Prepare(const CString& sql);
    // Opens the main store and steps `sql` once: 1 leaves the first row to read and the store
    // open; 0 (no row) and -1 (store not opened, statement rejected, the step failed) have
    // closed it.
    int StepFirstRow(const CString& sql);
    // Open, one statement, close: 1 when the statement ran.
    int WriteStatement(const CString& sql);
    // Column text of the current row in the ANSI code page; NULL gives an empty text.
    CString ColumnText(int column) const;
    // Numbers of the current row, read from the column text as atoi and atof read it, held
    // within int32 and finite. A value SQLite holds as a number is taken as it is held, which
    // gives the same number without a round trip through text.
    int ColumnInt(int column) const;
    double ColumnDouble(int column) const;
    // The column text copied into a buffer of `size` bytes, cut to fit; returns its length.
    int CopyColumnText(char* buffer, int size, int column) const;
};

// The main store as the program names it, for the operator's messages.
CString MainStorePath();
// An account's trading log, as the program names it.
CString TradingLogStorePath(const CString& account);

// An account's trading log as a read would find it, taken without reading its rows: the file
// (identity, size, time and header), whose header counts every commit in rollback mode. Once
// a log is seen in write-ahead mode, whose header does not, the store keeps a connection to it
// between reads and takes the file's identity and SQLite's data version on that connection,
// which moves with every commit of another connection however coarse the file system's clock.
// Equal stamps: a read gives the same rows.
struct TradingLogStamp {
    FileStamp file;
    // The kept connection that counted (a new one counts afresh), and its count.
    unsigned long long watch = 0;
    long long dataVersion = 0;
    bool operator==(const TradingLogStamp&) const = default;
};
// False when the log could not be looked at (no store object, not a regular file, its count
// not to be had at that moment); the stamp then tells nothing.
bool StampTradingLog(const char* account, TradingLogStamp* stamp);

// Sort order of the trade records: by exit time.
bool TradeLogRowLess(const TradeLogRow& a, const TradeLogRow& b);

// A text to splice between single quotes, its quotes doubled so that it stays one literal.
// A broken code-page sequence is replaced first: a lone lead byte would otherwise take the
// closing quote with it when the statement is converted to UTF-8.
CString SqlText(const char* text);

// Text at the store boundary. AnsiToUtf8's array is released by the caller with delete[].
char* AnsiToUtf8(const CString& text);
CString Utf8ToAnsi(const char* text);
