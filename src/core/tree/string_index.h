// A hash index from text keys to values, for the large look-up tables of a
// load (node keys, element identifiers): open addressing over one flat slot
// array, the keys copied into one block of text and the entries kept in
// insertion order. A look-up touches a slot, an entry and the key's text,
// and an insert allocates nothing but the occasional growth, so tables of
// hundreds of thousands of keys stay cheap where node-based maps spend most
// of their time in cache misses and in the allocator.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zov {

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
  std::size_t size() const { return live_; }
  bool empty() const { return live_ == 0; }

  void clear() {
    slots_.clear();
    entries_.clear();
    text_.clear();
    live_ = 0;
  }

  void reserve(std::size_t n) {
    entries_.reserve(n);
    if (2 * n > slots_.size()) rehash(Capacity(n));
  }

  V* find(std::string_view key) {
    const std::uint32_t at = locate(key, HashKey(key));
    return at == kNone ? nullptr : &entries_[slots_[at].entry - 1].value;
  }
  const V* find(std::string_view key) const { return const_cast<StringIndex*>(this)->find(key); }
  bool contains(std::string_view key) const { return find(key) != nullptr; }

  // The value of key, made from value when missing; the bool says it was made.
  std::pair<V*, bool> try_emplace(std::string_view key, V value = V()) {
    const std::uint64_t hash = HashKey(key);
    if (const std::uint32_t at = locate(key, hash); at != kNone) return {&entries_[slots_[at].entry - 1].value, false};
    if (2 * (live_ + 1) > slots_.size()) rehash(Capacity(live_ + 1));
    const auto offset = static_cast<std::uint32_t>(text_.size());
    text_.append(key);
    entries_.push_back({offset, static_cast<std::uint32_t>(key.size()), hash, std::move(value)});
    place({static_cast<std::uint32_t>(hash >> 32), static_cast<std::uint32_t>(entries_.size())}, hash);
    ++live_;
    return {&entries_.back().value, true};
  }
  V& operator[](std::string_view key) { return *try_emplace(key).first; }

  // Takes key out; the room of erased keys is taken back once they are
  // more than the live ones.
  bool erase(std::string_view key) {
    std::uint32_t at = locate(key, HashKey(key));
    if (at == kNone) return false;
    Entry& e = entries_[slots_[at].entry - 1];
    e.value = V();
    e.size = kErased;
    --live_;
    // Backward shift: the slots after the hole that may move into it do.
    const std::size_t mask = slots_.size() - 1;
    std::size_t hole = at;
    for (std::size_t i = (hole + 1) & mask; slots_[i].entry != 0; i = (i + 1) & mask) {
      const std::size_t home = HomeOf(i) & mask;
      if (((i - home) & mask) >= ((i - hole) & mask)) {
        slots_[hole] = slots_[i];
        hole = i;
      }
    }
    slots_[hole] = Slot{};
    if (entries_.size() > 1024 && entries_.size() > 2 * live_) compact();
    return true;
  }

  // Every live key and value, in insertion order.
  template <typename F>
  void forEach(F&& f) const {
    for (const Entry& e : entries_)
      if (e.size != kErased) f(std::string_view(text_.data() + e.offset, e.size), e.value);
  }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  static constexpr std::uint32_t kErased = 0xFFFFFFFFu;
  struct Slot {
    std::uint32_t tag = 0;    // the upper half of the key's hash
    std::uint32_t entry = 0;  // 1-based; 0 is an empty slot
  };
  struct Entry {
    std::uint32_t offset;
    std::uint32_t size;
    std::uint64_t hash;  // kept, so that growing never reads the keys again
    V value;
  };

  static std::size_t Capacity(std::size_t n) {
    std::size_t c = 16;
    while (c < 2 * n) c *= 2;
    return c;
  }
  std::string_view keyOf(const Entry& e) const { return std::string_view(text_.data() + e.offset, e.size); }
  std::uint64_t HomeOf(std::size_t slot) const { return entries_[slots_[slot].entry - 1].hash; }

  std::uint32_t locate(std::string_view key, std::uint64_t hash) const {
    if (slots_.empty()) return kNone;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (s.entry == 0) return kNone;
      if (s.tag == tag) {
        const Entry& e = entries_[s.entry - 1];
        if (e.size == key.size() && std::memcmp(text_.data() + e.offset, key.data(), key.size()) == 0)
          return static_cast<std::uint32_t>(i);
      }
    }
  }
  void place(Slot s, std::uint64_t hash) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].entry != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
  void compact() {
    std::vector<Entry> entries;
    std::string text;
    entries.reserve(live_);
    for (Entry& e : entries_) {
      if (e.size == kErased) continue;
      entries.push_back({static_cast<std::uint32_t>(text.size()), e.size, e.hash, std::move(e.value)});
      text.append(keyOf(e));
    }
    entries_ = std::move(entries);
    text_ = std::move(text);
    rehash(slots_.size());
  }
  void rehash(std::size_t capacity) {
    slots_.assign(capacity, Slot{});
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const Entry& e = entries_[i];
      if (e.size == kErased) continue;
      place({static_cast<std::uint32_t>(e.hash >> 32), static_cast<std::uint32_t>(i + 1)}, e.hash);
    }
  }

  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
  std::string text_;
  std::size_t live_ = 0;
};

// The same for integer keys (a handle and a slot packed in 64 bits, say).
template <typename V>
class IntIndex {
 public:
  void clear() {
    slots_.clear();
    entries_.clear();
  }
  V* find(std::uint64_t key) {
    if (slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Mix(key) & mask;; i = (i + 1) & mask) {
      const std::uint32_t e = slots_[i];
      if (e == 0) return nullptr;
      if (entries_[e - 1].key == key) return &entries_[e - 1].value;
    }
  }
  const V* find(std::uint64_t key) const { return const_cast<IntIndex*>(this)->find(key); }
  V& operator[](std::uint64_t key) {
    if (V* v = find(key)) return *v;
    if (2 * (entries_.size() + 1) > slots_.size()) {
      std::size_t c = 16;
      while (c < 2 * (entries_.size() + 1)) c *= 2;
      slots_.assign(c, 0);
      for (std::size_t i = 0; i < entries_.size(); ++i) place(entries_[i].key, static_cast<std::uint32_t>(i + 1));
    }
    entries_.push_back({key, V()});
    place(key, static_cast<std::uint32_t>(entries_.size()));
    return entries_.back().value;
  }

 private:
  struct Entry {
    std::uint64_t key;
    V value;
  };
  static std::uint64_t Mix(std::uint64_t k) {
    k ^= k >> 33;
    k *= 0xFF51AFD7ED558CCDull;
    k ^= k >> 33;
    return k;
  }
  void place(std::uint64_t key, std::uint32_t entry) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = Mix(key) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = entry;
  }
  std::vector<std::uint32_t> slots_;  // 1-based entries; 0 is empty
  std::vector<Entry> entries_;
};

}  // namespace zov
