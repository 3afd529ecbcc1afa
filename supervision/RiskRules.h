// The daily risk rules on the combined figures, and the figure of theirs the main window shows.
#pragma once

class CTradeState;
class CTraderLink;

// After an account-information record: the profit stop, else the loss stop, each posted to
// both engines and counted as pending however many are pending already.
void ApplyInfoRules(CTradeState& s, CTraderLink& link);

// After an account-update record: the first rule that holds and is not pending, posted to
// the engines that run (the profit reserve to both), counted and its timer armed.
void ApplyUpdateRules(CTradeState& s, CTraderLink& link);

// The fall from the day's peak that the profit reserve allows, in won: the trigger as a
// percentage of the peak, or in units of 10,000 won. Exact; the rule compares it truncated
// toward zero, the window shows it as it is.
double ProfitReserveAllowance(const CTradeState& s);
