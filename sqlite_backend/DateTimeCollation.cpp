#include "sqlite_backend/DateTimeCollation.h"

#include <sqlite3.h>

#include "ovardx/DateTime.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::sqlite {

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

int Collate(void*, int sizeA, const void* a, int sizeB, const void* b) noexcept {
    return CompareDateTimeTexts(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(sizeA)),
                                std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(sizeB)));
}

}  // namespace

int CompareDateTimeTexts(std::string_view a, std::string_view b) {
    // Most comparisons in a query meet equal texts or one form throughout;
    // equal bytes are equal values without parsing.
    if (a == b) return 0;
    const auto dateA = DateTime::Parse(a);
    const auto dateB = DateTime::Parse(b);
    if (dateA && dateB) {
        const auto order = *dateA <=> *dateB;
        return order < 0 ? -1 : order > 0 ? 1 : 0;
    }
    if (dateA) return -1;
    if (dateB) return 1;
    return Sign(a.compare(b));
}

void RegisterDateTimeCollation(sqlite3* db) {
    Check(sqlite3_create_collation_v2(db, kDateTimeCollation, SQLITE_UTF8, nullptr, &Collate, nullptr), db,
          kOpenError);
}

}  // namespace ovardx::sqlite
