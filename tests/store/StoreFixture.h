// A temporary drive C: with the base folder and a main store holding the three tables, and
// the one store object in g_pTradeDataBase.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "store/TradeDataBase.h"
#include "support/SqlTrace.h"
#include "support/TempDrive.h"

struct sqlite3;

// Rows of a query on a host file, each value as UTF-8 text ("NULL" for NULL).
using TextRows = std::vector<std::vector<std::string>>;
TextRows QueryFile(const std::string& hostPath, const char* sql);
void ExecFile(const std::string& hostPath, const char* sql);

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Host path of the main store.
    std::string MainPath() const;
    TextRows Main(const char* sql) const { return QueryFile(MainPath(), sql); }
    void MainExec(const char* sql) const { ExecFile(MainPath(), sql); }
    // VnStrategy of the main store, name to value.
    std::map<std::string, int> StoredValues() const;
    // Makes the main store unopenable: its name becomes a folder.
    void BlockMainStore() const;

    TempDrive drive;
    CTradeDataBase store;
};
