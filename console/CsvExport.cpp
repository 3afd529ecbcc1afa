// The history list written to a CSV file in the base folder.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "console/CSVFile.h"
#include "console/VossenApp.h"
#include "console/VossenDlg.h"
#include "platform/core/Time.h"
#include "store/TradeDataBase.h"

namespace {

// Rows taken from the list in one message and gathered before they are written.
constexpr int kRowsPerBlock = 4096;
// The trade view's columns in the file's order, and where its number columns begin.
constexpr int kTradeColumns[] = {0, 8, 9, 10, 1, 2, 3, 4, 5, 6, 7};
constexpr int kTradeFirstNumber = 6;
constexpr int kStatisticsColumns[] = {1, 2, 3, 4, 5};
constexpr int kStatisticsFirstNumber = 2;

// CSV lines gathered before they are written.
class LineBlock {
public:
    void Clear() { m_used = 0; }
    const char* Data() const { return m_bytes.data(); }
    std::size_t Size() const { return m_used; }
    void Add(const std::string_view* fields, int count) {
        const std::size_t room = CCSVFile::RowRoom(fields, count);
        if (m_bytes.size() < m_used + room)
            m_bytes.resize(std::max(2 * m_bytes.size(), m_used + room));
        m_used = static_cast<std::size_t>(CCSVFile::AppendRow(m_bytes.data() + m_used, fields, count) -
                                          m_bytes.data());
    }

private:
    std::vector<char> m_bytes;
    std::size_t m_used = 0;
};

// One list row as a CSV line: the number columns lose their thousands separators.
template <std::size_t N>
void AddListRow(LineBlock& block, std::string& digits, const std::string_view* cells, int count,
                const int (&columns)[N], std::size_t firstNumber) {
    std::string_view fields[N];
    std::size_t room = 0;
    for (std::size_t i = 0; i < N; ++i) {
        fields[i] = columns[i] < count ? cells[columns[i]] : std::string_view();
        if (i >= firstNumber)
            room += fields[i].size();
    }
    // Sized before any is copied, so the views into it stay valid.
    if (digits.size() < room)
        digits.resize(room);
    char* out = digits.data();
    for (std::size_t i = firstNumber; i < N; ++i) {
        char* const start = out;
        for (const char ch : fields[i])
            if (ch != ',')
                *out++ = ch;
        fields[i] = std::string_view(start, static_cast<std::size_t>(out - start));
    }
    block.Add(fields, static_cast<int>(N));
}

} // namespace

void CVossenDlg::OnBnClickedExcelSave() {
    // Rows that could not be read are not saved as if the list were whole. A log that is not
    // the user's own file is never read, however often the export is tried.
    if (!ReadHistoryAgainIfUnread()) {
        CString log;
        const FileRefusal refusal =
            g_pTradeDataBase ? g_pTradeDataBase->RefusedTradingLog(&log) : FileRefusal::None;
        CString text = "매매내역을 읽지 못해 파일로 저장하지 않았습니다.\n잠시 후 다시 저장하십시오.";
        if (refusal != FileRefusal::None)
            text.Format(
                "매매내역을 읽지 못해 파일로 저장하지 않았습니다.\n%s 파일을 읽지 않습니다.\n이유: %s",
                log.GetString(), FileRefusalText(refusal).GetString());
        AfxMessageBox(text, MB_OK | MB_ICONSTOP);
        return;
    }
    const __time64_t now = _time64(nullptr);
    struct tm local = {};
    int year = 0, month = 0, day = 0;
    if (_localtime64_s(&local, &now) == 0) {
        year = local.tm_year + 1900;
        month = local.tm_mon + 1;
        day = local.tm_mday;
    }

    const bool tradeView = m_nViewMode < 2;
    CString stem;
    stem.Format(tradeView ? "%04d%02d%02d_list" : "%04d%02d%02d_stats", year, month, day);
    const char* suffix = m_nViewMode == 3 ? "Month" : m_nViewMode == 1 ? "All" : "Day";
    CString path;
    path.Format("%s\\%s_%s.csv", theApp.GetBasePath().GetString(), stem.GetString(), suffix);

    {
        // A file that cannot be opened or written ends the export with the framework's report;
        // the file of that name keeps what it held, as the rows go to it only when written whole.
        CCSVFile file(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeText);
        CStringArray fields;
        if (tradeView) {
            for (const char* header : {"번호", "거래일", "진입시각", "청산시각", "포지션", "매매수량",
                                       "진입가", "청산가", "청산손익", "수수료", "종목코드"})
                fields.Add(header);
        } else {
            for (const char* header : {"기준일", "매매횟수", "청산손익", "수수료", "순손익"})
                fields.Add(header);
        }
        file.WriteRow(fields);
        fields.RemoveAll();

        LineBlock block;
        std::string digits;
        const ListRowReader reader = [&](const std::string_view* cells, int count) {
            if (tradeView)
                AddListRow(block, digits, cells, count, kTradeColumns, kTradeFirstNumber);
            else
                AddListRow(block, digits, cells, count, kStatisticsColumns, kStatisticsFirstNumber);
        };
        const int rows = m_listHistory.GetItemCount();
        for (int first = 0; first < rows; first += kRowsPerBlock) {
            block.Clear();
            m_listHistory.ReadRows(first, kRowsPerBlock, reader);
            file.WriteString(block.Data(), block.Size());
        }
        // The last lines reach the disk here: a failure now is reported like any other, and
        // the export does not claim success.
        file.Close();
    }
    AfxMessageBox("매매내역이 파일로 저장되었습니다.", MB_OK);
}
