// Hash indexes for the large look-up tables of a load (node keys, element
// identifiers), on a flat hash map: tables of hundreds of thousands of keys
// stay cheap where node-based maps spend most of their time in cache misses
// and in the allocator. Also the search for equal texts among many, by
// sorting their hashes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>

namespace zov {

// The library's string hash for std::string_view keys of flat hash maps:
// the library hashes its own view type, and would hash a std::string_view
// with the standard library's slower hash.
struct ViewHash {
  std::size_t operator()(std::string_view s) const {
    return absl::Hash<absl::string_view>{}(absl::string_view(s.data(), s.size()));
  }
};

// The hash of a key: eight bytes at a time (the keys are short).
inline std::uint64_t HashKey(std::string_view k) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ k.size();
  std::size_t i = 0;
  for (; i + 8 <= k.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, k.data() + i, 8);
    h = (h ^ w) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  }
  std::uint64_t w = 0;
  if (i < k.size()) std::memcpy(&w, k.data() + i, k.size() - i);
  h = (h ^ w) * 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 29;
  h *= 0xFF51AFD7ED558CCDull;
  return h ^ (h >> 32);
}

template <typename V>
class StringIndex {
 public:
  std::size_t size() const { return map_.size(); }
  bool empty() const { return map_.empty(); }
  void clear() { map_.clear(); }
  void reserve(std::size_t n) { map_.reserve(n); }

  // The value of key; nullptr when there is none. A pointer stays valid
  // until the next insert.
  V* find(std::string_view key) {
    const auto it = map_.find(View(key));
    return it == map_.end() ? nullptr : &it->second;
  }
  const V* find(std::string_view key) const { return const_cast<StringIndex*>(this)->find(key); }
  bool contains(std::string_view key) const { return map_.contains(View(key)); }

  // The value of key, made from value when missing; the bool says it was made.
  std::pair<V*, bool> try_emplace(std::string_view key, V value = V()) {
    const auto [it, made] = map_.try_emplace(View(key), std::move(value));
    return {&it->second, made};
  }
  V& operator[](std::string_view key) { return *try_emplace(key).first; }
  bool erase(std::string_view key) { return map_.erase(View(key)) != 0; }

 private:
  // The library's own view type, which its string hash takes.
  static absl::string_view View(std::string_view key) { return absl::string_view(key.data(), key.size()); }
  absl::flat_hash_map<std::string, V> map_;
};

// For each of n texts, the position of the first text equal to it (its own
// when none comes before). The texts are hashed and the hashes sorted, so
// that the work runs over memory in order rather than probing a table at
// random.
template <typename Text>
std::vector<std::uint32_t> FirstOfEqual(std::size_t n, Text text) {
  struct Item {
    std::uint64_t hash;
    std::uint32_t index;
  };
  std::vector<Item> items(n);
  for (std::size_t i = 0; i < n; ++i) items[i] = {HashKey(text(i)), static_cast<std::uint32_t>(i)};
  // Equal hashes keep their texts in order.
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.hash < b.hash; });
  std::vector<std::uint32_t> first(n);
  std::vector<std::uint32_t> distinct;  // the first of each text in a run of equal hashes
  for (std::size_t run = 0; run < n;) {
    std::size_t end = run + 1;
    while (end < n && items[end].hash == items[run].hash) ++end;
    distinct.clear();
    for (std::size_t k = run; k < end; ++k) {
      const std::uint32_t i = items[k].index;
      first[i] = i;
      for (std::uint32_t d : distinct)
        if (text(d) == text(i)) {
          first[i] = d;
          break;
        }
      if (first[i] == i) distinct.push_back(i);
    }
    run = end;
  }
  return first;
}

}  // namespace zov
