#include "arap_plan/PlanFilter.h"

#include <string_view>

#include "ovardx/Error.h"
#include "session/LocalizedText.h"
#include "session/SqlText.h"

namespace ovardx {

namespace {

std::string TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

}  // namespace

ValueDictionary ParsePlanFilter(const std::string& filterText, const std::string& language) {
    ValueDictionary filter;
    std::string_view rest = filterText;
    while (!rest.empty()) {
        const std::size_t bar = rest.find("||");
        const std::string_view part = rest.substr(0, bar);
        rest = bar == std::string_view::npos ? std::string_view{} : rest.substr(bar + 2);

        const std::size_t equals = part.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string key = TrimBlanks(part.substr(0, equals));
        const std::string value = TrimBlanks(part.substr(equals + 1));
        // Keys are found without regard to case ("datefrom" sets DateFrom),
        // so the date check must match them the same way.
        if ((EqualsIgnoreCase(key, "DateFrom") || EqualsIgnoreCase(key, "DateTo")) && !DateTime::Parse(value))
            Raise(errnum::kApplicationError, kPlanFilterSource, LoadLocalizedText(kInvalidDateText, language));
        if (!key.empty()) filter.SetValue(key, value);
    }
    return filter;
}

std::string PlanFilterConditions(const ValueDictionary& filter) {
    auto valueOf = [&](const char* key) { return filter.GetValueOr(key, "").ToText(); };
    auto dateOf = [&](const char* key) { return filter.GetValue(key).ToDate().DateText(); };
    std::string conditions;
    if (!valueOf("UUID").empty()) conditions += " and i.uuid='" + QuoteSqlText(valueOf("UUID")) + "'";
    if (!valueOf("Number").empty()) conditions += " and i.FNumber='" + QuoteSqlText(valueOf("Number")) + "'";
    if (!valueOf("Name").empty()) conditions += " and i.FName='" + QuoteSqlText(valueOf("Name")) + "'";
    if (!valueOf("DateFrom").empty()) conditions += " and d.FDate>='" + dateOf("DateFrom") + "'";
    if (!valueOf("DateTo").empty()) conditions += " and d.FDate<='" + dateOf("DateTo") + "'";
    if (!valueOf("TSql").empty()) conditions += " and " + valueOf("TSql");
    return conditions;
}

}  // namespace ovardx
