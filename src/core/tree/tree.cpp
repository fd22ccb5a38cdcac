#include "tree/tree.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <ostream>
#include <set>

#include "tree/kinds.h"

namespace zov {

namespace {

// Every kind a node has had, by number (0: none): the image list's in its
// order (read from the list itself), then the others as they come, kept in
// blocks that never move, published once made, so that reading a node's
// kind takes no lock.
constexpr std::size_t kKindBlock = 256;
std::atomic<std::string_view*> kindBlocks[kKindBlock];
std::mutex kindGuard;
std::size_t kindCount = ImageList1.size() + 1;  // the next number; under kindGuard

std::uint16_t KindCode(std::string_view kind) {
  if (kind.empty()) return 0;
  // The image list's keys: their numbers are fixed.
  for (std::size_t i = 0; i < ImageList1.size(); ++i)
    if (ImageList1[i] == kind) return static_cast<std::uint16_t>(i + 1);
  // Kinds outside the list (a session or a test may name one) are few.
  static std::set<std::string, std::less<>> others;
  static absl::flat_hash_map<std::string_view, std::uint16_t> codes;
  const std::lock_guard<std::mutex> lock(kindGuard);
  if (const auto known = codes.find(kind); known != codes.end()) return known->second;
  if (kindCount >= kKindBlock * kKindBlock) return 0;  // more kinds than any model has
  const std::string_view kept = *others.emplace(kind).first;
  std::atomic<std::string_view*>& block = kindBlocks[kindCount / kKindBlock];
  if (block.load() == nullptr) block.store(new std::string_view[kKindBlock]());
  block.load()[kindCount % kKindBlock] = kept;
  const auto code = static_cast<std::uint16_t>(kindCount++);
  codes.emplace(kept, code);
  return code;
}

}  // namespace

NodeImage::NodeImage(std::string_view kind) : code_(KindCode(kind)) {}

NodeImage::operator std::string_view() const {
  if (code_ == 0) return {};
  if (code_ <= ImageList1.size()) return ImageList1[code_ - 1];
  return kindBlocks[code_ / kKindBlock].load()[code_ % kKindBlock];
}

std::ostream& operator<<(std::ostream& out, NodeImage image) { return out << image.text(); }

namespace {

std::string_view prefixOf(std::string_view key) { return key.substr(0, std::min(key.size(), kIdentifierLength)); }

int lowBit(int i) { return i & -i; }

}  // namespace

void Tree::fenwickAdd(NodeId id, int delta) {
  // Slots not counted yet are counted from the live flags later.
  for (int i = id; i <= fenwickCounted_; i += lowBit(i)) fenwick_[static_cast<std::size_t>(i)] += delta;
}

void Tree::countUp() const {
  const auto size = static_cast<NodeId>(fenwick_.size()) - 1;
  // Each slot holds the live nodes of the range (j - lowbit, j], found
  // from the slots before it.
  for (NodeId j = fenwickCounted_ + 1; j <= size; ++j)
    fenwick_[static_cast<std::size_t>(j)] =
        ((*nodes_)[static_cast<std::size_t>(j)].alive ? 1 : 0) + fenwickPrefix(j - 1) - fenwickPrefix(j - lowBit(j));
  fenwickCounted_ = size;
}

int Tree::fenwickPrefix(NodeId id) const {
  int sum = 0;
  for (int i = id; i > 0; i -= lowBit(i)) sum += fenwick_[static_cast<std::size_t>(i)];
  return sum;
}

bool Tree::valid(NodeId node) const {
  return node > 0 && static_cast<std::size_t>(node) < nodes_->size() && (*nodes_)[static_cast<std::size_t>(node)].alive;
}

NodeId Tree::addChild(std::string_view parentKey, std::string_view key, std::string_view text, std::string_view image) {
  const NodeId parent = find(parentKey);
  if (parent == kNoNode) return kNoNode;
  return append(parent, key, text, image);
}

NodeId Tree::addChild(NodeId parent, std::string_view key, std::string_view text, std::string_view image) {
  if (!valid(parent)) return kNoNode;
  return append(parent, key, text, image);
}

NodeId Tree::addTop(std::string_view key, std::string_view text, std::string_view image) {
  return append(kNoNode, key, text, image);
}

NodeId Tree::append(NodeId parent, std::string_view key, std::string_view text, std::string_view image) {
  const std::size_t hash = KeyHash{nodes_.get()}(key);
  if (byKey_.find(key, hash) != byKey_.end()) return kNoNode;

  const int row = parent == kNoNode ? rootCount_ : node(parent).children;
  if (notifying()) observer_->nodeAboutToBeAdded(parent, row);

  const auto id = static_cast<NodeId>(nodes_->size());
  // Made in place: the texts may be views of other nodes, which stay where they are.
  Node& fresh = nodes_->emplace_back();
  fresh.key = keys_.keep(key);
  fresh.keyHash = static_cast<std::uint32_t>(hash);
  fresh.text.assign(text);
  fresh.image = NodeImage(image);
  fresh.parent = parent;
  fresh.alive = true;
  if (const auto listed = listed_.find(parent); listed != listed_.end()) listed->second.push_back(id);

  fenwick_.push_back(0);  // counted when a position is next asked for
  ++alive_;
  if (linked_) {
    liveNext_.push_back(kNoNode);
    livePrevious_.push_back(liveLast_);
    if (liveLast_ != kNoNode) liveNext_[static_cast<std::size_t>(liveLast_)] = id;
  }
  if (liveLast_ == kNoNode) liveFirst_ = id;
  liveLast_ = id;

  if (parent == kNoNode) {
    Node& n = mut(id);
    n.previous = lastRoot_;
    if (lastRoot_ != kNoNode)
      mut(lastRoot_).next = id;
    else
      firstRoot_ = id;
    lastRoot_ = id;
    ++rootCount_;
  } else {
    Node& p = mut(parent);
    mut(id).previous = p.lastChild;
    if (p.lastChild != kNoNode)
      mut(p.lastChild).next = id;
    else
      p.child = id;
    p.lastChild = id;
    ++p.children;
  }

  byKey_.insert(id);

  if (notifying()) observer_->nodeAdded(id);
  return id;
}

void Tree::unlink(NodeId id) {
  Node& n = mut(id);
  if (n.previous != kNoNode)
    mut(n.previous).next = n.next;
  else if (n.parent != kNoNode)
    mut(n.parent).child = n.next;
  else
    firstRoot_ = n.next;
  if (n.next != kNoNode)
    mut(n.next).previous = n.previous;
  else if (n.parent != kNoNode)
    mut(n.parent).lastChild = n.previous;
  else
    lastRoot_ = n.previous;
  if (n.parent != kNoNode)
    --mut(n.parent).children;
  else
    --rootCount_;
  if (const auto listed = listed_.find(n.parent); listed != listed_.end()) {
    auto& siblings = listed->second;
    const auto at = std::lower_bound(siblings.begin(), siblings.end(), id);
    if (at != siblings.end() && *at == id) siblings.erase(at);
  }
}

namespace {

// The last node of a stack, taken off it; kNoNode when it is empty.
NodeId Pop(std::vector<NodeId>& stack) {
  if (stack.empty()) return kNoNode;
  const NodeId last = stack.back();
  stack.pop_back();
  return last;
}

}  // namespace

void Tree::forget(NodeId id) {
  // Depth-first over the branch without recursion: deep trees stay safe.
  // A leaf, the most removed, needs no stack.
  std::vector<NodeId> stack;
  linkUp();
  for (NodeId current = id; current != kNoNode; current = Pop(stack)) {
    for (NodeId c = node(current).child; c != kNoNode; c = node(c).next) stack.push_back(c);
    Node& n = mut(current);
    byKey_.erase(current);
    if (Chain* chain = current <= chained_ ? byPrefix_.find(prefixOf(n.key)) : nullptr) {
      const auto at = static_cast<std::size_t>(current);
      const NodeId before = samePrevious_[at], after = sameNext_[at];
      (before != kNoNode ? sameNext_[static_cast<std::size_t>(before)] : chain->first) = after;
      (after != kNoNode ? samePrevious_[static_cast<std::size_t>(after)] : chain->last) = before;
      sameNext_[at] = samePrevious_[at] = kNoNode;
      if (--chain->count == 0) byPrefix_.erase(prefixOf(n.key));
    }
    if (selected_ == current) selected_ = kNoNode;
    if (dropHighlight_ == current) dropHighlight_ = kNoNode;
    fenwickAdd(current, -1);
    --alive_;
    {
      const auto at = static_cast<std::size_t>(current);
      const NodeId before = livePrevious_[at], after = liveNext_[at];
      (before != kNoNode ? liveNext_[static_cast<std::size_t>(before)] : liveFirst_) = after;
      (after != kNoNode ? livePrevious_[static_cast<std::size_t>(after)] : liveLast_) = before;
    }
    listed_.erase(current);
    if (std::string* slot = tagSlot(current)) std::string().swap(*slot);
    n = Node{};  // releases the strings; alive is false
  }
}

void Tree::remove(NodeId id) {
  if (!valid(id)) return;
  const bool wasSelected = selected_ != kNoNode;
  if (notifying()) observer_->nodeAboutToBeRemoved(id, row(id));
  unlink(id);
  forget(id);
  if (notifying()) {
    observer_->nodeRemoved();
    if (wasSelected && selected_ == kNoNode) observer_->selectionChanged(kNoNode);
  }
}

Tree::Tree(const Tree& other)
    : nodes_(std::make_unique<NodeStore>(*other.nodes_)),
      fenwick_(other.fenwick_),
      fenwickCounted_(other.fenwickCounted_),
      alive_(other.alive_),
      liveNext_(other.liveNext_),
      livePrevious_(other.livePrevious_),
      liveFirst_(other.liveFirst_),
      liveLast_(other.liveLast_),
      linked_(other.linked_),
      byKey_(other.byKey_.begin(), other.byKey_.end(), other.byKey_.size(), KeyHash{nodes_.get()}, KeyEq{nodes_.get()}),
      byPrefix_(other.byPrefix_),
      sameNext_(other.sameNext_),
      samePrevious_(other.samePrevious_),
      chained_(other.chained_),
      firstRoot_(other.firstRoot_),
      lastRoot_(other.lastRoot_),
      rootCount_(other.rootCount_),
      selected_(other.selected_),
      dropHighlight_(other.dropHighlight_) {
  // The keys, into this tree's own store.
  for (std::size_t i = 1; i < nodes_->size(); ++i)
    if (Node& n = (*nodes_)[i]; n.alive) n.key = keys_.keep(n.key);
  tags_.reserve(other.tags_.size());
  for (const auto& block : other.tags_) {
    if (!block) {
      tags_.emplace_back();
      continue;
    }
    tags_.push_back(std::make_unique<std::string[]>(kTagMask + 1));
    std::copy(block.get(), block.get() + kTagMask + 1, tags_.back().get());
  }
}

void Tree::restore(const Tree& saved) {
  const bool open = bulk_ > 0;
  if (observer_ != nullptr && !open) observer_->treeAboutToBeReset();
  Tree copy(saved);
  TreeObserver* observer = observer_;
  *this = std::move(copy);
  observer_ = observer;
  bulk_ = 0;
  if (observer_ != nullptr) observer_->treeReset();
}

void Tree::clear() {
  if (notifying()) observer_->treeAboutToBeReset();
  nodes_->assign(1, Node{});
  keys_.clear();
  listed_.clear();
  tags_.clear();
  fenwick_.assign(1, 0);
  fenwickCounted_ = 0;
  alive_ = 0;
  liveNext_.assign(1, kNoNode);
  livePrevious_.assign(1, kNoNode);
  linked_ = false;
  liveFirst_ = liveLast_ = kNoNode;
  byKey_.clear();
  byPrefix_.clear();
  sameNext_.assign(1, kNoNode);
  samePrevious_.assign(1, kNoNode);
  chained_ = 0;
  firstRoot_ = lastRoot_ = kNoNode;
  rootCount_ = 0;
  selected_ = dropHighlight_ = kNoNode;
  if (notifying()) observer_->treeReset();
}

NodeId Tree::at(int index) const {
  if (index < 1 || index > alive_) return kNoNode;
  countUp();
  // Fenwick descent: the smallest id whose prefix count reaches index.
  int position = 0;
  int remaining = index;
  int step = 1;
  const int size = static_cast<int>(fenwick_.size()) - 1;
  while (step * 2 <= size) step *= 2;
  for (; step > 0; step /= 2) {
    const int probe = position + step;
    if (probe <= size && fenwick_[static_cast<std::size_t>(probe)] < remaining) {
      position = probe;
      remaining -= fenwick_[static_cast<std::size_t>(probe)];
    }
  }
  return position + 1;
}

int Tree::indexOf(NodeId id) const {
  if (!valid(id)) return 0;
  countUp();
  return fenwickPrefix(id);
}

NodeId Tree::find(std::string_view key) const {
  const auto it = byKey_.find(key);
  return it == byKey_.end() ? kNoNode : *it;
}

bool Tree::isPresent(std::string_view identifier) const { return firstPresent(identifier) != kNoNode; }

void Tree::chainUp() const {
  const auto size = static_cast<NodeId>(nodes_->size()) - 1;
  while (sameNext_.size() <= static_cast<std::size_t>(size)) {
    sameNext_.push_back(kNoNode);
    samePrevious_.push_back(kNoNode);
  }
  for (NodeId id = chained_ + 1; id <= size; ++id) {
    const Node& n = node(id);
    if (!n.alive) continue;
    Chain& chain = *byPrefix_.try_emplace(prefixOf(n.key)).first;
    samePrevious_[static_cast<std::size_t>(id)] = chain.last;
    if (chain.last != kNoNode)
      sameNext_[static_cast<std::size_t>(chain.last)] = id;
    else
      chain.first = id;
    chain.last = id;
    ++chain.count;
  }
  chained_ = size;
}

void Tree::linkUp() {
  if (linked_) return;
  // Every node so far is live and follows the one before it.
  const std::size_t size = nodes_->size();
  liveNext_.assign(size, kNoNode);
  livePrevious_.assign(size, kNoNode);
  for (std::size_t i = 1; i < size; ++i) {
    livePrevious_[i] = static_cast<NodeId>(i - 1);
    if (i + 1 < size) liveNext_[i] = static_cast<NodeId>(i + 1);
  }
  linked_ = true;
}

const Tree::Chain* Tree::chainOf(std::string_view identifier) const {
  chainUp();
  if (identifier.size() > kIdentifierLength) return nullptr;  // no 12-char prefix can equal it
  return byPrefix_.find(identifier);
}

NodeId Tree::firstPresent(std::string_view identifier) const {
  const Chain* chain = chainOf(identifier);
  return chain == nullptr ? kNoNode : chain->first;
}

int Tree::presentCount(std::string_view identifier) const {
  const Chain* chain = chainOf(identifier);
  return chain == nullptr ? 0 : chain->count;
}

std::vector<NodeId> Tree::allPresent(std::string_view identifier) const {
  std::vector<NodeId> all;
  if (const Chain* chain = chainOf(identifier)) {
    all.reserve(static_cast<std::size_t>(chain->count));
    for (NodeId n = chain->first; n != kNoNode; n = sameNext_[static_cast<std::size_t>(n)]) all.push_back(n);
  }
  return all;
}

NodeId Tree::nextInCollection(NodeId id) const {
  if (id == kNoNode) return liveFirst_;
  if (valid(id)) {
    if (linked_) return liveNext_[static_cast<std::size_t>(id)];
    return static_cast<std::size_t>(id) + 1 < nodes_->size() ? id + 1 : kNoNode;
  }
  // A removed node: the first live node after its id.
  if (id < 0) return liveFirst_;
  if (static_cast<std::size_t>(id) >= nodes_->size()) return kNoNode;
  countUp();
  return at(fenwickPrefix(id) + 1);
}

std::vector<NodeId> Tree::collection() const {
  std::vector<NodeId> ids;
  ids.reserve(static_cast<std::size_t>(alive_));
  for (NodeId n = nextInCollection(kNoNode); n != kNoNode; n = nextInCollection(n)) ids.push_back(n);
  return ids;
}

const std::vector<NodeId>& Tree::childrenOf(NodeId parent) const {
  auto [listed, made] = listed_.try_emplace(parent);
  if (made) {
    std::vector<NodeId>& children = listed->second;
    children.reserve(static_cast<std::size_t>(parent == kNoNode ? rootCount_ : node(parent).children));
    for (NodeId c = parent == kNoNode ? firstRoot_ : node(parent).child; c != kNoNode; c = node(c).next)
      children.push_back(c);
  }
  return listed->second;
}

int Tree::row(NodeId id) const {
  if (!valid(id)) return 0;
  const auto& siblings = childrenOf(node(id).parent);
  return static_cast<int>(std::lower_bound(siblings.begin(), siblings.end(), id) - siblings.begin());
}

NodeId Tree::childAt(NodeId parent, int wanted) const {
  if (wanted < 0 || (parent != kNoNode && !valid(parent))) return kNoNode;
  const auto& children = childrenOf(parent);
  return static_cast<std::size_t>(wanted) < children.size() ? children[static_cast<std::size_t>(wanted)] : kNoNode;
}

int Tree::depth(NodeId id) const {
  int d = 0;
  for (NodeId p = node(id).parent; p != kNoNode; p = node(p).parent) ++d;
  return d;
}

void Tree::changed(NodeId id) {
  if (notifying()) observer_->nodeChanged(id);
}

void Tree::setText(NodeId id, std::string_view text) {
  if (!valid(id)) return;
  mut(id).text.assign(text);
  changed(id);
}
void Tree::setImage(NodeId id, std::string_view image) {
  if (!valid(id)) return;
  mut(id).image = NodeImage(image);
  changed(id);
}
const std::string Tree::kNoTag;

void Tree::setTag(NodeId id, std::string_view tag) {
  if (!valid(id)) return;
  const auto block = static_cast<std::size_t>(id) >> kTagBits;
  if (block >= tags_.size()) {
    if (tag.empty()) return;
    tags_.resize(block + 1);
  }
  if (!tags_[block]) {
    if (tag.empty()) return;
    tags_[block] = std::make_unique<std::string[]>(kTagMask + 1);
  }
  tagSlot(id)->assign(tag);  // the tag is not shown: no notification
}
void Tree::setBold(NodeId id, bool bold) {
  if (!valid(id) || node(id).bold == bold) return;
  mut(id).bold = bold;
  changed(id);
}
void Tree::setChecked(NodeId id, bool checked) {
  if (!valid(id) || node(id).checked == checked) return;
  mut(id).checked = checked;
  changed(id);
}
void Tree::setForeColor(NodeId id, Color color) {
  if (!valid(id) || node(id).foreColor == color) return;
  mut(id).foreColor = color;
  changed(id);
}
void Tree::setBackColor(NodeId id, Color color) {
  if (!valid(id) || node(id).backColor == color) return;
  mut(id).backColor = color;
  changed(id);
}
void Tree::setExpanded(NodeId id, bool expanded) {
  if (!valid(id) || node(id).expanded == expanded) return;
  mut(id).expanded = expanded;
  if (notifying()) observer_->expandedChanged(id);
}

void Tree::setSelected(NodeId id) {
  const NodeId wanted = valid(id) ? id : kNoNode;
  if (wanted == selected_) return;
  selected_ = wanted;
  if (notifying()) observer_->selectionChanged(selected_);
}

void Tree::beginBulkUpdate() {
  if (bulk_++ == 0 && observer_ != nullptr) observer_->treeAboutToBeReset();
}

void Tree::endBulkUpdate() {
  if (bulk_ == 0 || --bulk_ > 0) return;
  if (observer_ != nullptr) observer_->treeReset();
}

void Tree::setDropHighlight(NodeId node) {
  if (node == dropHighlight_) return;
  const NodeId old = dropHighlight_;
  dropHighlight_ = node;
  if (old != kNoNode && valid(old)) changed(old);
  if (node != kNoNode && valid(node)) changed(node);
}

namespace {
// A node's name: its text without the blanks in front and the label.
std::string_view NameOf(const Tree& tree, NodeId n) {
  std::string_view text = tree.node(n).text;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find("] ");
    if (close != std::string_view::npos) text.remove_prefix(close + 2);
  }
  return text;
}
}  // namespace

std::string PathOf(const Tree& tree, NodeId node) {
  std::string path;
  for (NodeId n = node; tree.valid(n); n = tree.node(n).parent)
    path = std::string(NameOf(tree, n)) + (path.empty() ? "" : "/") + path;
  return path;
}

NodeId FindByKeyOrPath(const Tree& tree, std::string_view keyOrPath) {
  if (const NodeId byKey = tree.find(keyOrPath); byKey != kNoNode) return byKey;
  const auto nameOf = [&tree](NodeId n) { return NameOf(tree, n); };
  NodeId at = kNoNode;
  std::size_t start = 0;
  while (start <= keyOrPath.size()) {
    const std::size_t slash = std::min(keyOrPath.find('/', start), keyOrPath.size());
    const std::string_view name = keyOrPath.substr(start, slash - start);
    // The name itself, else a name that goes on after a blank
    // ("TestCase 1" for "TestCase 1   ( 2 )").
    NodeId found = kNoNode, partial = kNoNode;
    for (NodeId c = at == kNoNode ? tree.firstRoot() : tree.node(at).child; c != kNoNode; c = tree.node(c).next) {
      const std::string_view own = nameOf(c);
      if (own == name || tree.node(c).text == name) {
        found = c;
        break;
      }
      if (partial == kNoNode && !name.empty() && own.size() > name.size() && own.substr(0, name.size()) == name &&
          own[name.size()] == ' ')
        partial = c;
    }
    if (found == kNoNode) found = partial;
    if (found == kNoNode) return kNoNode;
    at = found;
    start = slash + 1;
  }
  return at;
}

}  // namespace zov
