// Records what SQLite does in this process, through a hook on every connection it opens.
#pragma once

#include <string>
#include <vector>

// Every statement SQLite runs in this process while it lives, and every connection opened.
class SqlTrace {
public:
    SqlTrace();
    ~SqlTrace();
    SqlTrace(const SqlTrace&) = delete;
    SqlTrace& operator=(const SqlTrace&) = delete;

    std::vector<std::string> statements;
    int connections = 0;
    int commits = 0;
    // How many statements began with `prefix`.
    int CountStarting(const char* prefix) const;
};
