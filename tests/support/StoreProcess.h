// A second process on a store file, forked from the test: an engine reading the strategy
// values in a loop, or a writer holding the file's lock until it is told to let go.
#pragma once

#include <sys/types.h>

#include <string>

class StoreProcess {
public:
    enum class Kind {
        // Opens read-only, selects every row of VnStrategy and closes, again and again, with
        // the engines' wait for locks.
        StrategyReader,
        // Holds "BEGIN EXCLUSIVE" (nobody else reads or writes) until Stop.
        ExclusiveWriter,
        // Holds "BEGIN IMMEDIATE" with one row written (others read, nobody writes).
        ReservedWriter,
        // Commits one trade to VnTradingLog again and again, as an engine does, each commit
        // holding the file exclusively for a few milliseconds; the trades lie in 2099.
        TradeCommitter,
    };

    // Returns once the process has done its first read or holds its lock.
    StoreProcess(Kind kind, const std::string& hostPath);
    ~StoreProcess();
    StoreProcess(const StoreProcess&) = delete;
    StoreProcess& operator=(const StoreProcess&) = delete;

    // A writer lets go of its lock `ms` milliseconds from now, without being stopped.
    void LetGoAfter(int ms);
    // The process did its first read or holds its lock.
    bool Ready() const { return m_ready; }
    // Ends the process (a writer rolls back); returns how many rounds a reader completed,
    // 1 for a writer that held its lock, the commits of a committer, -1 when the process
    // failed.
    int Stop();

private:
    pid_t m_pid = -1;
    bool m_ready = false;
    int m_stop = -1;   // closed by Stop
    int m_report = -1; // the process's word: ready, then its count
};
