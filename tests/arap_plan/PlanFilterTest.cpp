#include "arap_plan/PlanFilter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ovardx/Error.h"

namespace ovardx {
namespace {

// What a filter text puts into the page statement, or the error it raises.
TEST(PlanFilterTest, FilterTextsAndTheConditionsTheyAdd) {
    const struct {
        const char* filter;
        std::optional<std::string> conditions;  // none: the invalid-date error
    } cases[] = {
        {"", ""},
        {"TSql=c.FRP=1", " and c.FRP=1"},  // the value keeps every later "="
        {"UUID=", ""},
        {"abc", ""},
        {"Foo=1", ""},
        {" Number = C001 || DateFrom=2005-1-7", " and i.FNumber='C001' and d.FDate>='2005-01-07'"},
        {"DateTo=2025-07-14||UUID=a'b||Name=O'Brien",
         " and i.uuid='a''b' and i.FName='O''Brien' and d.FDate<='2025-07-14'"},
        {"number=C002", " and i.FNumber='C002'"},  // keys without regard to case
        {"DateFrom=", std::nullopt},
        {"DateTo=abc", std::nullopt},
        {"datefrom=2025-02-30", std::nullopt},
        {"DATETO=2025-13-01", std::nullopt},
        {"TSql=a||b", " and a"},  // "||" always splits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        try {
            const std::string conditions = PlanFilterConditions(ParsePlanFilter(c.filter, "chs"));
            ASSERT_TRUE(c.conditions.has_value()) << "accepted: " << conditions;
            EXPECT_EQ(conditions, *c.conditions);
        } catch (const Error& error) {
            ASSERT_FALSE(c.conditions.has_value()) << error.record().Description;
            EXPECT_EQ(error.record(), (ErrorRecord{errnum::kApplicationError, kPlanFilterSource, kInvalidDateText}));
        }
    }
}

}  // namespace
}  // namespace ovardx
