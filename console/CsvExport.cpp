// The history list written to a CSV file in the base folder.
#include "console/VossenDlg.h"

void CVossenDlg::OnBnClickedExcelSave() {}
