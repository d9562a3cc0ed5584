#include "tools/ovardx/serve/KeyHash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace ovardx::serve {

namespace {

constexpr std::string_view kScheme = "sha256$";
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kDigestBytes = 32;
constexpr std::size_t kMinKey = 32;
constexpr std::size_t kMaxKey = 256;

using Bytes = std::vector<unsigned char>;

Bytes RandomBytes(std::size_t count) {
    Bytes bytes(count);
    if (RAND_bytes(bytes.data(), static_cast<int>(count)) != 1) throw std::runtime_error("OpenSSL has no random bytes");
    return bytes;
}

std::string Hex(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

bool IsHex(std::string_view text, std::size_t bytes) {
    return text.size() == 2 * bytes && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
}

Bytes FromHex(std::string_view text) {
    auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(nibble(text[i]) << 4 | nibble(text[i + 1])));
    return bytes;
}

Bytes Digest(const Bytes& salt, std::string_view key) {
    Bytes input(salt);
    input.insert(input.end(), key.begin(), key.end());
    Bytes digest(kDigestBytes);
    unsigned int length = 0;
    if (EVP_Digest(input.data(), input.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
        length != kDigestBytes)
        throw std::runtime_error("OpenSSL cannot compute SHA-256");
    OPENSSL_cleanse(input.data(), input.size());
    return digest;
}

bool IsTokenCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == '+' || c == '/';
}

}  // namespace

bool IsAcceptableKey(std::string_view key) {
    const std::size_t body = key.find_last_not_of('=') + 1;
    return key.size() >= kMinKey && key.size() <= kMaxKey && body > 0 &&
           std::all_of(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(body), IsTokenCharacter);
}

std::string NewKey() {
    Bytes bytes = RandomBytes(32);
    std::array<unsigned char, 48> encoded{};
    const int length = EVP_EncodeBlock(encoded.data(), bytes.data(), static_cast<int>(bytes.size()));
    OPENSSL_cleanse(bytes.data(), bytes.size());
    std::string key(reinterpret_cast<const char*>(encoded.data()), static_cast<std::size_t>(length));
    OPENSSL_cleanse(encoded.data(), encoded.size());
    std::replace(key.begin(), key.end(), '+', '-');
    std::replace(key.begin(), key.end(), '/', '_');
    key.erase(key.find_last_not_of('=') + 1);
    return key;
}

std::string HashKey(std::string_view key) {
    const Bytes salt = RandomBytes(kSaltBytes);
    return std::string(kScheme) + Hex(salt) + "$" + Hex(Digest(salt, key));
}

bool IsKeyHash(std::string_view text) {
    if (!text.starts_with(kScheme)) return false;
    text.remove_prefix(kScheme.size());
    const std::size_t dollar = text.find('$');
    return dollar != std::string_view::npos && IsHex(text.substr(0, dollar), kSaltBytes) &&
           IsHex(text.substr(dollar + 1), kDigestBytes);
}

bool KeyMatches(std::string_view key, std::string_view hash) {
    if (!IsKeyHash(hash)) return false;
    hash.remove_prefix(kScheme.size());
    const std::size_t dollar = hash.find('$');
    const Bytes expected = FromHex(hash.substr(dollar + 1));
    const Bytes actual = Digest(FromHex(hash.substr(0, dollar)), key);
    return CRYPTO_memcmp(expected.data(), actual.data(), kDigestBytes) == 0;
}

}  // namespace ovardx::serve
