// The collections of a reader's elements: for each element, its lists of
// elements by slot (a package's use cases, a diagram's messages ...).
//
// Most elements own no list or a few, and a reader fills them while it
// makes its elements, in order. Each element's lists are chained from a
// table indexed by the element, so that a list is found by a short walk
// over memory just written rather than by a probe into a hash table of
// hundreds of thousands of keys.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model_source.h"

namespace zov {

class Collections {
 public:
  void clear() {
    first_.clear();
    lists_.clear();
  }
  // Room for that many elements and half as many lists: the table of lists
  // then never copies itself as it grows (room not written costs no memory).
  void reserve(std::size_t elements) {
    first_.reserve(elements);
    lists_.reserve(elements / 2);
  }

  // The list of an element's slot; nullptr when it has none.
  const std::vector<Handle>* find(Handle owner, std::uint8_t slot) const {
    if (owner.id <= 0 || static_cast<std::size_t>(owner.id) >= first_.size()) return nullptr;
    for (std::uint32_t i = first_[static_cast<std::size_t>(owner.id)]; i != kNone; i = lists_[i].next)
      if (lists_[i].slot == slot) return &lists_[i].items;
    return nullptr;
  }
  // The list of an element's slot, made empty when missing. The reference
  // holds until the next list is made; the items it holds stay where they
  // are until they are changed.
  std::vector<Handle>& at(Handle owner, std::uint8_t slot) {
    const auto o = static_cast<std::size_t>(owner.id);
    if (o >= first_.size()) first_.resize(o + 1, kNone);
    std::uint32_t* link = &first_[o];
    for (; *link != kNone; link = &lists_[*link].next)
      if (lists_[*link].slot == slot) return lists_[*link].items;
    *link = static_cast<std::uint32_t>(lists_.size());
    lists_.push_back({kNone, slot, {}});
    return lists_.back().items;
  }
  // Appends an item to an element's list (the owner a real element).
  void add(Handle owner, std::uint8_t slot, Handle item) {
    if (owner.id > 0 && item) at(owner, slot).push_back(item);
  }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;
  struct List {
    std::uint32_t next;
    std::uint8_t slot;
    std::vector<Handle> items;
  };
  std::vector<std::uint32_t> first_;  // by element: its first list, in the order made
  std::vector<List> lists_;
};

}  // namespace zov
