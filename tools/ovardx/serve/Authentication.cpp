#include "tools/ovardx/serve/Authentication.h"

#include "tools/ovardx/serve/KeyHash.h"

namespace ovardx::serve {

namespace {

// The token of "Bearer TOKEN" (the scheme in any letter case), or nothing.
std::string_view BearerToken(std::string_view header) {
    constexpr std::string_view kScheme = "bearer ";
    if (header.size() <= kScheme.size()) return {};
    for (std::size_t i = 0; i < kScheme.size(); ++i)
        if ((header[i] | 0x20) != kScheme[i]) return {};
    std::string_view token = header.substr(kScheme.size());
    while (!token.empty() && token.front() == ' ') token.remove_prefix(1);
    while (!token.empty() && token.back() == ' ') token.remove_suffix(1);
    return token;
}

}  // namespace

const ApiKey* Authentication::Find(std::string_view authorizationHeader) const {
    const std::string_view token = BearerToken(authorizationHeader);
    if (!IsAcceptableKey(token)) return nullptr;
    const ApiKey* found = nullptr;
    for (const ApiKey& key : keys_)
        if (KeyMatches(token, key.hash) && found == nullptr) found = &key;
    return found;
}

}  // namespace ovardx::serve
