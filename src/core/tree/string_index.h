// Hash indexes for the large look-up tables of a load (node keys, element
// identifiers): open addressing over one flat slot array, the entries in
// the slots, keys of up to twelve characters too and longer ones in one
// block of text. A look-up touches a slot (and a longer key's text), and an
// insert allocates nothing but the occasional growth, so tables of hundreds
// of thousands of keys stay cheap where node-based maps spend most of their
// time in cache misses and in the allocator. Also the search for equal
// texts among many, by sorting their hashes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tree/large_memory.h"

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

// Fetches the slot a hash falls on in a power-of-two table into the cache.
// Without a branch: GCC drops a prefetch that sits behind a test of the
// table's size. An empty table prefetches its null data, which is harmless.
template <typename Slot>
inline void PrefetchSlot(const Slot* slots, std::size_t size, std::uint64_t hash) {
  const std::size_t mask = size - (size != 0);
  __builtin_prefetch(slots + (hash & mask));
}

// The slots of an open-addressing table for n entries: a power of two, at
// least `least`, that keeps the table at most half full.
inline std::size_t TableCapacity(std::size_t n, std::size_t least = 16) {
  std::size_t c = least;
  while (c < 2 * n) c *= 2;
  return c;
}

// Hashes the key of each of n items in order and hands item and hash to
// visit, with the index slot of each hash fetched some items ahead, so that
// the cache misses of a table larger than the cache overlap.
template <typename Index, typename Key, typename Visit>
void VisitPrefetched(const Index& index, std::size_t n, Key key, Visit visit) {
  constexpr std::size_t kAhead = 16;
  std::uint64_t hashes[kAhead] = {};
  for (std::size_t i = 0; i < n + kAhead; ++i) {
    if (i >= kAhead) visit(i - kAhead, hashes[i % kAhead]);
    if (i < n) {
      hashes[i % kAhead] = HashKey(key(i));
      index.prefetch(hashes[i % kAhead]);
    }
  }
}

template <typename V>
class StringIndex {
 public:
  std::size_t size() const { return live_; }
  bool empty() const { return live_ == 0; }

  void clear() {
    slots_.clear();
    text_.clear();
    live_ = 0;
    dead_ = 0;
  }

  void reserve(std::size_t n) {
    if (2 * n > slots_.size()) rehash(TableCapacity(n));
  }

  V* find(std::string_view key) { return findHashed(key, HashKey(key)); }
  V* findHashed(std::string_view key, std::uint64_t hash) {
    const std::size_t at = locate(key, hash);
    return at == kNone ? nullptr : &slots_[at].value;
  }
  // Fetches the slot of a hash into the cache, ahead of a look-up or an
  // insert of it: a run of them over a table larger than the cache then
  // waits for its misses together rather than one by one.
  void prefetch(std::uint64_t hash) const { PrefetchSlot(slots_.data(), slots_.size(), hash); }
  const V* find(std::string_view key) const { return const_cast<StringIndex*>(this)->find(key); }
  bool contains(std::string_view key) const { return find(key) != nullptr; }

  // The value of key, made from value when missing; the bool says it was made.
  std::pair<V*, bool> try_emplace(std::string_view key, V value = V()) {
    return emplaceHashed(key, HashKey(key), std::move(value));
  }
  std::pair<V*, bool> emplaceHashed(std::string_view key, std::uint64_t hash, V value) {
    if (const std::size_t at = locate(key, hash); at != kNone) return {&slots_[at].value, false};
    if (2 * (live_ + 1) > slots_.size()) rehash(TableCapacity(live_ + 1));
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].size != kEmpty) i = (i + 1) & mask;
    Slot& slot = slots_[i];
    slot.hash = hash;
    slot.size = static_cast<std::uint32_t>(key.size());
    if (key.size() <= kInline) {
      std::memcpy(slot.text, key.data(), key.size());
    } else {
      const auto offset = static_cast<std::uint32_t>(text_.size());
      std::memcpy(slot.text, &offset, sizeof offset);
      text_.append(key);
    }
    slot.value = std::move(value);
    ++live_;
    return {&slot.value, true};
  }
  V& operator[](std::string_view key) { return *try_emplace(key).first; }

  // Takes key out; the text of erased keys is taken back once it is more
  // than that of the live ones.
  bool erase(std::string_view key) {
    const std::size_t at = locate(key, HashKey(key));
    if (at == kNone) return false;
    if (slots_[at].size > kInline) dead_ += slots_[at].size;
    --live_;
    // Backward shift: the slots after the hole that may move into it do.
    const std::size_t mask = slots_.size() - 1;
    std::size_t hole = at;
    for (std::size_t i = (hole + 1) & mask; slots_[i].size != kEmpty; i = (i + 1) & mask) {
      const std::size_t home = slots_[i].hash & mask;
      if (((i - home) & mask) >= ((i - hole) & mask)) {
        slots_[hole] = std::move(slots_[i]);
        hole = i;
      }
    }
    slots_[hole] = Slot{};
    if (dead_ > 4096 && dead_ > text_.size() / 2) rehash(slots_.size());
    return true;
  }

 private:
  static constexpr std::size_t kNone = ~std::size_t{0};
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  // The entries live in the slots themselves, and so do keys of up to
  // twelve characters (identifiers): a look-up reads one slot and, for a
  // longer key whose whole hash matches, the key's text.
  static constexpr std::size_t kInline = 12;
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t size = kEmpty;
    char text[kInline] = {};  // the key, or the offset of its text
    V value{};
  };
  std::string_view keyOf(const Slot& s) const {
    if (s.size <= kInline) return std::string_view(s.text, s.size);
    std::uint32_t offset;
    std::memcpy(&offset, s.text, sizeof offset);
    return std::string_view(text_.data() + offset, s.size);
  }

  std::size_t locate(std::string_view key, std::uint64_t hash) const {
    if (slots_.empty()) return kNone;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (s.size == kEmpty) return kNone;
      if (s.hash == hash && s.size == key.size() && keyOf(s) == key) return i;
    }
  }
  // Grows (or tidies, at the same capacity) the slots; the text of erased
  // keys is dropped on the way.
  void rehash(std::size_t capacity) {
    std::vector<Slot, ScatteredAllocator<Slot>> old(capacity);
    old.swap(slots_);
    std::string text;
    text.reserve(text_.size() - dead_);
    const std::size_t mask = slots_.size() - 1;
    for (Slot& s : old) {
      if (s.size == kEmpty) continue;
      if (s.size > kInline) {
        const auto offset = static_cast<std::uint32_t>(text.size());
        text.append(keyOf(s));
        std::memcpy(s.text, &offset, sizeof offset);
      }
      std::size_t i = s.hash & mask;
      while (slots_[i].size != kEmpty) i = (i + 1) & mask;
      slots_[i] = std::move(s);
    }
    text_ = std::move(text);
    dead_ = 0;
  }

  std::vector<Slot, ScatteredAllocator<Slot>> slots_;
  std::string text_;
  std::size_t live_ = 0;
  std::size_t dead_ = 0;  // bytes of text of erased keys
};

// Sorts items stably by the lowest bits (a multiple of 16) of a 64-bit key,
// 16 bits at a time.
template <typename T, typename Key>
void RadixSort(std::vector<T>& items, int bits, Key key) {
  std::vector<T> buffer(items.size());
  std::vector<std::size_t> counts(1u << 16);
  for (int shift = 0; shift < bits; shift += 16) {
    std::fill(counts.begin(), counts.end(), 0);
    for (const T& it : items) ++counts[(key(it) >> shift) & 0xFFFF];
    std::size_t at = 0;
    for (std::size_t& c : counts) {
      const std::size_t k = c;
      c = at;
      at += k;
    }
    for (const T& it : items) buffer[counts[(key(it) >> shift) & 0xFFFF]++] = it;
    items.swap(buffer);
  }
}

// For each of n texts, the position of the first text equal to it (its own
// when none comes before). The texts are hashed and the hashes sorted, so
// that the work runs over memory in order rather than probing a table at
// random: on hundreds of thousands of texts that is several times faster.
template <typename Text>
std::vector<std::uint32_t> FirstOfEqual(std::size_t n, Text text) {
  struct Item {
    std::uint64_t hash;
    std::uint32_t index;
  };
  std::vector<Item> items(n);
  for (std::size_t i = 0; i < n; ++i) items[i] = {HashKey(text(i)), static_cast<std::uint32_t>(i)};
  // Equal hashes keep their texts in order.
  RadixSort(items, 64, [](const Item& it) { return it.hash; });
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
      slots_.assign(TableCapacity(entries_.size() + 1), 0);
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
  std::vector<std::uint32_t, ScatteredAllocator<std::uint32_t>> slots_;  // 1-based entries; 0 is empty
  std::vector<Entry, ScatteredAllocator<Entry>> entries_;
};

}  // namespace zov
