#pragma once

#include <string_view>
#include <vector>

#include "tools/ovardx/serve/ServeConfig.h"

namespace ovardx::serve {

// Finds the configured key an "Authorization: Bearer KEY" header names.
// Every configured key is checked, whichever matches, so the time an answer
// takes tells nothing about which key came close.
class Authentication {
public:
    explicit Authentication(std::vector<ApiKey> keys) : keys_(std::move(keys)) {}

    // The key, or nullptr for a missing, malformed or unknown one.
    const ApiKey* Find(std::string_view authorizationHeader) const;

    const std::vector<ApiKey>& Keys() const { return keys_; }

private:
    std::vector<ApiKey> keys_;
};

}  // namespace ovardx::serve
