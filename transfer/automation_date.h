// Automation dates (days since 30 December 1899, the fraction being the time of day) as the
// PIM export stores them, converted to and from calendar dates. Pure arithmetic.
#pragma once

#include <optional>
#include <string>

#include "db/value.h"

namespace velmora::transfer {

// The calendar date of an automation date; none for 0.0 (no date), NaN, infinities and values
// outside the years 100 … 9999.
std::optional<db::Date> AutomationDateToDate(double automation_date);
double DateToAutomationDate(const db::Date& date);
// "month/day/year" without leading zeros (1/1/2008); empty when there is no date.
std::string AutomationDateText(double automation_date);

}  // namespace velmora::transfer
