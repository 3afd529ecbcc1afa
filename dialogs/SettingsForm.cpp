#include "dialogs/SettingsForm.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "platform/core/Numbers.h"

namespace {

int ReadNumber(CWnd& edit) {
    CString text;
    edit.GetWindowText(text);
    return ReadInt32(text.GetString());
}

// Hundredths from an entry with decimals, truncated towards zero.
int ReadHundredths(CWnd& edit) {
    CString text;
    edit.GetWindowText(text);
    const double value = std::atof(text) * 100.0;
    if (std::isnan(value))
        return 0;
    return static_cast<int>(
        std::clamp(std::trunc(value), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

void ShowNumber(CWnd& edit, int value) {
    CString text;
    text.Format("%d", value);
    edit.SetWindowText(text);
}

void ShowField(CWnd& control, Conversion conversion, int value) {
    switch (conversion) {
    case Conversion::Check:
        control.SendMessage(BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED);
        break;
    case Conversion::InverseCheck:
        control.SendMessage(BM_SETCHECK, value == 0 ? BST_CHECKED : BST_UNCHECKED);
        break;
    case Conversion::Number:
        ShowNumber(control, value);
        break;
    case Conversion::Hundredths: {
        CString text;
        text.Format("%.2f", value * 0.01);
        control.SetWindowText(text);
        break;
    }
    case Conversion::TenThousands:
    case Conversion::ShownOnly:
        ShowNumber(control, WonToTenThousands(value));
        break;
    case Conversion::Index:
        // A value without an item leaves the combo without a selection.
        control.SendMessage(CB_SETCURSEL, static_cast<WPARAM>(value));
        break;
    }
}

int ReadField(CWnd& control, Conversion conversion) {
    switch (conversion) {
    case Conversion::Check:
        return control.SendMessage(BM_GETCHECK) != BST_UNCHECKED ? 1 : 0;
    case Conversion::InverseCheck:
        return control.SendMessage(BM_GETCHECK) != BST_UNCHECKED ? 0 : 1;
    case Conversion::TenThousands:
        // An entry beyond what the won value can hold is taken as the largest that fits.
        return TenThousandsToWon(ReadNumber(control));
    case Conversion::Hundredths:
        return ReadHundredths(control);
    case Conversion::Index:
        return static_cast<int>(control.SendMessage(CB_GETCURSEL));
    case Conversion::Number:
    case Conversion::ShownOnly:
        break;
    }
    return ReadNumber(control);
}

} // namespace

void ShowForm(CWnd& dialog, std::span<const FormField> form, const CTradeState& state) {
    for (const FormField& f : form)
        if (CWnd* control = dialog.GetDlgItem(f.id))
            ShowField(*control, f.conversion, state.*f.value);
}

void ReadForm(CWnd& dialog, std::span<const FormField> form, CTradeState& state) {
    for (const FormField& f : form) {
        CWnd* control = dialog.GetDlgItem(f.id);
        if (control && f.conversion != Conversion::ShownOnly)
            state.*f.value = ReadField(*control, f.conversion);
    }
}
