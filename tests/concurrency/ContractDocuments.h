#pragma once

#include <string>
#include <vector>

namespace ovardx::testing {

// A contract document with one record per number, each a copy of the first
// contract the database exports under that number (no UUID, so every one
// is new unless its number is saved already).
std::string NewContractsDocument(const std::string& props, const std::vector<std::string>& numbers);

// "prefix-001" ... : count numbers.
std::vector<std::string> Numbers(const std::string& prefix, int count);

}  // namespace ovardx::testing
