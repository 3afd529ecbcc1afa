// The history list written to a CSV file in the base folder.
#include "console/CSVFile.h"
#include "console/VossenApp.h"
#include "console/VossenDlg.h"
#include "platform/core/Time.h"

namespace {

// The list's text of a number column, with the thousands separators taken out.
CString WithoutCommas(const CString& text) {
    CString plain(text);
    plain.Remove(',');
    return plain;
}

} // namespace

void CVossenDlg::OnBnClickedExcelSave() {
    // Rows that could not be read are not saved as if the list were whole.
    if (!ReadHistoryAgainIfUnread()) {
        AfxMessageBox("매매내역을 읽지 못해 파일로 저장하지 않았습니다.\n잠시 후 다시 저장하십시오.",
                      MB_OK | MB_ICONSTOP);
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
        // the file is closed on the way out.
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

        for (int row = 0; row < m_listHistory.GetItemCount(); ++row) {
            if (tradeView) {
                fields.Add(m_listHistory.GetItemText(row, 0));
                fields.Add(m_listHistory.GetItemText(row, 8));
                fields.Add(m_listHistory.GetItemText(row, 9));
                fields.Add(m_listHistory.GetItemText(row, 10));
                fields.Add(m_listHistory.GetItemText(row, 1));
                fields.Add(m_listHistory.GetItemText(row, 2));
                for (int column = 3; column <= 7; ++column)
                    fields.Add(WithoutCommas(m_listHistory.GetItemText(row, column)));
            } else {
                fields.Add(m_listHistory.GetItemText(row, 1));
                fields.Add(m_listHistory.GetItemText(row, 2));
                for (int column = 3; column <= 5; ++column)
                    fields.Add(WithoutCommas(m_listHistory.GetItemText(row, column)));
            }
            file.WriteRow(fields);
            fields.RemoveAll();
        }
        // The last lines reach the disk here: a failure now is reported like any other, and
        // the export does not claim success.
        file.Close();
    }
    AfxMessageBox("매매내역이 파일로 저장되었습니다.", MB_OK);
}
