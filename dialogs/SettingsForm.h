// A settings form: a table of controls, each bound to one strategy value of the trading state
// with the conversion between what the control shows and what the store holds.
#pragma once

#include <cstdint>
#include <span>

#include "platform/ui/Afx.h"
#include "store/TradeState.h"

// How a control shows its value and reads it back.
enum class Conversion {
    Check,        // checked when non-zero; any checked state reads 1
    InverseCheck, // checked when zero; reads 0 when checked
    Number,       // "%d", read with atoi
    TenThousands, // shown in 만원, held in won
    Hundredths,   // shown with two decimals, held in hundredths
    Index,        // the selected item; -1 when none
    ShownOnly,    // ten-thousands, never read back
};

struct FormField {
    int id;
    Conversion conversion;
    int32_t CTradeState::*value;
    // An edit's label and unit as the operator reads them, named when an entry does not fit.
    const char* name = nullptr;
    const char* unit = "";
};

// Shows every value in its control of the dialog; a control the dialog lacks is passed over.
void ShowForm(CWnd& dialog, std::span<const FormField> form, const CTradeState& state);
// Whether every edit's entry fits its value. The first that does not is named with its largest
// (or smallest) value in a box, and takes the focus with its entry selected, so that nothing
// is stored smaller than it shows.
bool FormEntriesFit(CWnd& dialog, std::span<const FormField> form);
// Reads every control back into its value, in the form's order (ShownOnly fields are left).
void ReadForm(CWnd& dialog, std::span<const FormField> form, CTradeState& state);
