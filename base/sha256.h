// SHA-256 and HMAC-SHA-256 (FIPS 180-4, RFC 2104): the keyed hash that
// tells whether a password is the one SAP refused without keeping anything
// from which it could be read back.
#ifndef TIDEWARDEN_BASE_SHA256_H_
#define TIDEWARDEN_BASE_SHA256_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tidewarden {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(std::string_view data);

// The HMAC of `message` under `key`, with SHA-256.
Sha256Digest HmacSha256(std::string_view key, std::string_view message);

// Lower-case hexadecimal, two digits per byte.
std::string HexText(std::string_view bytes);
std::string HexText(const Sha256Digest& digest);

}  // namespace tidewarden

#endif  // TIDEWARDEN_BASE_SHA256_H_
