// The daily risk rules' figures that the main window shows too.
#pragma once

class CTradeState;

// The fall from the day's peak that the profit reserve allows, in won: the trigger as a
// percentage of the peak, or in units of 10,000 won. Exact; the rule compares it truncated
// toward zero, the window shows it as it is.
double ProfitReserveAllowance(const CTradeState& s);
