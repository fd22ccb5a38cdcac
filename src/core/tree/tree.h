// Keyed tree store: the seven trees that hold everything the program knows.
//
// A tree is a forest of nodes. Every node has a key unique within its tree,
// a text, an image key (its kind), a tag and a few marks. Nodes are only ever
// appended, as the last child of a parent or at the top level, so the node
// collection (1-based, insertion order) is also the order of node ids. A node
// is removed together with its branch; later nodes move up in the collection.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <absl/hash/hash.h>

#include "tree/colors.h"
#include "tree/node_text.h"
#include "tree/string_index.h"

namespace zov {

// A model element's identifier has 12 characters; a node key is an
// identifier, possibly followed by a link or copy suffix.
inline constexpr std::size_t kIdentifierLength = 12;

// A node kind as a node holds it: a number, read as the kind's one copy
// (the image list's own text for its keys, else a copy kept for the life
// of the program). Two bytes where a view takes sixteen, as a tree has
// millions of nodes and a few kinds.
class NodeImage {
 public:
  NodeImage() = default;
  explicit NodeImage(std::string_view kind);
  operator std::string_view() const;  // NOLINT: reads as the kind's text
  std::string_view text() const { return *this; }
  bool empty() const { return code_ == 0; }
  friend bool operator==(NodeImage a, NodeImage b) { return a.code_ == b.code_; }
  friend bool operator==(NodeImage a, std::string_view b) { return a.text() == b; }
  friend bool operator==(NodeImage a, const char* b) { return a.text() == std::string_view(b); }
  friend std::ostream& operator<<(std::ostream& out, NodeImage image);

 private:
  std::uint16_t code_ = 0;  // 0: no kind
};

using NodeId = std::int32_t;  // stable handle of a node within its tree
inline constexpr NodeId kNoNode = 0;

struct Node {
  // The key, which never changes: a view of the tree's key store, where it
  // stays while the node lives.
  std::string_view key;
  NodeText text;
  Color foreColor = kDefaultForeColor;
  Color backColor = kDefaultBackColor;

  NodeId parent = kNoNode;
  NodeId child = kNoNode;  // first child
  NodeId lastChild = kNoNode;
  NodeId next = kNoNode;  // next sibling
  NodeId previous = kNoNode;
  int children = 0;
  // The hash of the key (32 bits, which fit where the node has room), kept
  // for the tree's key index: growing the index or adding a node hashes no
  // key again.
  std::uint32_t keyHash = 0;
  // The node kind, one of the keys of ImageList1.
  NodeImage image;
  bool bold : 1 = false;
  bool checked : 1 = false;
  bool expanded : 1 = false;
  bool alive : 1 = false;
};
static_assert(sizeof(Node) <= 72);

// The keys of a tree's nodes, end to end in the buffers of a monotonic
// resource, which never move: a node holds a view of its key rather than a
// string of its own, as a key is written once and most are longer than a
// string keeps in place. The keys of removed nodes stay until the tree is
// cleared, as their node slots do.
class KeyStore {
 public:
  std::string_view keep(std::string_view key) {
    if (key.empty()) return {};
    char* at = static_cast<char*>(pool_->allocate(key.size(), 1));
    std::copy(key.begin(), key.end(), at);
    return {at, key.size()};
  }
  void clear() { pool_->release(); }

 private:
  // Behind a pointer, so that the store moves with its tree.
  std::unique_ptr<std::pmr::monotonic_buffer_resource> pool_ = std::make_unique<std::pmr::monotonic_buffer_resource>();
};

// An array that grows in blocks that never move: growing copies no
// element and never holds an old and a new array at once, and an element's
// address stays the same while the array grows. For the node table of a
// tree and its per-node arrays, which reach millions of entries.
template <typename T, std::size_t kBits = 10>
class BlockArray {
 public:
  BlockArray() = default;
  BlockArray(std::size_t n, const T& value) { assign(n, value); }
  BlockArray(const BlockArray& other) : size_(other.size_) {
    blocks_.reserve(other.blocks_.size());
    for (const auto& block : other.blocks_) {
      blocks_.push_back(std::make_unique<T[]>(kMask + 1));
      std::copy(block.get(), block.get() + kMask + 1, blocks_.back().get());
    }
  }
  BlockArray& operator=(const BlockArray& other) {
    if (this != &other) *this = BlockArray(other);
    return *this;
  }
  BlockArray(BlockArray&&) noexcept = default;
  BlockArray& operator=(BlockArray&&) noexcept = default;
  T& operator[](std::size_t i) { return blocks_[i >> kBits][i & kMask]; }
  const T& operator[](std::size_t i) const { return blocks_[i >> kBits][i & kMask]; }
  std::size_t size() const { return size_; }
  T& emplace_back() {
    if (size_ == blocks_.size() << kBits) blocks_.push_back(std::make_unique<T[]>(kMask + 1));
    return (*this)[size_++];
  }
  void push_back(T value) { emplace_back() = std::move(value); }
  // n copies of value, and nothing else.
  void assign(std::size_t n, const T& value) {
    blocks_.clear();
    size_ = 0;
    for (std::size_t i = 0; i < n; ++i) push_back(value);
  }

 private:
  static constexpr std::size_t kMask = (std::size_t{1} << kBits) - 1;
  std::vector<std::unique_ptr<T[]>> blocks_;
  std::size_t size_ = 0;
};

// The nodes of a tree; slot 0 stands for kNoNode.
using NodeStore = BlockArray<Node, 9>;

// Receives every change of a tree, so that a view can follow the store
// without copying it. Row numbers are 0-based positions among the siblings.
class TreeObserver {
 public:
  virtual ~TreeObserver() = default;
  virtual void nodeAboutToBeAdded(NodeId parent, int row) = 0;
  virtual void nodeAdded(NodeId node) = 0;
  virtual void nodeAboutToBeRemoved(NodeId node, int row) = 0;
  virtual void nodeRemoved() = 0;
  virtual void nodeChanged(NodeId node) = 0;
  virtual void expandedChanged(NodeId node) = 0;
  virtual void selectionChanged(NodeId node) = 0;
  virtual void treeAboutToBeReset() = 0;
  virtual void treeReset() = 0;
};

class Tree {
 public:
  Tree() = default;
  // A copy of the nodes, their tags and the indexes, without the observer.
  Tree(const Tree& other);
  Tree& operator=(const Tree&) = delete;
  Tree(Tree&&) = default;
  Tree& operator=(Tree&&) = default;

  // Adds a node as the last child of the node keyed parentKey. Returns
  // kNoNode, leaving the tree unchanged, when the key already exists or the
  // parent does not.
  NodeId addChild(std::string_view parentKey, std::string_view key, std::string_view text, std::string_view image);
  NodeId addChild(NodeId parent, std::string_view key, std::string_view text, std::string_view image);
  // Adds a node at the top level; kNoNode when the key already exists.
  NodeId addTop(std::string_view key, std::string_view text, std::string_view image);

  // Removes the node and its whole branch.
  void remove(NodeId node);
  void clear();
  // The nodes of saved (a copy taken earlier) replace this tree's in one
  // reset of the observer, which stays; a bulk update left open by work
  // that was broken off ends here.
  void restore(const Tree& saved);

  int count() const { return alive_; }
  bool empty() const { return alive_ == 0; }
  // The node at 1-based position index of the collection (kNoNode if out of range).
  NodeId at(int index) const;
  // The 1-based collection position of a node, 0 if it is not in the tree.
  int indexOf(NodeId node) const;
  NodeId find(std::string_view key) const;
  bool contains(std::string_view key) const { return find(key) != kNoNode; }
  bool valid(NodeId node) const;

  // Whether a node stands for the element with this identifier: the first
  // 12 characters of some key equal it. Answered from an index; the result
  // is the same as scanning the collection.
  bool isPresent(std::string_view identifier) const;
  // The first node, in collection order, that stands for the identifier.
  NodeId firstPresent(std::string_view identifier) const;
  // Every node that stands for it, in collection order, and how many.
  std::vector<NodeId> allPresent(std::string_view identifier) const;
  int presentCount(std::string_view identifier) const;

  const Node& node(NodeId id) const { return (*nodes_)[static_cast<std::size_t>(id)]; }
  // A node's tag, empty when it has none.
  const std::string& tag(NodeId id) const {
    const std::string* slot = tagSlot(id);
    return slot != nullptr ? *slot : kNoTag;
  }
  // The node after this one in collection order (kNoNode at the end);
  // nextInCollection(kNoNode) is the first node.
  NodeId nextInCollection(NodeId node) const;
  std::vector<NodeId> collection() const;
  // The live nodes in collection order, walked without a copy of their ids:
  // for loops that add and remove no node.
  class Walk {
   public:
    struct Iterator {
      const Tree* tree;
      NodeId id;
      NodeId operator*() const { return id; }
      Iterator& operator++() {
        id = tree->nextInCollection(id);
        return *this;
      }
      bool operator!=(const Iterator& other) const { return id != other.id; }
    };
    explicit Walk(const Tree& tree) : tree_(&tree) {}
    Iterator begin() const { return {tree_, tree_->nextInCollection(kNoNode)}; }
    Iterator end() const { return {tree_, kNoNode}; }

   private:
    const Tree* tree_;
  };
  Walk liveNodes() const { return Walk(*this); }
  // Top-level nodes in order.
  NodeId firstRoot() const { return firstRoot_; }
  int rootCount() const { return rootCount_; }
  // 0-based position of a node among its siblings (logarithmic time).
  int row(NodeId node) const;
  // The nth (0-based) child of parent, or of the top level when parent is
  // kNoNode (constant time).
  NodeId childAt(NodeId parent, int row) const;
  int depth(NodeId node) const;

  void setText(NodeId node, std::string_view text);
  void setImage(NodeId node, std::string_view image);
  void setTag(NodeId node, std::string_view tag);
  void setBold(NodeId node, bool bold);
  void setChecked(NodeId node, bool checked);
  void setForeColor(NodeId node, Color color);
  void setBackColor(NodeId node, Color color);
  void setExpanded(NodeId node, bool expanded);

  // The selected node and the drop-highlighted node, as a tree view has them.
  NodeId selected() const { return selected_; }
  void setSelected(NodeId node);
  NodeId dropHighlight() const { return dropHighlight_; }
  void setDropHighlight(NodeId node);

  void setObserver(TreeObserver* observer) { observer_ = observer; }
  // A bulk update is seen by the observer as one reset: it is told at the
  // start and at the end, and of nothing in between. Nested calls are counted.
  void beginBulkUpdate();
  void endBulkUpdate();

 private:
  NodeId append(NodeId parent, std::string_view key, std::string_view text, std::string_view image);
  void unlink(NodeId node);
  void forget(NodeId node);
  void fenwickAdd(NodeId id, int delta);
  int fenwickPrefix(NodeId id) const;
  Node& mut(NodeId id) { return (*nodes_)[static_cast<std::size_t>(id)]; }
  bool notifying() const { return observer_ != nullptr && bulk_ == 0; }
  void changed(NodeId node);

  // The tags, kept beside the nodes in blocks made when a node of the block
  // gets its first tag: most trees (the test cases, the specification)
  // hold none, and the nodes stay smaller for it.
  static constexpr std::size_t kTagBits = 10;
  static constexpr std::size_t kTagMask = (std::size_t{1} << kTagBits) - 1;
  static const std::string kNoTag;
  std::vector<std::unique_ptr<std::string[]>> tags_;
  // Where a node's tag is kept; nullptr while its block has none.
  std::string* tagSlot(NodeId id) const {
    const auto block = static_cast<std::size_t>(id) >> kTagBits;
    return block < tags_.size() && tags_[block] ? &tags_[block][static_cast<std::size_t>(id) & kTagMask] : nullptr;
  }
  // Behind a pointer, so that the key index below, which reads the keys
  // from it, follows the tree when the tree is moved.
  std::unique_ptr<NodeStore> nodes_ = std::make_unique<NodeStore>(1, Node{});
  // Where the nodes' keys are; moved with the tree, its blocks stay put.
  KeyStore keys_;
  // Node ids follow insertion order, so the collection is the live ids in
  // ascending order; a Fenwick tree over the live flags turns a 1-based
  // collection index into an id and back in logarithmic time. Its slots
  // are counted up to fenwickCounted_; the slots of the nodes appended
  // since are counted together when a position is next asked for, so that
  // a load appending hundreds of thousands of nodes counts them in one run.
  // The const reads that count them make the tree unsafe to read from two
  // threads at once.
  mutable BlockArray<int> fenwick_{1, 0};
  mutable NodeId fenwickCounted_ = 0;
  void countUp() const;
  int alive_ = 0;
  // The live nodes chained in ascending id order, so that walking the
  // collection costs the live nodes, however many were removed before.
  // Chained from the first removal on (linked_): until then every node is
  // live and the next in the collection is the next id.
  BlockArray<NodeId> liveNext_{1, kNoNode};
  BlockArray<NodeId> livePrevious_{1, kNoNode};
  NodeId liveFirst_ = kNoNode;
  NodeId liveLast_ = kNoNode;
  bool linked_ = false;
  void linkUp();
  // The children in sibling order of each parent whose rows were asked for
  // (kNoNode for the top level): a view asks for those of the nodes it
  // shows, a load for none. Siblings are only ever appended, so each list
  // is in ascending id order and a node's row is found by binary search.
  mutable absl::flat_hash_map<NodeId, std::vector<NodeId>> listed_;
  const std::vector<NodeId>& childrenOf(NodeId parent) const;
  // The live nodes by key: a set of ids hashed by their keys, so that no
  // key is held twice.
  struct KeyHash {
    using is_transparent = void;
    const NodeStore* store;
    std::size_t operator()(std::string_view k) const {
      return static_cast<std::uint32_t>(absl::Hash<absl::string_view>{}(absl::string_view(k.data(), k.size())));
    }
    std::size_t operator()(NodeId id) const { return (*store)[static_cast<std::size_t>(id)].keyHash; }
  };
  struct KeyEq {
    using is_transparent = void;
    const NodeStore* store;
    std::string_view key(NodeId id) const { return (*store)[static_cast<std::size_t>(id)].key; }
    bool operator()(NodeId a, NodeId b) const { return a == b; }
    bool operator()(NodeId a, std::string_view b) const { return key(a) == b; }
    bool operator()(std::string_view a, NodeId b) const { return a == key(b); }
  };
  absl::flat_hash_set<NodeId, KeyHash, KeyEq> byKey_{0, KeyHash{nodes_.get()}, KeyEq{nodes_.get()}};
  // The nodes of each 12-character prefix, chained in ascending id order
  // (ids only grow) through two arrays indexed by node.
  struct Chain {
    NodeId first = kNoNode;
    NodeId last = kNoNode;
    int count = 0;
  };
  // The nodes up to chained_ are in their chains; those appended since are
  // chained together when a prefix is next looked up, as the Fenwick tree's
  // slots are counted; the two arrays reach them only then, so that a tree
  // asked for no prefix keeps none.
  const Chain* chainOf(std::string_view identifier) const;
  void chainUp() const;
  mutable StringIndex<Chain> byPrefix_;
  mutable BlockArray<NodeId> sameNext_{1, kNoNode};
  mutable BlockArray<NodeId> samePrevious_{1, kNoNode};
  mutable NodeId chained_ = 0;
  NodeId firstRoot_ = kNoNode;
  NodeId lastRoot_ = kNoNode;
  int rootCount_ = 0;
  NodeId selected_ = kNoNode;
  NodeId dropHighlight_ = kNoNode;
  TreeObserver* observer_ = nullptr;
  int bulk_ = 0;
};

// A node named by its key, or by the path of its names from the top level
// ("Customer/Withdraw Cash"; a name is the text after its weight label).
// The first match in sibling order is taken; kNoNode when there is none.
NodeId FindByKeyOrPath(const Tree& tree, std::string_view keyOrPath);
// The path of names of a node, as FindByKeyOrPath reads it.
std::string PathOf(const Tree& tree, NodeId node);

// The seven trees of the main window, TV(0) to TV(6).
inline constexpr int kTreeCount = 7;
enum TreeIndex : int {
  kMainTree = 0,
  kUitTree = 1,
  kSpecTree = 2,
  kSelectedTestCases = 3,
  kNotLinkedTree = 4,
  kSelectionTree = 5,
  kDesignTree = 6,
};

class Trees {
 public:
  Tree& operator()(int index) { return trees_.at(static_cast<std::size_t>(index)); }
  const Tree& operator()(int index) const { return trees_.at(static_cast<std::size_t>(index)); }

 private:
  std::array<Tree, kTreeCount> trees_;
};

}  // namespace zov
