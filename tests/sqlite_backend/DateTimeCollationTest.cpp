#include "sqlite_backend/DateTimeCollation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ovardx::sqlite {
namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(DateTimeCollationTest, OrdersDatesByValueAndOtherTextAfterThem) {
    struct {
        const char* a;
        const char* b;
        int order;
    } cases[] = {
        {"2025-07-14", "2025-07-14 00:00:00", 0},
        {"2025-07-14", "2025-07-14T00:00:00.000", 0},
        {"2025-7-4", "2025-07-04", 0},
        {"2025/07/14 10:00", "2025-07-14 10:00:00.000", 0},
        {"2025-07-14 00:00:00.001", "2025-07-14", 1},
        {"2025-07-13 23:59:59.999", "2025-07-14", -1},
        {"2025-07-14 9:00", "2025-07-14 10:00", -1},  // bytes would say the opposite
        {"9999-12-31", "someday", -1},
        {"2025-02-30", "1753-01-01", 1},  // no calendar date: after every date
        {"abc", "abd", -1},
        {"", "2025-01-01", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        EXPECT_EQ(Sign(CompareDateTimeTexts(c.a, c.b)), c.order);
        EXPECT_EQ(Sign(CompareDateTimeTexts(c.b, c.a)), -c.order);
    }
}

// SQLite relies on a collation being a total order: equal texts equal,
// antisymmetric, transitive.
TEST(DateTimeCollationTest, IsATotalOrder) {
    const std::vector<std::string> texts = {
        "2025-07-14", "2025-07-14 00:00:00", "2025-07-14T00:00:00.000", "2025-7-14 0:0", "2025-07-14 00:00:00.0004",
        "2025-07-14 10:00", "2024-02-29", "someday", "Someday", "", "2025-13-01", "2025-07-14x", "1753-01-01",
        "9999-12-31 23:59:59.999", std::string("2025-07-14\0", 11),
    };
    for (const std::string& a : texts) {
        EXPECT_EQ(CompareDateTimeTexts(a, a), 0) << a;
        for (const std::string& b : texts) {
            const int ab = Sign(CompareDateTimeTexts(a, b));
            ASSERT_EQ(ab, -Sign(CompareDateTimeTexts(b, a))) << a << " | " << b;
            for (const std::string& c : texts) {
                const int bc = Sign(CompareDateTimeTexts(b, c));
                const int ac = Sign(CompareDateTimeTexts(a, c));
                if (ab <= 0 && bc <= 0) {
                    ASSERT_LE(ac, 0) << a << " | " << b << " | " << c;
                }
                if (ab == 0 && bc == 0) {
                    ASSERT_EQ(ac, 0) << a << " | " << b << " | " << c;
                }
            }
        }
    }
}

}  // namespace
}  // namespace ovardx::sqlite
