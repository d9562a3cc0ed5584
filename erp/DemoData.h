#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "erp/DemoDatabase.h"
#include "erp/DemoTarget.h"
#include "ovardx/DateTime.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::erp {

// Pseudo-random numbers for the demo data (splitmix64): the same seed gives
// the same sequence with every compiler and library, which the standard
// distributions do not promise.
class DemoRandom {
public:
    explicit DemoRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next();
    // A whole number in [low, high].
    int Between(int low, int high);
    // True in about `percent` cases out of 100.
    bool Percent(int percent);
    // An amount with two decimals in [low, high].
    double Money(double low, double high);
    // A UUID in the ERP's text form, upper-case "8-4-4-4-12" hex digits.
    std::string Uuid();

    template <class T>
    const T& Pick(const std::vector<T>& values) {
        return values[static_cast<std::size_t>(Between(0, static_cast<int>(values.size()) - 1))];
    }

private:
    std::uint64_t state_;
};

// The demo calendar: day 0 is 2025-01-01.
DateTime DemoDay(int day);

// Writes all demo rows into a database that holds the ERP schema and no
// rows, inside the caller's transaction, and counts them in `summary`. The
// same rows, in the same order, whatever the target.
void WriteDemoData(DemoTarget& target, int scale, std::uint64_t seed, DemoSummary& summary);
void WriteDemoData(sqlite::Database& db, int scale, std::uint64_t seed, DemoSummary& summary);

}  // namespace ovardx::erp
