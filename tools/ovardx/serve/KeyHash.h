#pragma once

#include <string>
#include <string_view>

namespace ovardx::serve {

// API keys are kept as "sha256$SALT$DIGEST": a random 16-byte salt and
// SHA-256(salt || key), both in lower-case hex (OpenSSL).
//
// Why salted SHA-256 and no slow KDF: keys are random machine secrets of at
// least 32 characters (`--new-key` makes 256-bit ones), so guessing one from
// its hash is out of reach whatever the hash costs. A slow KDF only pays off
// for low-entropy passwords, and here it would run for every configured key
// on every request, wrong keys included: CPU any caller could burn.

// Keys: 32 to 256 characters of the bearer-token alphabet
// (A-Z a-z 0-9 - . _ ~ + /, then '=' padding).
bool IsAcceptableKey(std::string_view key);

// A new key: 32 random bytes in base64url (43 characters).
std::string NewKey();

// The stored form of key, with a fresh salt each time.
std::string HashKey(std::string_view key);

// Whether text has the stored form.
bool IsKeyHash(std::string_view text);

// Whether key hashes to hash; the digests are compared in constant time.
bool KeyMatches(std::string_view key, std::string_view hash);

}  // namespace ovardx::serve
