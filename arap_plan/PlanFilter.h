#pragma once

#include <string>

#include "ovardx/ValueDictionary.h"

namespace ovardx {

// Source of the invalid-date error, as the ERP's clients know it.
inline constexpr const char* kPlanFilterSource = "ArDataExchange.clsArapPlan.GetList";
inline constexpr const char* kInvalidDateText = "无效的日期格式";

// The criteria of a plan filter text: parts split at every "||", each
// "key=value" with key and value trimmed of blanks (the value keeps every "="
// after the first). Parts without "=" are dropped. Keys match without regard
// to letter case. A "DateFrom" or "DateTo" that is no date raises 0x800400C8
// with the localized invalid-date text in language.
ValueDictionary ParsePlanFilter(const std::string& filterText, const std::string& language);

// The conditions the criteria add to the page statement, in the fixed order
// UUID, Number, Name, DateFrom, DateTo, TSql. Quoted values have their single
// quotes doubled; TSql goes in as it stands.
std::string PlanFilterConditions(const ValueDictionary& filter);

}  // namespace ovardx
