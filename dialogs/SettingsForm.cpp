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

// Hundredths of an entry with decimals, truncated towards zero, not yet held within int32.
double EntryHundredths(CWnd& edit) {
    CString text;
    edit.GetWindowText(text);
    const double value = std::trunc(std::atof(text) * 100.0);
    return std::isnan(value) ? 0 : value;
}

int ReadHundredths(CWnd& edit) {
    return static_cast<int>(
        std::clamp(EntryHundredths(edit), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// What an edit's entry holds in the units of its conversion, before it is held within its value;
// false for controls that hold no entry.
bool Entry(CWnd& control, Conversion conversion, double* entry) {
    CString text;
    switch (conversion) {
    case Conversion::Number:
    case Conversion::TenThousands:
        control.GetWindowText(text);
        *entry = static_cast<double>(ReadInt64(text.GetString()));
        return true;
    case Conversion::Hundredths:
        *entry = EntryHundredths(control);
        return true;
    default:
        return false;
    }
}

// The range of entries a conversion keeps as they are, and the text of an end of it.
struct EntryRange {
    double lowest;
    double highest;
};
EntryRange RangeOf(Conversion conversion) {
    if (conversion == Conversion::TenThousands)
        return {-static_cast<double>(kMaxTenThousands), static_cast<double>(kMaxTenThousands)};
    return {static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)};
}
CString EndText(Conversion conversion, double end) {
    CString text;
    if (conversion == Conversion::Hundredths)
        text.Format("%.2f", end * 0.01);
    else
        text.Format("%.0f", end);
    return text;
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
        // FormEntriesFit refuses an entry beyond what the won value holds; none is read.
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

bool FormEntriesFit(CWnd& dialog, std::span<const FormField> form) {
    for (const FormField& f : form) {
        CWnd* control = dialog.GetDlgItem(f.id);
        double entry = 0;
        if (!control || f.conversion == Conversion::ShownOnly || !Entry(*control, f.conversion, &entry))
            continue;
        const EntryRange range = RangeOf(f.conversion);
        if (entry >= range.lowest && entry <= range.highest)
            continue;
        const bool high = entry > range.highest;
        CString text;
        text.Format(high ? "%s: %s%s까지 입력할 수 있습니다." : "%s: %s%s부터 입력할 수 있습니다.",
                    f.name ? f.name : "",
                    EndText(f.conversion, high ? range.highest : range.lowest).GetString(), f.unit);
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
        // As a failed exchange leaves it: the entry there to be corrected.
        control->SetFocus();
        control->SendMessage(EM_SETSEL, 0, -1);
        return false;
    }
    return true;
}

void ReadForm(CWnd& dialog, std::span<const FormField> form, CTradeState& state) {
    for (const FormField& f : form) {
        CWnd* control = dialog.GetDlgItem(f.id);
        if (control && f.conversion != Conversion::ShownOnly)
            state.*f.value = ReadField(*control, f.conversion);
    }
}
