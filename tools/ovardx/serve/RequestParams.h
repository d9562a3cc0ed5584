#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ovardx::serve {

// A request the service refuses before the library sees it (answered 400).
class BadRequest : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The query parameters of one request, checked against what the endpoint
// takes: a name the endpoint does not know, or one given twice, is refused,
// so a request cannot slip in a user, a database or anything else unnoticed.
class RequestParams {
public:
    // params: name and value, in request order (duplicates included).
    RequestParams(const std::multimap<std::string, std::string>& params,
                  std::initializer_list<std::string_view> allowed);

    // The value, or fallback when absent.
    std::string Text(std::string_view name, std::string fallback = {}) const;
    std::int64_t Number(std::string_view name, std::int64_t low, std::int64_t high, std::int64_t fallback) const;
    // "1"/"true" or "0"/"false".
    bool Flag(std::string_view name, bool fallback) const;
    bool Has(std::string_view name) const { return values_.contains(name); }

private:
    std::map<std::string, std::string, std::less<>> values_;
};

// "timestamp": empty (from the beginning) or "0x" and 1 to 16 hex digits.
std::string TimeStampParam(const RequestParams& params);

// The plan filter text ("UUID=..||Number=..||DateFrom=..") from the query
// keys uuid, number, name, date-from and date-to, with the operator's TSql
// last. A value that could start another criterion ('|', "TSql") or is no
// date where a date belongs is refused.
std::string PlanFilterText(const RequestParams& params, const std::string& operatorTsql);

// "language": a language word, else the key's own.
std::string LanguageParam(const RequestParams& params, const std::string& keyLanguage);

}  // namespace ovardx::serve
