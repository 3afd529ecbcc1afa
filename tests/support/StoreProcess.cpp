#include "support/StoreProcess.h"

#include <poll.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <gtest/gtest.h>

namespace {

bool StopAsked(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0;
}

// One round as the engine stand-in reads its settings.
bool ReadStrategy(const std::string& path) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
    sqlite3_busy_timeout(db, 2000);
    sqlite3_stmt* stmt = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "select name, value from VnStrategy", -1, &stmt, nullptr) == SQLITE_OK;
    int rc = SQLITE_DONE;
    while (ok && (rc = sqlite3_step(stmt)) == SQLITE_ROW)
        sqlite3_column_text(stmt, 1);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return ok && rc == SQLITE_DONE;
}

// Commits until told to stop; the count of commits.
int CommitTrades(const std::string& path, int stop, int report) {
    constexpr int kHoldMs = 3;
    constexpr int kGapMs = 10;
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    sqlite3_busy_timeout(db, 2000);
    // The lock is held for the time said, not for a disk that a busy machine makes slow.
    ok = ok && sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr) == SQLITE_OK;
    int count = 0;
    bool told = false;
    while (ok && !StopAsked(stop, 0)) {
        ok = sqlite3_exec(db,
                          "BEGIN EXCLUSIVE; insert into VnTradingLog (tr_account, tr_out_time) values "
                          "('111', '20991231120000')",
                          nullptr, nullptr, nullptr) == SQLITE_OK;
        usleep(kHoldMs * 1000);
        ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        count += ok;
        if (!told) {
            char ready = ok ? 'r' : 'f';
            told = write(report, &ready, 1) == 1;
        }
        usleep(kGapMs * 1000);
    }
    if (!told) {
        char failed = 'f';
        told = write(report, &failed, 1) == 1;
    }
    sqlite3_close(db);
    return ok ? count : -1;
}

[[noreturn]] void RunChild(StoreProcess::Kind kind, const std::string& path, int stop, int report) {
    int count = 0;
    if (kind == StoreProcess::Kind::StrategyReader) {
        bool told = false;
        while (!StopAsked(stop, 0)) {
            if (ReadStrategy(path))
                ++count;
            if (!told) {
                char ready = 'r';
                told = write(report, &ready, 1) == 1;
            }
        }
    } else if (kind == StoreProcess::Kind::TradeCommitter) {
        count = CommitTrades(path, stop, report);
    } else {
        sqlite3* db = nullptr;
        bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK;
        const char* begin = kind == StoreProcess::Kind::ExclusiveWriter
                                ? "BEGIN EXCLUSIVE"
                                : "BEGIN IMMEDIATE; insert or replace into VnStrategy values ('held', 1)";
        ok = ok && sqlite3_exec(db, begin, nullptr, nullptr, nullptr) == SQLITE_OK;
        char ready = ok ? 'r' : 'f';
        if (write(report, &ready, 1) == 1 && ok) {
            int delay = 0;
            if (read(stop, &delay, sizeof delay) == sizeof delay)
                usleep(static_cast<useconds_t>(delay) * 1000);
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            count = 1;
        }
        sqlite3_close(db);
    }
    if (write(report, &count, sizeof count) != sizeof count)
        _exit(2);
    _exit(0);
}

} // namespace

StoreProcess::StoreProcess(Kind kind, const std::string& hostPath) {
    int stop[2], report[2];
    if (pipe(stop) != 0 || pipe(report) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0) {
        close(stop[1]);
        close(report[0]);
        RunChild(kind, hostPath, stop[0], report[1]);
    }
    close(stop[0]);
    close(report[1]);
    m_stop = stop[1];
    m_report = report[0];
    char ready = 0;
    ssize_t n;
    while ((n = read(m_report, &ready, 1)) < 0 && errno == EINTR) {
    }
    m_ready = n == 1 && ready == 'r';
}

void StoreProcess::LetGoAfter(int ms) {
    if (m_pid > 0 && write(m_stop, &ms, sizeof ms) != sizeof ms)
        ADD_FAILURE() << "the writer could not be told";
}

StoreProcess::~StoreProcess() {
    Stop();
}

int StoreProcess::Stop() {
    if (m_pid <= 0)
        return -1;
    close(m_stop);
    int count = -1;
    ssize_t n;
    while ((n = read(m_report, &count, sizeof count)) < 0 && errno == EINTR) {
    }
    if (n != sizeof count)
        count = -1;
    close(m_report);
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return count;
}
