#pragma once

#include <filesystem>

namespace ovardx::testing {

// Writes a new self-signed certificate for "localhost" and 127.0.0.1, and
// its private key, as PEM files.
void WriteSelfSignedCertificate(const std::filesystem::path& certificate, const std::filesystem::path& key);

}  // namespace ovardx::testing
