#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

#include "console/CSVFile.h"
#include "support/TempDrive.h"

namespace {

constexpr UINT kCsvFlags = CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeText;

CStringArray Row(std::initializer_list<const char*> fields) {
    CStringArray row;
    for (const char* f : fields)
        row.Add(f);
    return row;
}

std::string ReadAll(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

TEST(CSVFile, RowsAreQuotedOnlyWhereNeeded) {
    TempDrive drive;
    {
        CCSVFile file("C:\\rows.csv", kCsvFlags);
        file.WriteRow(Row({"기준일", "매매횟수", "", "1234.50"}));
        file.WriteRow(Row({"A,B", "say \"hi\"", "\"", "x"}));
        file.WriteRow(Row({"line\nbreak", "cr\ronly", "종목,코드"}));
        file.WriteRow(CStringArray());
        file.WriteRow(Row({""}));
    }
    // CP949 bytes as they are, no BOM, CR LF line ends, a quoted line break stays in its row.
    EXPECT_EQ(ReadAll(drive.Root() + "/rows.csv"),
              "\xB1\xE2\xC1\xD8\xC0\xCF,\xB8\xC5\xB8\xC5\xC8\xBD\xBC\xF6,,1234.50\r\n"
              "\"A,B\",\"say \"\"hi\"\"\",\"\"\"\",x\r\n"
              "\"line\r\nbreak\",\"cr\ronly\",\"\xC1\xBE\xB8\xF1,\xC4\xDA\xB5\xE5\"\r\n"
              "\r\n"
              "\r\n");
}
