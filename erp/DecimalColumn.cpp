#include "erp/DecimalColumn.h"

#include <cmath>
#include <string>

#include "ovardx/Error.h"

namespace ovardx::erp {

namespace {

constexpr double kLimit = 1e18;  // DECIMAL(28,10): 18 digits before the point

// Rounds to 10 decimal places. From 10^8 on a double holds no digit below
// the tenth place, so nothing is left to round.
double RoundToTenPlaces(double value) {
    if (std::fabs(value) >= 1e8) return value;
    return static_cast<double>(std::roundl(static_cast<long double>(value) * 1e10L) / 1e10L);
}

}  // namespace

Variant DecimalColumnValue(const Variant& value, std::string_view column, const char* source) {
    if (value.IsNull() || value.IsEmpty()) return Variant::Null();
    double number = 0;
    try {
        number = value.ToDouble();
    } catch (const Error&) {
        Raise(kConversionFailed, source,
              "Error converting data type nvarchar to numeric (" + std::string(column) + " '" + value.ToText() + "')");
    }
    if (!(std::fabs(number) < kLimit))
        Raise(kDataOverflow, source,
              "Arithmetic overflow error converting to data type numeric(28,10) (" + std::string(column) + " " +
                  value.ToText() + ")");
    return Variant(RoundToTenPlaces(number));
}

}  // namespace ovardx::erp
