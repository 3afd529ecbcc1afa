#include "support/SqlTrace.h"

#include <sqlite3.h>

#include <cstring>

namespace {

SqlTrace* g_trace = nullptr;

int OnStatement(unsigned, void*, void* p, void*) {
    if (g_trace) {
        char* sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(p));
        g_trace->statements.push_back(sql ? sql : "");
        sqlite3_free(sql);
    }
    return 0;
}

int OnCommit(void*) {
    if (g_trace)
        ++g_trace->commits;
    return 0;
}

// Called by SQLite for every connection it opens.
int OnOpen(sqlite3* db, const char**, const void*) {
    if (g_trace) {
        ++g_trace->connections;
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT, OnStatement, nullptr);
        sqlite3_commit_hook(db, OnCommit, nullptr);
    }
    return SQLITE_OK;
}

using AutoExtension = void (*)();

} // namespace

SqlTrace::SqlTrace() {
    g_trace = this;
    sqlite3_auto_extension(reinterpret_cast<AutoExtension>(OnOpen));
}

SqlTrace::~SqlTrace() {
    sqlite3_cancel_auto_extension(reinterpret_cast<AutoExtension>(OnOpen));
    g_trace = nullptr;
}

int SqlTrace::CountStarting(const char* prefix) const {
    int n = 0;
    for (const std::string& s : statements)
        if (s.compare(0, std::strlen(prefix), prefix) == 0)
            ++n;
    return n;
}
