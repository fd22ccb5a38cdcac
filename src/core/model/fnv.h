// The 64-bit FNV-1a hash: of the files a plan writes and reads (their
// manifest and a session's model), and of the identities the random
// streams are seeded from.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace zov {

inline constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
inline constexpr std::uint64_t kFnvPrime = 1099511628211ull;

// The hash of bytes continued from hash (kFnvOffset for a fresh one):
// hashing a text in pieces gives the hash of the whole.
inline std::uint64_t Fnv1a(std::string_view bytes, std::uint64_t hash = kFnvOffset) {
  for (char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= kFnvPrime;
  }
  return hash;
}

// The hash as manifests, sessions and plans write it: 16 lowercase
// hexadecimal digits.
inline std::string FnvHex(std::uint64_t hash) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace zov
