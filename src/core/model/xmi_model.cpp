#include "model/xmi_model.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <unordered_set>

#include "model/input_file.h"
#include "model/petal_model.h"
#include "model/text_encoding.h"
#include "tree/string_index.h"

namespace fs = std::filesystem;

namespace zov {

namespace {

// Deeper nesting than this is no model a tool writes; it is skipped rather
// than followed, so that hostile files cannot exhaust the stack.
constexpr int kMaxDepth = 300;

// From this size of text on, the XML tree is built in an arena of its own.
constexpr std::size_t kArenaFrom = std::size_t{4} << 20;

// A model's XML tree is built in an arena over one large block, which a
// fresh process faults in far faster than many small heap pieces. pugixml
// takes its allocation functions process-wide, so each piece starts with a
// header saying where it came from, and only heap pieces are freed one by one;
// arena pieces go with their arena.
thread_local Arena* tXmlArena = nullptr;
constexpr std::size_t kPieceHeader = 16;

void* AllocateXml(std::size_t bytes) {
  if (bytes > static_cast<std::size_t>(-1) - kPieceHeader) return nullptr;
  char* p = nullptr;
  char origin = 1;
  if (tXmlArena != nullptr) p = static_cast<char*>(tXmlArena->allocate(bytes + kPieceHeader));
  if (p == nullptr) {
    p = static_cast<char*>(std::malloc(bytes + kPieceHeader));
    if (p == nullptr) return nullptr;
    origin = 0;
  }
  p[0] = origin;
  return p + kPieceHeader;
}

void FreeXml(void* piece) {
  if (piece == nullptr) return;
  char* p = static_cast<char*>(piece) - kPieceHeader;
  if (p[0] == 0) std::free(p);
}

// Builds the tree in `arena` for as long as it lives.
struct XmlArenaScope {
  explicit XmlArenaScope(Arena* arena) {
    static const bool installed = [] {
      pugi::set_memory_management_functions(AllocateXml, FreeXml);
      return true;
    }();
    (void)installed;
    tXmlArena = arena;
  }
  ~XmlArenaScope() { tXmlArena = nullptr; }
  XmlArenaScope(const XmlArenaScope&) = delete;
  XmlArenaScope& operator=(const XmlArenaScope&) = delete;
};

std::string_view Local(std::string_view qualified) {
  const std::size_t colon = qualified.rfind(':');
  return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

// The same of a name held as C text: one pass, with no length taken first.
std::string_view Local(const char* qualified) {
  const char* local = qualified;
  const char* c = qualified;
  for (; *c != '\0'; ++c)
    if (*c == ':') local = c + 1;
  return std::string_view(local, static_cast<std::size_t>(c - local));
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::uint64_t Fnv(std::string_view s, std::uint64_t h = 1469598103934665603ull) {
  for (unsigned char c : s) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

void SetHex12(char (&out)[12], std::uint64_t v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int i = 11; i >= 0; --i) {
    out[i] = kDigits[v & 0xF];
    v >>= 4;
  }
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The element type a tool leaves out where it is the default for the
// feature holding the element.
std::string_view DefaultType(std::string_view tag) {
  static const std::pair<std::string_view, std::string_view> kDefaults[] = {
      {"lifeline", "Lifeline"},
      {"message", "Message"},
      {"ownedUseCase", "UseCase"},
      {"ownedAttribute", "Property"},
      {"ownedEnd", "Property"},
      {"ownedOperation", "Operation"},
      {"ownedParameter", "Parameter"},
      {"include", "Include"},
      {"extend", "Extend"},
      {"generalization", "Generalization"},
      {"ownedComment", "Comment"},
      {"operand", "InteractionOperand"},
      {"guard", "InteractionConstraint"},
      {"region", "Region"},
      {"transition", "Transition"},
      {"interfaceRealization", "InterfaceRealization"},
      {"collaborationUse", "CollaborationUse"},
      {"nestedPackage", "Package"},
      {"extensionPoint", "ExtensionPoint"},
      {"ownedLiteral", "EnumerationLiteral"},
      {"ownedRule", "Constraint"},
      {"packageImport", "PackageImport"},
      {"elementImport", "ElementImport"},
      {"profileApplication", "ProfileApplication"},
  };
  for (const auto& [t, type] : kDefaults)
    if (t == tag) return type;
  return {};
}

// The type of an element without an xmi:type: <uml:Model>, <uml:Package>,
// <uml:Diagram> say it by their name, other tags by their default.
std::string_view TypeOfTag(std::string_view tag) {
  if (const std::size_t colon = tag.find(':'); colon != std::string_view::npos) {
    const std::string_view local = tag.substr(colon + 1);
    return local.find('.') == std::string_view::npos ? local : std::string_view();
  }
  return DefaultType(tag);
}

bool IsClassLike(std::string_view type) {
  return type == "Class" || type == "Component" || type == "Interface" || type == "AssociationClass" ||
         type == "Signal" || type == "Node" || type == "Device" || type == "ExecutionEnvironment";
}

bool IsDependency(std::string_view type) {
  return type == "Dependency" || type == "Usage" || type == "Abstraction" || type == "Realization" ||
         type == "Substitution" || type == "ComponentRealization" || type == "Manifestation";
}

}  // namespace

bool LooksLikeXml(std::string_view head) {
  if (head.size() >= 2 && ((head[0] == '\xFF' && head[1] == '\xFE') || (head[0] == '\xFE' && head[1] == '\xFF')))
    return true;
  if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
  head = Trim(head);
  return !head.empty() && head.front() == '<';
}

// Open addressing over the ids, which point into the parsed buffer: a
// large file holds millions of them, and the standard containers spend most
// of the load on their nodes.
struct XmiModel::IdTable {
  struct Entry {
    const char* key = nullptr;
    std::uint32_t size = 0;
    std::uint32_t hash = 0;  // the upper half of the hash, compared before the key
    std::int32_t handle = 0;
    pugi::xml_node_struct* node = nullptr;
  };
  std::vector<Entry, ScatteredAllocator<Entry>> entries;
  std::size_t used = 0;

  static std::uint64_t HashOf(std::string_view k) { return HashKey(k); }
  void clear() {
    entries.clear();
    used = 0;
  }
  void reserve(std::size_t n) {
    if (const std::size_t capacity = TableCapacity(n, 1024); capacity > entries.size()) rehash(capacity);
  }
  void rehash(std::size_t capacity) {
    std::vector<Entry, ScatteredAllocator<Entry>> old = std::move(entries);
    entries.assign(capacity, Entry{});
    const std::size_t mask = capacity - 1;
    for (const Entry& e : old) {
      if (e.key == nullptr) continue;
      std::size_t i = HashOf(std::string_view(e.key, e.size)) & mask;
      while (entries[i].key != nullptr) i = (i + 1) & mask;
      entries[i] = e;
    }
  }
  const Entry* find(std::string_view k) const {
    if (entries.empty() || k.empty()) return nullptr;
    const std::uint64_t h = HashOf(k);
    const auto tag = static_cast<std::uint32_t>(h >> 32);
    const std::size_t mask = entries.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      const Entry& e = entries[i];
      if (e.key == nullptr) return nullptr;
      if (e.hash == tag && e.size == k.size() && std::memcmp(e.key, k.data(), k.size()) == 0) return &e;
    }
  }
  // The entry of k, made when missing.
  Entry& insert(std::string_view k) { return insert(k, HashOf(k)); }
  Entry& insert(std::string_view k, std::uint64_t h) {
    if (entries.empty() || 2 * (used + 1) > entries.size()) rehash(std::max<std::size_t>(1024, entries.size() * 2));
    const auto tag = static_cast<std::uint32_t>(h >> 32);
    const std::size_t mask = entries.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      Entry& e = entries[i];
      if (e.key == nullptr) {
        e.key = k.data();
        e.size = static_cast<std::uint32_t>(k.size());
        e.hash = tag;
        ++used;
        return e;
      }
      // Keys point into the document: the same text is the same key.
      if (e.hash == tag && e.size == k.size() && (e.key == k.data() || std::memcmp(e.key, k.data(), k.size()) == 0))
        return e;
    }
  }
  void prefetch(std::uint64_t h) const { PrefetchSlot(entries.data(), entries.size(), h); }
};

namespace {

// An event of one interaction, found by its id while the interaction is
// mapped: the message it sends or receives (index + 1), its lifeline,
// whether it is one of the interaction's fragments.
struct Event {
  std::int32_t sends = 0, receives = 0, lifeline = 0;
  std::int32_t own = 0;  // the lifeline whose own id this is
  bool fragment = false;
  bool execution = false;  // an execution specification, no occurrence
};
using EventTable = StringIndex<Event>;

}  // namespace

void XmiModel::finishIdentifiers() {
  // Sorted by value (stably: element order among equal values), equal
  // values show up side by side; every element but the first made with a
  // value takes the next hash in its chain that no element has.
  constexpr std::uint64_t kMask = 0xFFFFFFFFFFFFull;
  struct Item {
    std::uint64_t value;
    std::uint32_t element;
  };
  std::vector<Item> items(elements_.size() - 1);
  for (std::size_t i = 1; i < elements_.size(); ++i)
    items[i - 1] = {elements_[i].hash & kMask, static_cast<std::uint32_t>(i)};
  if (items.size() < (1u << 14)) {
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.value < b.value; });
  } else {
    // A radix sort over the 48 bits, for large models.
    RadixSort(items, 48, [](const Item& it) { return it.value; });
  }
  std::vector<std::uint32_t> again;
  for (std::size_t i = 1; i < items.size(); ++i)
    if (items[i].value == items[i - 1].value) again.push_back(items[i].element);
  if (again.empty()) return;
  std::sort(again.begin(), again.end());
  std::unordered_set<std::uint64_t> taken;
  const auto used = [&](std::uint64_t v) {
    auto it =
        std::lower_bound(items.begin(), items.end(), v, [](const Item& a, std::uint64_t b) { return a.value < b; });
    return (it != items.end() && it->value == v) || taken.count(v) != 0;
  };
  for (std::uint32_t e : again) {
    std::uint64_t h = elements_[e].hash;
    do h = Fnv("#", h);
    while (used(h & kMask));
    taken.insert(h & kMask);
    elements_[e].hash = h;
    SetHex12(elements_[e].identifier.digits, h);
  }
}

struct XmiModel::Context {
  Handle package;
  Handle owner;  // the classifier (class, actor, use case, collaboration) that owns what is read
};

// The state of one interaction while its fragments are read.
struct XmiModel::Interaction {
  struct Message {
    pugi::xml_node node;
    std::string_view send, receive;
    bool reply = false;
    bool emitted = false;
    std::string label;
  };
  struct Emitted {
    std::size_t message;
    std::string label;
    std::vector<std::string> conditions;
  };
  // An execution specification: the lifeline it runs on, the events that
  // start and finish it, and the message (index + 1) whose receipt starts
  // it, once its start is reached.
  struct Execution {
    std::string_view start, finish;
    std::int32_t lifeline = 0;
    std::int32_t starter = 0;
  };
  Handle diagram;
  std::vector<Message> messages;
  EventTable events;
  std::unordered_map<std::string, int> childCounters;  // messages numbered below a label
  std::vector<std::string> pending;                    // conditions for the next message
  std::vector<Emitted> order;
  int combined = 0;
  std::vector<Execution> executions;
  std::unordered_map<std::string_view, std::vector<std::size_t>> startsAt, finishesAt;
  // Per lifeline: the executions running, innermost last, and the message
  // (index + 1) whose receipt was its last event, if its last event was one.
  std::unordered_map<std::int32_t, std::vector<std::size_t>> running;
  std::unordered_map<std::int32_t, std::int32_t> lastReceived;
};

// Where the messages of one part of an interaction are numbered: prefix +
// "." + n (n alone at the top), n counted in *counter; *last is the last
// message numbered there. In an alt or opt operand, scope is the label of
// the operand's first message: an execution nests a later message of the
// operand only within that message's own numbering.
struct XmiModel::Place {
  std::string prefix;
  int* counter;
  std::string* last;
  std::string scope;
};

XmiModel::XmiModel() = default;
XmiModel::~XmiModel() = default;

// --- building ------------------------------------------------------------

void XmiModel::reset() {
  doc_.reset();
  arena_.reset();
  text_ = LargeBlock();
  textSize_ = 0;
  {
    const XmlArenaScope heap(nullptr);  // the tree's own first page is part of it
    doc_ = std::make_unique<pugi::xml_document>();
  }
  elements_.assign(1, Element{});
  collections_.assign(1, {});
  if (!ids_) ids_ = std::make_unique<IdTable>();
  ids_->clear();
  decltype(idOrder_)().swap(idOrder_);
  idCursor_ = 0;
  warnings_.clear();
  skipped_.clear();
  external_.clear();
  unresolved_.clear();
  unresolvedCount_ = 0;
  duplicateIds_ = 0;
  duplicates_.clear();
  for (auto* v : {&associations_, &relations_, &dependencies_, &comments_, &diagrams_, &interactions_,
                  &collaborationUses_, &objects_, &messages_, &machines_, &transitions_})
    v->clear();
  model_ = {};
  rootPackage_ = {};
  prefix_ = "xmi";
  idAttr_ = "xmi:id";
  typeAttr_ = "xmi:type";
  idrefAttr_ = "xmi:idref";
}

const XmiModel::Element* XmiModel::get(Handle h) const {
  return h.id > 0 && static_cast<std::size_t>(h.id) < elements_.size() ? &elements_[static_cast<std::size_t>(h.id)]
                                                                       : nullptr;
}

XmiModel::Element* XmiModel::get(Handle h) {
  return h.id > 0 && static_cast<std::size_t>(h.id) < elements_.size() ? &elements_[static_cast<std::size_t>(h.id)]
                                                                       : nullptr;
}

std::string_view XmiModel::typeOf(pugi::xml_node n) const {
  if (const pugi::xml_attribute t = n.attribute(typeAttr_.c_str())) return Local(t.value());
  return TypeOfTag(n.name());
}

std::string_view XmiModel::idOf(pugi::xml_node n) const { return n.attribute(idAttr_.c_str()).value(); }

Handle XmiModel::handleOf(std::string_view id) const {
  if (id.empty()) return {};
  const IdTable::Entry* e = ids_->find(id);
  return e == nullptr ? Handle{} : Handle{e->handle};
}

pugi::xml_node XmiModel::nodeOf(std::string_view id) const {
  if (id.empty()) return {};
  const IdTable::Entry* e = ids_->find(id);
  return pugi::xml_node(e == nullptr ? nullptr : e->node);
}

std::vector<std::string_view> XmiModel::refs(pugi::xml_node n, const char* name) {
  std::vector<std::string_view> out;
  if (const pugi::xml_attribute a = n.attribute(name)) {
    std::string_view list = a.value();
    while (true) {
      list = Trim(list);
      if (list.empty()) break;
      std::size_t end = 0;
      while (end < list.size() && !IsSpace(list[end])) ++end;
      out.push_back(list.substr(0, end));
      list.remove_prefix(end);
    }
  }
  for (pugi::xml_node c = n.child(name); c; c = c.next_sibling(name)) {
    if (const pugi::xml_attribute idref = c.attribute(idrefAttr_.c_str())) {
      out.emplace_back(idref.value());
    } else if (const pugi::xml_attribute href = c.attribute("href")) {
      const std::string_view h = href.value();
      countExternal(h);
    }
  }
  return out;
}

std::string_view XmiModel::ref1(pugi::xml_node n, const char* name) {
  if (const pugi::xml_attribute a = n.attribute(name)) {
    std::string_view list = Trim(a.value());
    std::size_t end = 0;
    while (end < list.size() && !IsSpace(list[end])) ++end;
    if (end > 0) return list.substr(0, end);
  }
  for (pugi::xml_node c = n.child(name); c; c = c.next_sibling(name)) {
    if (const pugi::xml_attribute idref = c.attribute(idrefAttr_.c_str())) return idref.value();
    if (const pugi::xml_attribute href = c.attribute("href")) {
      const std::string_view h = href.value();
      countExternal(h);
    }
  }
  return {};
}

void XmiModel::countExternal(std::string_view href) {
  const std::string_view file = href.substr(0, href.find('#'));
  if (const auto it = external_.find(file); it != external_.end())
    ++it->second;
  else
    external_.emplace(std::string(file), 1);
}

void XmiModel::skip(std::string_view type) { ++skipped_[std::string(type.empty() ? "(untyped)" : type)]; }

namespace {

// Whether the attribute name is exactly word (a literal).
template <std::size_t N>
bool Is(const char* name, const char (&word)[N]) {
  for (std::size_t i = 0; i < N; ++i)
    if (name[i] != word[i]) return false;
  return true;
}

}  // namespace

XmiModel::Attrs XmiModel::attrsOf(pugi::xml_node n) const {
  // One pass over the attributes for the ones almost every element is
  // asked for; the first of a name counts, as in a lookup by name.
  Attrs out;
  const char* prefix = prefix_.c_str();
  const std::size_t length = prefix_.size();
  for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
    const char* name = a.name();
    if (name[0] == prefix[0]) {
      std::size_t i = 1;
      while (i < length && name[i] == prefix[i]) ++i;
      if (i == length && name[i] == ':') {
        const char* local = name + i + 1;
        if (Is(local, "id")) {
          if (out.id == nullptr) out.id = a.value();
        } else if (Is(local, "type")) {
          if (out.type == nullptr) out.type = a.value();
        } else if (Is(local, "idref")) {
          out.idref = true;
        }
        continue;
      }
    }
    if (out.name == nullptr && Is(name, "name"))
      out.name = a.value();
    else if (out.href == nullptr && Is(name, "href"))
      out.href = a.value();
  }
  return out;
}

std::string_view XmiModel::typeOf(pugi::xml_node n, const Attrs& a) const {
  return a.type != nullptr ? Local(a.type) : TypeOfTag(n.name());
}

Handle XmiModel::addKeyed(Kind kind, Handle parent, std::uint64_t key) {
  const Handle handle{static_cast<std::int32_t>(elements_.size())};
  Element& e = elements_.emplace_back();
  collections_.emplace_back();
  e.kind = kind;
  e.parent = parent;
  e.hash = key;
  SetHex12(e.identifier.digits, e.hash);
  return handle;
}

Handle XmiModel::add(Kind kind, Handle parent, pugi::xml_node node, std::string_view key) {
  return add(kind, parent, node, node ? attrsOf(node) : Attrs{}, key);
}

Handle XmiModel::add(Kind kind, Handle parent, pugi::xml_node node, const Attrs& attrs, std::string_view key) {
  const Handle handle{static_cast<std::int32_t>(elements_.size())};
  Element& e = elements_.emplace_back();
  collections_.emplace_back();
  e.kind = kind;
  e.parent = parent;
  e.node = node.internal_object();
  if (attrs.name != nullptr) e.name = attrs.name;
  const std::string_view id = attrs.id != nullptr ? attrs.id : "";
  std::string synthetic;
  if (key.empty() && id.empty()) {
    synthetic = "@" + std::to_string(node ? node.offset_debug() : static_cast<std::ptrdiff_t>(handle.id));
    key = synthetic;
  }
  // Twelve characters, unique in the model and the same on every load of
  // the same file: a hash of the xmi:id (or of the element's place), the
  // next hash in the chain when taken.
  e.hash = Fnv(key.empty() ? id : key);
  SetHex12(e.identifier.digits, e.hash);
  if (key.empty() && !id.empty()) registerId(id, handle, node.internal_object());
  return handle;
}

void XmiModel::registerId(std::string_view id, Handle handle, pugi::xml_node_struct* node) {
  // The walk meets the ids in the document order they were gathered in (it
  // passes over some): the hash is at hand, and the entries of the ids that
  // come next are fetched ahead. An id met out of order is looked up afresh.
  const std::less<const char*> before;
  while (idCursor_ < idOrder_.size() && before(idOrder_[idCursor_].key.data(), id.data())) ++idCursor_;
  IdTable::Entry* entry = nullptr;
  if (idCursor_ < idOrder_.size() && idOrder_[idCursor_].key.data() == id.data()) {
    if (idCursor_ + kIdsAhead < idOrder_.size()) ids_->prefetch(idOrder_[idCursor_ + kIdsAhead].hash);
    entry = &ids_->insert(id, idOrder_[idCursor_++].hash);
  } else {
    entry = &ids_->insert(id);
  }
  if (entry->handle == 0) entry->handle = handle.id;
  if (entry->node == nullptr) entry->node = node;
}

void XmiModel::addTo(Handle owner, Slot slot, Handle item) {
  if (owner.id <= 0 || static_cast<std::size_t>(owner.id) >= collections_.size() || !item) return;
  auto& lists = collections_[static_cast<std::size_t>(owner.id)];
  for (auto& [s, list] : lists)
    if (s == slot) {
      list.push_back(item);
      return;
    }
  lists.emplace_back(static_cast<std::uint8_t>(slot), std::vector<Handle>{item});
}

Items XmiModel::items(Handle h, Slot slot) const {
  if (h.id <= 0) return {};
  if (static_cast<std::size_t>(h.id) >= collections_.size()) return {};
  for (const auto& [s, list] : collections_[static_cast<std::size_t>(h.id)])
    if (s == slot) return Items(list);
  return {};
}

std::string XmiModel::valueText(pugi::xml_node v) const {
  if (!v) return {};
  if (const pugi::xml_attribute a = v.attribute("value")) return a.value();
  if (const pugi::xml_attribute a = v.attribute("body")) return a.value();
  if (const pugi::xml_node b = v.child("body")) return b.child_value();
  if (const pugi::xml_attribute a = v.attribute("symbol")) return a.value();
  return {};
}

std::string XmiModel::typeName(pugi::xml_node typed) {
  const pugi::xml_attribute attr = typed.attribute("type");
  std::string_view id = attr ? std::string_view(attr.value()) : std::string_view();
  if (id.empty()) {
    if (const pugi::xml_node t = typed.child("type")) {
      if (const pugi::xml_attribute idref = t.attribute(idrefAttr_.c_str())) {
        id = idref.value();
      } else if (const pugi::xml_attribute href = t.attribute("href")) {
        // A type of a library in another file: the reference stays null
        // (and is counted), its name is the fragment.
        const std::string_view h = href.value();
        countExternal(h);
        const std::size_t hash = h.rfind('#');
        return hash == std::string_view::npos ? std::string() : std::string(h.substr(hash + 1));
      }
    }
  }
  if (id.empty()) return {};
  if (const pugi::xml_node t = nodeOf(id)) return t.attribute("name").value();
  // Enterprise Architect names its built-in types "EAJava_int", "EAnone_String".
  if (id.substr(0, 2) == "EA" && id.substr(0, 5) != "EAID_" && id.find('_') != std::string_view::npos)
    return std::string(id.substr(id.find('_') + 1));
  return std::string(id);
}

Handle XmiModel::OpenModel(const std::string& path, std::string* error) {
  reset();
  std::string why;
  auto in = InputFile::Open(path, &why);
  // The same bound as a petal model: no file makes a load run away.
  if (in && in->size() > PetalModel::kMaxBytesRead)
    why = "the file is larger than " + std::to_string(PetalModel::kMaxBytesRead) + " bytes, more than a load reads";
  if (!in || !why.empty()) {
    if (error != nullptr) *error = path + ": " + why;
    return {};
  }
  if (const auto size = static_cast<std::size_t>(in->size()); size > 0) {
    text_ = LargeBlock(size);
    const std::jthread prefault = PrefaultInBackground(text_.data(), text_.size());
    while (textSize_ < size) {
      const long n = in->read(text_.data() + textSize_, size - textSize_);
      if (n < 0) {
        if (error != nullptr) *error = path + ": cannot be read: " + std::strerror(errno);
        reset();
        return {};
      }
      if (n == 0) break;
      textSize_ += static_cast<std::size_t>(n);
    }
  }
  return openBuffer(path, error);
}

Handle XmiModel::OpenText(std::string content, const std::string& path, std::string* error) {
  reset();
  setText(content);
  return openBuffer(path, error);
}

void XmiModel::setText(std::string_view text) {
  text_ = LargeBlock(text.size());
  std::memcpy(text_.data(), text.data(), text.size());
  textSize_ = text.size();
}

Handle XmiModel::openBuffer(const std::string& path, std::string* error) {
  path_ = path;
  const auto fail = [&](std::size_t offset, const std::string& what) {
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset && i < textSize_; ++i) {
      if (text_.data()[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    if (error != nullptr) *error = path + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + what;
    reset();
    return Handle{};
  };

  // 8-bit files (Enterprise Architect writes windows-1252) become UTF-8.
  pugi::xml_encoding encoding = pugi::encoding_auto;
  if (const std::string_view content(text_.data(), textSize_);
      content.size() >= 2 && !(static_cast<unsigned char>(content[0]) >= 0xFE)) {
    const std::string head = Lower(content.substr(0, std::min<std::size_t>(content.size(), 200)));
    const std::size_t declared = head.find("encoding=");
    if (head.rfind("<?xml", 0) == 0 && declared != std::string::npos && declared + 10 <= head.size()) {
      const std::string_view value = std::string_view(head).substr(declared + 10);
      if (value.rfind("windows-1252", 0) == 0 || value.rfind("cp1252", 0) == 0 || value.rfind("iso-8859-1", 0) == 0 ||
          value.rfind("latin1", 0) == 0 || value.rfind("iso-8859-15", 0) == 0) {
        if (std::any_of(content.begin(), content.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
          setText(Cp1252ToUtf8(content));
        encoding = pugi::encoding_utf8;
      }
    }
  }

  // A file named as XMI that holds no XML says so, rather than what XML misses.
  {
    std::size_t first = 0;
    while (first < textSize_ && (IsSpace(text_.data()[first]) || text_.data()[first] == '\xEF' ||
                                 text_.data()[first] == '\xBB' || text_.data()[first] == '\xBF'))
      ++first;
    if (first == textSize_) return fail(0, "the file is empty: it holds no XMI model");
    const unsigned char c = static_cast<unsigned char>(text_.data()[first]);
    if (c != '<' && c != 0xFE && c != 0xFF && c != 0)
      return fail(first, "this is not an XML file: an XMI model begins with '<'");
  }
  const pugi::xml_parse_result result = [&] {
    // The tree of a large file takes up to about twice the text (what does
    // not fit comes from the heap); its first pages are faulted in on another
    // core while the text is parsed. A small file's tree is built on the
    // heap, whose pages a later load finds in place.
    std::jthread prefault;
    if (textSize_ >= kArenaFrom) {
      arena_ = std::make_unique<Arena>(2 * textSize_ + 65536);
      prefault = PrefaultInBackground(arena_->data(), textSize_ + textSize_ / 2);
    }
    const XmlArenaScope scope(arena_.get());
    static char empty[1] = {'\0'};
    return doc_->load_buffer_inplace(textSize_ > 0 ? text_.data() : empty, textSize_, pugi::parse_default, encoding);
  }();
  if (!result) return fail(static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0)), result.description());

  pugi::xml_node root = doc_->document_element();
  if (!root) return fail(textSize_, "no root element");
  const auto at = [](pugi::xml_node n) {  // the element's "<"
    return static_cast<std::size_t>(std::max<std::ptrdiff_t>(n.offset_debug() - 1, 0));
  };
  // The prefix bound to the XMI namespace (almost always "xmi").
  for (pugi::xml_attribute a = root.first_attribute(); a; a = a.next_attribute()) {
    const std::string_view name = a.name(), value = a.value();
    if (name.substr(0, 6) == "xmlns:" &&
        (value.find("/XMI") != std::string_view::npos || value.find("/xmi") != std::string_view::npos)) {
      const std::string prefix(name.substr(6));
      prefix_ = prefix;
      idAttr_ = prefix + ":id";
      typeAttr_ = prefix + ":type";
      idrefAttr_ = prefix + ":idref";
      break;
    }
  }
  pugi::xml_node modelNode;
  const std::string_view rootType = typeOf(root);
  if (rootType == "Model" || rootType == "Package") {
    modelNode = root;
  } else if (Local(root.name()) == "XMI") {
    for (pugi::xml_node c = root.first_child(); c && !modelNode; c = c.next_sibling())
      if (c.type() == pugi::node_element && typeOf(c) == "Model") modelNode = c;
    for (pugi::xml_node c = root.first_child(); c && !modelNode; c = c.next_sibling())
      if (c.type() == pugi::node_element && typeOf(c) == "Package") modelNode = c;
    if (!modelNode) return fail(at(root), "the XMI document holds no uml:Model or uml:Package");
  } else {
    return fail(at(root), "expected an XMI document or a UML model (xmi:XMI, uml:Model or uml:Package), found <" +
                              std::string(root.name()) + ">");
  }

  indexIds(root);

  Element model;
  model.kind = Kind::kModel;
  model.name = modelNode.attribute("name").value();
  if (model.name.empty()) model.name = fs::path(path).stem().string();
  model.hash = Fnv("#model");
  SetHex12(model.identifier.digits, model.hash);
  elements_.push_back(std::move(model));
  collections_.emplace_back();
  model_ = Handle{1};

  visit(modelNode, Context{}, 0);
  decltype(idOrder_)().swap(idOrder_);

  // Diagrams (Visual Paradigm) and stereotype applications follow the model.
  for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element || c == modelNode) continue;
    const std::string_view tag = c.name();
    if (typeOf(c) == "Diagram") {
      diagrams_.push_back({Handle{}, c.internal_object(), Handle{}, Handle{}});
      continue;
    }
    if (tag.substr(0, 4) == "uml:" || tag.substr(0, 4) == "xmi:") continue;
    for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute())
      if (std::string_view(a.name()).substr(0, 5) == "base_") {
        Element* e = get(handleOf(a.value()));
        if (e != nullptr && e->stereotype.empty()) e->stereotype = std::string(Local(tag));
        break;
      }
  }

  // The two Rose-style top packages, when the model has them, are the roots.
  Handle useCaseRoot = rootPackage_, logicalRoot = rootPackage_;
  for (Handle p : items(rootPackage_, kPackages)) {
    if (get(p)->name == "Use Case View") useCaseRoot = p;
    if (get(p)->name == "Logical View") logicalRoot = p;
  }
  if (useCaseRoot == rootPackage_ || logicalRoot == rootPackage_) useCaseRoot = logicalRoot = rootPackage_;
  get(model_)->ref = useCaseRoot;
  get(model_)->ref2 = logicalRoot;

  resolve();
  placeInteractions();
  readDiagrams();
  finishCollections();
  finishIdentifiers();

  if (unresolvedCount_ > 0) {
    std::string text = path + ": " + std::to_string(unresolvedCount_) +
                       (unresolvedCount_ == 1 ? " reference names no element of the file and stays null:"
                                              : " references name no element of the file and stay null:");
    for (const std::string& u : unresolved_) text += " " + u;
    if (unresolvedCount_ > static_cast<int>(unresolved_.size())) text += " ...";
    warnings_.push_back(text);
  }
  if (duplicateIds_ > 0) {
    std::string text =
        path + ": " + std::to_string(duplicateIds_) +
        (duplicateIds_ == 1 ? " id is given to two elements" : " ids are given to more than one element") +
        "; references to one reach its first element:";
    for (std::size_t i = 0; i < duplicates_.size(); ++i) text += (i == 0 ? " " : ", ") + duplicates_[i];
    if (duplicateIds_ > static_cast<int>(duplicates_.size())) text += " ...";
    warnings_.push_back(text);
  }
  if (!external_.empty()) {
    int total = 0;
    std::string files;
    for (const auto& [file, count] : external_) {
      total += count;
      files += (files.empty() ? " " : ", ") + file + " (" + std::to_string(count) + ")";
    }
    warnings_.push_back(path + ": " + std::to_string(total) +
                        (total == 1 ? " reference to elements of other files stays null:"
                                    : " references to elements of other files stay null:") +
                        files);
  }
  if (!skipped_.empty()) {
    std::vector<std::pair<int, std::string>> kinds;
    int total = 0;
    for (const auto& [type, count] : skipped_) {
      kinds.emplace_back(-count, type);
      total += count;
    }
    std::sort(kinds.begin(), kinds.end());
    std::string text = path + ": " + std::to_string(total) + " element" + (total == 1 ? "" : "s") +
                       " of kinds the test planning does not use were skipped:";
    for (std::size_t i = 0; i < kinds.size() && i < 8; ++i)
      text += (i == 0 ? " " : ", ") + std::to_string(-kinds[i].first) + " " + kinds[i].second;
    if (kinds.size() > 8) text += " and " + std::to_string(kinds.size() - 8) + " other kinds";
    warnings_.push_back(text);
  }
  return model_;
}

void XmiModel::indexIds(pugi::xml_node root) {
  elements_.reserve(textSize_ / 64);
  collections_.reserve(textSize_ / 64);

  const char* id = idAttr_.c_str();
  // The ids are gathered in document order first and inserted after: a
  // table larger than the cache misses on almost every insert, and walking
  // the document in between keeps those misses from overlapping. Each slot
  // is fetched some inserts ahead. The gathered ids are kept for the walk
  // that makes the elements (registerId).
  idOrder_.clear();
  idOrder_.reserve(textSize_ / 128);
  pugi::xml_node n = root;
  while (n) {
    if (n.type() == pugi::node_element)
      if (const pugi::xml_attribute a = n.attribute(id); a && *a.value() != '\0')
        idOrder_.push_back({a.value(), n.internal_object(), 0});
    if (pugi::xml_node c = n.first_child()) {
      n = c;
      continue;
    }
    while (n && n != root && !n.next_sibling()) n = n.parent();
    if (!n || n == root) break;
    n = n.next_sibling();
  }
  ids_->reserve(idOrder_.size());
  for (IdInOrder& f : idOrder_) f.hash = IdTable::HashOf(f.key);
  for (std::size_t i = 0; i < idOrder_.size(); ++i) {
    if (i + kIdsAhead < idOrder_.size()) ids_->prefetch(idOrder_[i + kIdsAhead].hash);
    IdTable::Entry& e = ids_->insert(idOrder_[i].key, idOrder_[i].hash);
    if (e.node == nullptr) {
      e.node = idOrder_[i].node;
    } else if (++duplicateIds_ <= 3) {
      // References to a repeated id reach its first element: say where both are.
      const auto lineOf = [this](pugi::xml_node_struct* at) {
        const std::ptrdiff_t offset = pugi::xml_node(at).offset_debug();
        return 1 + std::count(text_.data(), text_.data() + std::max<std::ptrdiff_t>(offset, 0), '\n');
      };
      duplicates_.push_back("\"" + std::string(idOrder_[i].key) + "\" on line " + std::to_string(lineOf(e.node)) +
                            " and line " + std::to_string(lineOf(idOrder_[i].node)));
    }
  }
  idCursor_ = 0;
  if (!idOrder_.empty()) ids_->prefetch(idOrder_[0].hash);
}

void XmiModel::walk(pugi::xml_node parent, const Context& c, int depth) {
  for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling())
    if (n.type() == pugi::node_element) visit(n, c, depth + 1);
}

void XmiModel::visit(pugi::xml_node n, const Context& c, int depth) {
  const std::string_view tag = Local(n.name());
  if (tag == "Extension" || tag == "Documentation" || tag == "eAnnotations") return;
  // A reference to an element of this file or of another: nothing of its own.
  const Attrs attrs = attrsOf(n);
  if (attrs.idref) return;
  if (attrs.href != nullptr) {
    const std::string_view h = attrs.href;
    countExternal(h);
    return;
  }
  const std::string_view type = typeOf(n, attrs);
  if (depth > kMaxDepth) {
    skip("elements nested too deeply");
    return;
  }
  if (type.empty()) {
    // A reference (xmi:idref, href) or a value: nothing of its own.
    if (attrs.id == nullptr || *attrs.id == '\0') return;
    skip(tag);
    walk(n, c, depth);
    return;
  }
  const Kind ownerKind = get(c.owner) != nullptr ? get(c.owner)->kind : Kind::kNone;
  if (type == "Model" || type == "Package") {
    const Handle parent = c.package ? c.package : model_;
    const Handle pkg = add(Kind::kPackage, parent, n, attrs);
    addTo(parent, kPackages, pkg);
    if (!rootPackage_) rootPackage_ = pkg;
    walk(n, Context{pkg, {}}, depth);
  } else if (type == "Actor" || IsClassLike(type)) {
    const Handle cls = add(Kind::kClass, c.package, n, attrs);
    if (type == "Actor") get(cls)->stereotype = "Actor";
    addTo(c.package, kClasses, cls);
    walk(n, Context{c.package, cls}, depth);
  } else if (type == "UseCase") {
    const Handle uc = add(Kind::kUseCase, c.package, n, attrs);
    addTo(c.package, kUseCases, uc);
    walk(n, Context{c.package, uc}, depth);
  } else if (type == "Collaboration") {
    const Handle col = add(Kind::kCollaboration, c.package, n, attrs);
    walk(n, Context{c.package, col}, depth);
  } else if (type == "Property") {
    if (ownerKind == Kind::kClass && tag == "ownedAttribute" && !n.attribute("association")) {
      const Handle attr = add(Kind::kAttribute, c.owner, n, attrs);
      get(attr)->text = typeName(n);
      pugi::xml_node value = n.child("defaultValue");
      get(attr)->text2 = value ? valueText(value) : std::string(n.attribute("default").value());
      addTo(c.owner, kAttributes, attr);
      for (pugi::xml_node k = n.child("ownedComment"); k; k = k.next_sibling("ownedComment"))
        comments_.push_back({attr, k.internal_object(), attr, c.package});
    }
  } else if (type == "Operation") {
    if (ownerKind != Kind::kClass) {
      skip(type);
      return;
    }
    const Handle op = add(Kind::kOperation, c.owner, n, attrs);
    addTo(c.owner, kOperations, op);
    for (pugi::xml_node p = n.first_child(); p; p = p.next_sibling()) {
      const std::string_view ptag = Local(p.name());
      if (ptag == "ownedComment") {
        comments_.push_back({op, p.internal_object(), op, c.package});
      } else if (ptag == "ownedParameter") {
        // A parameter's own comments are its documentation ("DEF(" lists);
        // a return value is no category, and its comments are skipped.
        const bool returned = std::string_view(p.attribute("direction").value()) == "return";
        Handle param;
        if (!returned) {
          param = add(Kind::kParameter, op, p);
          get(param)->text = typeName(p);
          addTo(op, kParameters, param);
        }
        for (pugi::xml_node k = p.child("ownedComment"); k; k = k.next_sibling("ownedComment")) {
          if (returned)
            skip("Comment");
          else
            comments_.push_back({param, k.internal_object(), param, c.package});
        }
      }
    }
  } else if (type == "StateMachine") {
    if (ownerKind == Kind::kClass && !get(c.owner)->ref)
      mapStateMachine(n, c.owner);
    else
      machines_.push_back({Handle{}, n.internal_object(), c.owner, c.package});  // maybe a class's behaviour
  } else if (type == "Interaction") {
    mapInteraction(n, c);
  } else if (type == "Association") {
    const Handle assoc = add(Kind::kAssociation, c.package, n, attrs);
    addTo(c.package, kAssociations, assoc);
    associations_.push_back({assoc, n.internal_object(), c.owner, c.package});
  } else if (type == "Include" || type == "Extend" || type == "Generalization" || type == "InterfaceRealization") {
    const bool useCase = ownerKind == Kind::kUseCase;
    if (!useCase && ownerKind != Kind::kClass) {
      skip(type);
      return;
    }
    if ((type == "Include" || type == "Extend") && !useCase) {
      skip(type);
      return;
    }
    const Handle rel = add(Kind::kRelation, c.owner, n, attrs);
    Element* e = get(rel);
    e->ref2 = c.owner;
    if (type == "Include") e->stereotype = "include";
    if (type == "Extend") e->stereotype = "extend";
    addTo(c.owner, useCase ? kUcRelations : type == "Generalization" ? kRelGeneral : kRelRealize, rel);
    relations_.push_back({rel, n.internal_object(), c.owner, c.package});
  } else if (IsDependency(type)) {
    dependencies_.push_back({Handle{}, n.internal_object(), c.owner, c.package});
  } else if (type == "CollaborationUse") {
    collaborationUses_.push_back({Handle{}, n.internal_object(), c.owner, c.package});
  } else if (type == "Comment") {
    comments_.push_back({Handle{}, n.internal_object(), c.owner ? c.owner : c.package, c.package});
  } else if (type == "Diagram") {
    diagrams_.push_back({Handle{}, n.internal_object(), Handle{}, c.package});
  } else if (type == "PrimitiveType" || type == "DataType" || type == "Enumeration") {
    // Read only as the names of types.
  } else if (type == "Profile") {
    skip(type);
  } else {
    skip(type);
    walk(n, c, depth);
  }
}

void XmiModel::mapStateMachine(pugi::xml_node n, Handle cls) {
  const Handle machine = add(Kind::kStateMachine, cls, n);
  get(cls)->ref = machine;
  // Every state of every region, nested ones too, in file order.
  std::function<void(pugi::xml_node, int)> regions = [&](pugi::xml_node owner, int depth) {
    if (depth > kMaxDepth) return;
    for (pugi::xml_node r = owner.child("region"); r; r = r.next_sibling("region")) {
      for (pugi::xml_node s = r.first_child(); s; s = s.next_sibling()) {
        const std::string_view tag = s.name();
        if (tag == "subvertex") {
          const std::string_view type = typeOf(s);
          const Handle state = add(Kind::kState, machine, s);
          get(state)->flag = type == "Pseudostate" || type == "FinalState";
          addTo(machine, kStates, state);
          regions(s, depth + 1);
        } else if (tag == "transition") {
          transitions_.push_back({Handle{}, s.internal_object(), machine, Handle{}});
        }
      }
    }
  };
  regions(n, 0);
}

void XmiModel::mapInteraction(pugi::xml_node n, const Context& c) {
  Interaction in;
  in.diagram = add(Kind::kDiagram, c.package, n);
  get(in.diagram)->diagramKind = kSequenceDiagram;
  interactions_.push_back({in.diagram, n.internal_object(), c.owner, c.package});
  for (pugi::xml_node k = n.child("ownedComment"); k; k = k.next_sibling("ownedComment"))
    comments_.push_back({Handle{}, k.internal_object(), in.diagram, c.package});

  for (pugi::xml_node l = n.first_child(); l; l = l.next_sibling()) {
    if (l.type() != pugi::node_element) continue;
    const Attrs attrs = attrsOf(l);
    const std::string_view type = typeOf(l, attrs);
    if (type == "Lifeline") {
      const Handle obj = add(Kind::kObject, in.diagram, l, attrs);
      addTo(in.diagram, kObjects, obj);
      objects_.push_back({obj, l.internal_object(), Handle{}, Handle{}});
      // Kept by id for the fragments' "covered", when the id is its own.
      if (attrs.id != nullptr && handleOf(attrs.id) == obj) in.events[attrs.id].own = obj.id;
      for (std::string_view e : refs(l, "coveredBy")) {
        Event& entry = in.events[e];
        if (entry.lifeline == 0) entry.lifeline = obj.id;
      }
    } else if (type == "Message") {
      Interaction::Message m;
      m.node = l;
      m.send = ref1(l, "sendEvent");
      m.receive = ref1(l, "receiveEvent");
      m.reply = std::string_view(l.attribute("messageSort").value()) == "reply";
      const auto index = static_cast<std::int32_t>(in.messages.size() + 1);
      if (!m.send.empty())
        if (Event& e = in.events[m.send]; e.sends == 0) e.sends = index;
      if (!m.receive.empty())
        if (Event& e = in.events[m.receive]; e.receives == 0) e.receives = index;
      in.messages.push_back(m);
    }
  }
  markEvents(in, n, 0);

  int counter = 0;
  std::string last;
  Place top{"", &counter, &last, ""};
  mapFragments(in, n, top, 0);
  // Messages whose events lie in no fragment (lost, found, gates) come last.
  for (std::size_t i = 0; i < in.messages.size(); ++i)
    if (!in.messages[i].emitted) {
      in.messages[i].emitted = true;
      in.order.push_back({i, std::to_string(++counter), {}});
    }
  get(in.diagram)->count = in.combined;

  for (Interaction::Emitted& e : in.order) {
    const Interaction::Message& m = in.messages[e.message];
    const Handle msg = add(Kind::kMessage, in.diagram, m.node);
    Element* el = get(msg);
    el->text = std::move(e.label);
    if (const Event* sender = in.events.find(m.send)) el->ref2 = Handle{sender->lifeline};
    if (const Event* receiver = in.events.find(m.receive)) el->ref3 = Handle{receiver->lifeline};
    addTo(in.diagram, kMessages, msg);
    messages_.push_back({msg, m.node.internal_object(), Handle{}, Handle{}});
    // One view per message, in message order, keyed by the message's
    // identifier and "#view"; a condition is a note on it.
    const std::uint64_t key = Fnv("#view", Fnv(std::string_view(el->identifier)));
    const Handle view = addKeyed(Kind::kView, in.diagram, key);
    get(view)->ref = msg;
    addTo(in.diagram, kViews, view);
    get(msg)->count = view.id;
    for (std::string& condition : e.conditions) note(view, std::move(condition), key);
  }
}

// The lifeline of every occurrence, from the fragments' "covered".
void XmiModel::markEvents(Interaction& in, pugi::xml_node holder, int depth) {
  if (depth > kMaxDepth) return;
  for (pugi::xml_node f = holder.first_child(); f; f = f.next_sibling()) {
    if (f.type() != pugi::node_element) continue;
    const std::string_view tag = Local(f.name());
    if (tag == "lifeline" || tag == "message") continue;
    if (const std::string_view id = idOf(f); !id.empty()) {
      const std::string_view covered = ref1(f, "covered");
      const Event* lifeline = covered.empty() ? nullptr : in.events.find(covered);
      const std::int32_t own = lifeline != nullptr ? lifeline->own : 0;
      Event& entry = in.events[id];
      entry.fragment = true;
      if (own != 0) entry.lifeline = own;
      if (typeOf(f).ends_with("ExecutionSpecification")) {
        entry.execution = true;
        const std::size_t e = in.executions.size();
        in.executions.push_back({ref1(f, "start"), ref1(f, "finish"), own, 0});
        if (!in.executions[e].start.empty()) in.startsAt[in.executions[e].start].push_back(e);
        if (!in.executions[e].finish.empty()) in.finishesAt[in.executions[e].finish].push_back(e);
      }
    }
    markEvents(in, f, depth + 1);
  }
}

void XmiModel::note(Handle view, std::string text, std::uint64_t viewKey) {
  const std::uint64_t key = Fnv(std::to_string(items(view, kNotes).Count() + 1), Fnv("#note", viewKey));
  const Handle n = addKeyed(Kind::kNote, view, key);
  get(n)->text = std::move(text);
  addTo(view, kNotes, n);
}

void XmiModel::mapFragments(Interaction& in, pugi::xml_node holder, Place& place, int depth) {
  if (depth > kMaxDepth) return;
  for (pugi::xml_node f = holder.first_child(); f; f = f.next_sibling()) mapFragment(in, f, place, depth);
}

void XmiModel::mapFragment(Interaction& in, pugi::xml_node f, Place& place, int depth) {
  if (f.type() != pugi::node_element) return;
  const std::string_view tag = Local(f.name());
  if (tag == "lifeline" || tag == "message") return;
  const Attrs attrs = attrsOf(f);
  const std::string_view type = typeOf(f, attrs);
  if (type != "CombinedFragment") {
    if (attrs.id != nullptr && *attrs.id != '\0') mapEvent(in, attrs.id, place);
    return;
  }
  ++in.combined;
  std::string op = f.attribute("interactionOperator").value();
  if (op.empty()) op = "seq";
  const bool branches = op == "alt" || op == "opt";
  // Other fragments (loop, par, critical ...): without executions, their
  // messages come below the last message at this place ("2.1", "2.2" below
  // "2"), or at this place when no message came before; with executions,
  // the executions alone nest them.
  std::string childLast;
  Place inner = place;
  if (!branches && in.executions.empty() && !place.last->empty())
    inner = Place{*place.last, &in.childCounters[*place.last], &childLast, place.scope};
  int operand = 0;
  for (pugi::xml_node o = f.first_child(); o; o = o.next_sibling()) {
    if (typeOf(o) != "InteractionOperand") continue;
    std::string guard;
    if (const pugi::xml_node g = o.child("guard")) {
      const pugi::xml_node spec = g.child("specification");
      guard = std::string(Trim(valueText(spec)));
      if (guard.empty()) guard = g.attribute("name").value();
    }
    std::string condition;
    if (op == "alt")
      condition = operand == 0 ? "if " + guard : guard.empty() ? "else" : "else " + guard;
    else if (op == "opt")
      condition = "if " + guard;
    const std::size_t before = in.pending.size();
    if (!condition.empty()) in.pending.push_back(condition);
    if (branches)
      mapOperand(in, o, place, depth + 1);
    else
      mapFragments(in, o, inner, depth + 1);
    if (in.pending.size() > before) in.pending.resize(before);
    ++operand;
  }
}

// An operand of an alt or opt: its first message carries the condition and
// heads the branch; the operand's further messages come one level below
// it, so that the branch holds exactly the operand's messages. Without
// executions the first message comes one level below the last message at
// this place (or at this place when none came before); with executions it
// takes the level they give it.
void XmiModel::mapOperand(Interaction& in, pugi::xml_node operand, Place& place, int depth) {
  if (depth > kMaxDepth) return;
  std::string headLast, furtherLast;
  Place head{place.prefix, place.counter, &headLast, place.scope};
  if (in.executions.empty() && !place.last->empty())
    head = Place{*place.last, &in.childCounters[*place.last], &headLast, place.scope};
  Place further = head;
  const std::size_t start = in.order.size();
  bool headed = false;
  for (pugi::xml_node f = operand.first_child(); f; f = f.next_sibling()) {
    if (!headed && in.order.size() > start) {
      headed = true;
      const std::string first = in.order[start].label;
      further = Place{first, &in.childCounters[first], &furtherLast, first};
    }
    mapFragment(in, f, headed ? further : head, depth);
  }
}

// One occurrence of the interaction, in the order of its fragments: the
// message it sends is numbered here (below the message that started the
// innermost execution running on the sender's lifeline, if any); then the
// executions it finishes stop and those it starts begin.
void XmiModel::mapEvent(Interaction& in, std::string_view id, Place& place) {
  const Event* event = in.events.find(id);
  if (event == nullptr || event->execution) return;
  const std::int32_t lifeline = event->lifeline;
  const auto emit = [&](std::size_t i, const std::string* parent) {
    Interaction::Message& m = in.messages[i];
    if (m.emitted) return;
    m.emitted = true;
    const std::string& scope = place.scope;
    if (parent != nullptr && (scope.empty() || *parent == scope || parent->starts_with(scope + "."))) {
      m.label = *parent + "." + std::to_string(++in.childCounters[*parent]);
    } else {
      const std::string n = std::to_string(++*place.counter);
      m.label = place.prefix.empty() ? n : place.prefix + "." + n;
      *place.last = m.label;
    }
    in.order.push_back({i, m.label, std::move(in.pending)});
    in.pending.clear();
  };
  if (event->sends > 0) {
    // The innermost running execution that a message started.
    const std::string* parent = nullptr;
    if (const auto run = in.running.find(lifeline); lifeline != 0 && run != in.running.end())
      for (auto e = run->second.rbegin(); e != run->second.rend() && parent == nullptr; ++e)
        if (const std::int32_t s = in.executions[*e].starter; s > 0 && in.messages[s - 1].emitted)
          parent = &in.messages[s - 1].label;
    emit(static_cast<std::size_t>(event->sends - 1), parent);
  } else if (event->receives > 0) {
    // A message sent from outside the fragments (a gate, a found message)
    // takes the place of its receiving event.
    const std::size_t r = static_cast<std::size_t>(event->receives - 1);
    const Event* send = in.events.find(in.messages[r].send);
    if (send == nullptr || !send->fragment) emit(r, nullptr);
  }
  if (in.executions.empty()) return;
  if (const auto f = in.finishesAt.find(id); f != in.finishesAt.end())
    for (std::size_t e : f->second) {
      std::vector<std::size_t>& run = in.running[in.executions[e].lifeline];
      if (const auto at = std::find(run.rbegin(), run.rend(), e); at != run.rend()) run.erase(std::next(at).base());
    }
  // A reply starts no execution; an execution that starts on the receipt of
  // a message, or on the next event of its lifeline after it, is that
  // message's.
  const auto received = [&](std::int32_t message) {
    return message > 0 && !in.messages[static_cast<std::size_t>(message - 1)].reply ? message : 0;
  };
  if (const auto s = in.startsAt.find(id); s != in.startsAt.end())
    for (std::size_t e : s->second) {
      Interaction::Execution& x = in.executions[e];
      if (x.lifeline == 0) x.lifeline = lifeline;
      if (x.lifeline == 0) continue;
      x.starter = event->receives > 0 ? received(event->receives) : received(in.lastReceived[x.lifeline]);
      in.running[x.lifeline].push_back(e);
    }
  if (lifeline != 0) in.lastReceived[lifeline] = event->receives;
}

void XmiModel::resolve() {
  const auto unresolved = [&](std::string_view id) {
    ++unresolvedCount_;
    if (unresolved_.size() < 5) unresolved_.emplace_back(id);
  };
  const auto find = [&](std::string_view id) {
    if (id.empty()) return Handle{};
    const Handle h = handleOf(id);
    if (!h && !nodeOf(id)) unresolved(id);
    return h;
  };

  // Lifelines: the class of the property each represents.
  for (const Deferred& d : objects_) {
    const pugi::xml_node l(d.node);
    const std::string_view represents = ref1(l, "represents");
    Handle cls = find(represents);
    if (!cls) {
      if (const pugi::xml_node p = nodeOf(represents)) {
        std::string_view type = ref1(p, "type");
        if (type.empty())
          if (const pugi::xml_node cl = p.child("classifier")) type = cl.attribute(idrefAttr_.c_str()).value();
        if (type.empty()) type = p.attribute("classifier").value();
        cls = find(type);
      }
    }
    if (KindOf(cls) == Kind::kClass) get(d.element)->ref = cls;
  }
  // A class's state machine may be packaged elsewhere and named by its
  // classifierBehavior.
  for (std::size_t i = 1, n = elements_.size(); i < n; ++i) {
    if (elements_[i].kind != Kind::kClass || elements_[i].ref) continue;
    const pugi::xml_node behavior = nodeOf(ref1(pugi::xml_node(elements_[i].node), "classifierBehavior"));
    if (behavior && typeOf(behavior) == "StateMachine") mapStateMachine(behavior, Handle{static_cast<std::int32_t>(i)});
  }
  for (const Deferred& d : machines_)
    if (!handleOf(idOf(pugi::xml_node(d.node)))) skip("StateMachine");
  // Messages: the operation of their signature.
  for (const Deferred& d : messages_) {
    const Handle op = find(ref1(pugi::xml_node(d.node), "signature"));
    if (KindOf(op) == Kind::kOperation) {
      get(d.element)->ref = op;
      if (get(d.element)->name.empty()) get(d.element)->name = get(op)->name;
    }
  }
  // Associations: two roles from the member ends (or the owned ends).
  for (const Deferred& d : associations_) {
    const pugi::xml_node a(d.node);
    std::vector<std::string_view> ends = refs(a, "memberEnd");
    if (ends.empty())
      for (pugi::xml_node e = a.child("ownedEnd"); e; e = e.next_sibling("ownedEnd")) ends.push_back(idOf(e));
    const std::vector<std::string_view> navigable = refs(a, "navigableOwnedEnd");
    Element* assoc = get(d.element);
    const std::string assocKey = assoc->identifier;
    for (std::size_t i = 0; i < ends.size() && i < 2; ++i) {
      const pugi::xml_node end = nodeOf(ends[i]);
      if (!end) unresolved(ends[i]);
      const Handle role = add(Kind::kRole, d.element, end, assocKey + "#role" + std::to_string(i + 1));
      Element* r = get(role);
      if (end) {
        r->name = end.attribute("name").value();
        r->ref = find(ref1(end, "type"));
        const std::string_view isNavigable = end.attribute("isNavigable").value();
        r->flag = std::find(navigable.begin(), navigable.end(), ends[i]) != navigable.end() || end.parent() != a ||
                  isNavigable == "true";
      }
      addTo(d.element, kRoles, role);
      (i == 0 ? get(d.element)->ref : get(d.element)->ref2) = role;
    }
  }
  // Include, extend, generalization, interface realization.
  for (const Deferred& d : relations_) {
    const pugi::xml_node r(d.node);
    const std::string_view type = typeOf(r);
    const char* attribute = type == "Include"          ? "addition"
                            : type == "Extend"         ? "extendedCase"
                            : type == "Generalization" ? "general"
                                                       : "contract";
    std::string_view target = ref1(r, attribute);
    if (target.empty() && type == "InterfaceRealization") target = ref1(r, "supplier");
    get(d.element)->ref = find(target);
  }
  // Dependencies: a relation of their client; a realization between a
  // collaboration and a use case links the two. A use case's relations join
  // it to other use cases, as in Rose: its traces to classes (requirements,
  // realizing classes) take no part in the Main Tree.
  std::unordered_map<std::int32_t, Handle> realizes;
  for (const Deferred& d : dependencies_) {
    const pugi::xml_node r(d.node);
    const Handle client = find(ref1(r, "client")), supplier = find(ref1(r, "supplier"));
    const Kind ck = KindOf(client), sk = KindOf(supplier);
    if (ck == Kind::kCollaboration && sk == Kind::kUseCase) realizes.emplace(client.id, supplier);
    if (sk == Kind::kCollaboration && ck == Kind::kUseCase) realizes.emplace(supplier.id, client);
    if (!supplier || (ck != Kind::kClass && ck != Kind::kUseCase)) continue;
    if (ck == Kind::kUseCase && sk != Kind::kUseCase) {
      skip(typeOf(r));
      continue;
    }
    const Handle rel = add(Kind::kRelation, client, r);
    get(rel)->ref2 = client;
    get(rel)->ref = supplier;
    const std::string_view type = typeOf(r);
    const bool realization = type == "Realization" || type == "ComponentRealization";
    addTo(client, ck == Kind::kUseCase ? kUcRelations : realization ? kRelRealize : kRelDepend, rel);
  }
  for (const Deferred& d : collaborationUses_) {
    const Handle col = find(ref1(pugi::xml_node(d.node), "type"));
    if (KindOf(col) == Kind::kCollaboration && KindOf(d.context) == Kind::kUseCase) realizes.emplace(col.id, d.context);
  }
  for (Deferred& d : interactions_) {
    // An interaction of a collaboration that realizes a use case belongs to it.
    if (KindOf(d.context) != Kind::kCollaboration) continue;
    if (auto it = realizes.find(d.context.id); it != realizes.end()) d.context = it->second;
  }
  // Transitions: from their source state to their target.
  for (const Deferred& d : transitions_) {
    const pugi::xml_node t(d.node);
    const Handle source = find(ref1(t, "source")), target = find(ref1(t, "target"));
    if (KindOf(source) != Kind::kState) continue;
    const Handle tr = add(Kind::kTransition, source, t);
    get(tr)->ref = KindOf(target) == Kind::kState ? target : Handle{};
    addTo(source, kTransitions, tr);
  }
  // Comments: the documentation of what they annotate (else of their
  // owner); on a message also a note of its view.
  for (const Deferred& d : comments_) {
    const pugi::xml_node k(d.node);
    std::string body = k.attribute("body") ? k.attribute("body").value() : k.child("body").child_value();
    std::vector<std::string_view> annotated = refs(k, "annotatedElement");
    std::vector<Handle> targets;
    for (std::string_view id : annotated)
      if (const Handle h = handleOf(id)) targets.push_back(h);
    if (annotated.empty() && d.context) targets.push_back(d.context);
    for (Handle h : targets) {
      Element* e = get(h);
      if (!e->documentation.empty()) e->documentation += "\n";
      e->documentation += body;
      if (e->kind == Kind::kMessage) note(Handle{e->count}, body, Fnv(Identifier(Handle{e->count})));
    }
  }
  // A message without a condition gets an empty note: where a view has no
  // note, the condition of the view before it is read (as Rose attaches
  // notes), and the message must not take its predecessor's condition.
  // One empty note serves them all.
  Handle empty;
  const std::size_t count = elements_.size();
  for (std::size_t i = 1; i < count; ++i) {
    const Handle view{static_cast<std::int32_t>(i)};
    if (elements_[i].kind != Kind::kView || !items(view, kNotes).empty()) continue;
    if (!empty) empty = add(Kind::kNote, model_, pugi::xml_node(), "#empty note");
    addTo(view, kNotes, empty);
  }
  // Enterprise Architect keeps documentation and stereotypes in its
  // extension block.
  const pugi::xml_node root = doc_->document_element();
  for (pugi::xml_node x = root.first_child(); x; x = x.next_sibling()) {
    if (Local(x.name()) != "Extension") continue;
    for (pugi::xml_node e = x.child("elements").child("element"); e; e = e.next_sibling("element")) {
      Element* el = get(handleOf(e.attribute(idrefAttr_.c_str()).value()));
      if (el == nullptr) continue;
      const pugi::xml_node p = e.child("properties");
      if (el->documentation.empty()) el->documentation = p.attribute("documentation").value();
      if (el->stereotype.empty()) el->stereotype = p.attribute("stereotype").value();
    }
    for (pugi::xml_node e = x.child("connectors").child("connector"); e; e = e.next_sibling("connector")) {
      Element* el = get(handleOf(e.attribute(idrefAttr_.c_str()).value()));
      if (el != nullptr && el->documentation.empty())
        el->documentation = e.child("documentation").attribute("value").value();
    }
  }
}

void XmiModel::placeInteractions() {
  for (const Deferred& d : interactions_) {
    const Handle owner = KindOf(d.context) == Kind::kUseCase ? d.context : d.package;
    get(d.element)->parent = owner;
    addTo(owner, kScenarioDiagrams, d.element);
    // "Loading all Sequence" reads the packages: those of their use cases too.
    addTo(d.package, kAllScenarioDiagrams, d.element);
  }
}

void XmiModel::readDiagrams() {
  bool useCaseDiagrams = false;
  const auto fill = [&](Handle diagram, std::string_view subject) {
    const Handle h = handleOf(subject);
    switch (KindOf(h)) {
      case Kind::kClass: addTo(diagram, kDiagClasses, h); break;
      case Kind::kUseCase: addTo(diagram, kDiagUseCases, h); break;
      case Kind::kAssociation: addTo(diagram, kDiagAssociations, h); break;
      case Kind::kPackage: addTo(diagram, kDiagPackages, h); break;
      default: break;
    }
  };
  // Visual Paradigm: uml:Diagram elements with diagram elements naming their subjects.
  for (const Deferred& d : diagrams_) {
    const pugi::xml_node n(d.node);
    const std::string_view kind = n.attribute("diagramType").value();
    const bool useCase = kind.find("UseCase") != std::string_view::npos;
    if (!useCase && kind.find("Class") == std::string_view::npos) continue;
    std::vector<std::string_view> subjects;
    std::function<void(pugi::xml_node, int)> collect = [&](pugi::xml_node p, int depth) {
      if (depth > kMaxDepth) return;
      for (pugi::xml_node c = p.first_child(); c; c = c.next_sibling()) {
        if (const pugi::xml_attribute s = c.attribute("subject")) subjects.emplace_back(s.value());
        collect(c, depth + 1);
      }
    };
    collect(n, 0);
    Handle package = d.package;
    if (!package) {
      for (std::string_view s : subjects) {
        const Kind k = KindOf(handleOf(s));
        if (k == Kind::kUseCase || k == Kind::kClass) {
          package = get(handleOf(s))->parent;
          break;
        }
      }
    }
    if (KindOf(package) != Kind::kPackage) package = rootPackage_;
    const Handle diagram = add(Kind::kDiagram, package, n);
    get(diagram)->flag = useCase;
    useCaseDiagrams = useCaseDiagrams || useCase;
    addTo(package, kClassDiagrams, diagram);
    for (std::string_view s : subjects) fill(diagram, s);
  }
  // Enterprise Architect: the diagrams of its extension block.
  const pugi::xml_node root = doc_->document_element();
  for (pugi::xml_node x = root.first_child(); x; x = x.next_sibling()) {
    if (Local(x.name()) != "Extension") continue;
    for (pugi::xml_node dn = x.child("diagrams").child("diagram"); dn; dn = dn.next_sibling("diagram")) {
      const pugi::xml_node props = dn.child("properties");
      const std::string_view kind = props.attribute("type").value();
      const bool useCase = kind == "Use Case";
      if (!useCase && kind != "Logical") continue;
      Handle package = handleOf(dn.child("model").attribute("package").value());
      if (KindOf(package) != Kind::kPackage) package = rootPackage_;
      const Handle diagram = add(Kind::kDiagram, package, dn);
      get(diagram)->name = props.attribute("name").value();
      get(diagram)->documentation = props.attribute("documentation").value();
      get(diagram)->flag = useCase;
      useCaseDiagrams = useCaseDiagrams || useCase;
      addTo(package, kClassDiagrams, diagram);
      for (pugi::xml_node e = dn.child("elements").child("element"); e; e = e.next_sibling("element"))
        fill(diagram, e.attribute("subject").value());
    }
  }
  if (!useCaseDiagrams) makeUseCaseDiagrams();
}

void XmiModel::makeUseCaseDiagrams() {
  // Without diagrams in the file, every package that owns actors or use
  // cases gets one use-case diagram showing them and the associations
  // between actors and use cases.
  std::vector<Handle> packages;
  std::function<void(Handle)> walkPackages = [&](Handle p) {
    for (Handle q : items(p, kPackages)) {
      packages.push_back(q);
      walkPackages(q);
    }
  };
  walkPackages(model_);
  std::unordered_map<std::int32_t, Handle> diagramOf;
  for (Handle p : packages) {
    std::vector<Handle> actors;
    for (Handle k : items(p, kClasses))
      if (get(k)->stereotype == "Actor") actors.push_back(k);
    const Items useCases = items(p, kUseCases);
    if (actors.empty() && useCases.empty()) continue;
    const Handle d = add(Kind::kDiagram, p, pugi::xml_node(), std::string(get(p)->identifier) + "#usecases");
    get(d)->name = get(p)->name.empty() ? std::string("Use cases") : get(p)->name;
    get(d)->flag = true;
    addTo(p, kClassDiagrams, d);
    for (Handle a : actors) addTo(d, kDiagClasses, a);
    for (Handle u : useCases) addTo(d, kDiagUseCases, u);
    diagramOf.emplace(p.id, d);
  }
  const auto shown = [&](Handle e) {
    const Element* el = get(e);
    return el != nullptr && (el->kind == Kind::kUseCase || (el->kind == Kind::kClass && el->stereotype == "Actor"));
  };
  for (std::size_t i = 1; i < elements_.size(); ++i) {
    if (elements_[i].kind != Kind::kAssociation) continue;
    const Handle a{static_cast<std::int32_t>(i)};
    const Handle e1 = RoleElement(Role1(a)), e2 = RoleElement(Role2(a));
    if (!shown(e1) || !shown(e2)) continue;
    auto it = diagramOf.find(get(e1)->parent.id);
    if (it == diagramOf.end()) it = diagramOf.find(get(e2)->parent.id);
    if (it != diagramOf.end()) addTo(it->second, kDiagAssociations, a);
  }
}

void XmiModel::finishCollections() {
  for (std::size_t i = 1; i < elements_.size(); ++i) {
    if (elements_[i].kind != Kind::kAssociation) continue;
    const Handle assoc{static_cast<std::int32_t>(i)};
    Handle last;
    for (Handle role : items(assoc, kRoles)) {
      const Handle u = get(role)->ref;
      if (u && get(u)->kind == Kind::kUseCase && !(u == last)) {
        addTo(u, kUcAssociations, assoc);
        last = u;
      }
    }
  }
  std::function<void(Handle, std::vector<Handle>&, int)> walkPackages = [&](Handle p, std::vector<Handle>& out,
                                                                            int depth) {
    if (depth > kMaxDepth) return;
    for (Handle q : items(p, kPackages)) {
      out.push_back(q);
      walkPackages(q, out, depth + 1);
    }
  };
  std::vector<Handle> all;
  walkPackages(model_, all, 0);
  std::vector<Handle> useCases;
  for (Handle p : all) {
    std::vector<Handle> below;
    walkPackages(p, below, 0);
    for (Handle q : below) addTo(p, kAllPackages, q);
    for (Handle u : items(p, kUseCases)) useCases.push_back(u);
  }
  for (Handle p : all) addTo(model_, kAllPackages, p);
  for (Handle u : useCases) addTo(model_, kAllUseCases, u);
}

ModelSummary XmiModel::Summarize() const {
  ModelSummary s;
  for (std::size_t i = 2; i < elements_.size(); ++i) {
    const Element& e = elements_[i];
    switch (e.kind) {
      case Kind::kPackage:
        if (static_cast<std::int32_t>(i) != rootPackage_.id) ++s.packages;
        break;
      case Kind::kUseCase: ++s.useCases; break;
      case Kind::kClass: (e.stereotype == "Actor" ? s.actors : s.classes)++; break;
      case Kind::kMessage: ++s.messages; break;
      case Kind::kDiagram:
        if (e.diagramKind == kSequenceDiagram)
          ++s.sequenceDiagrams;
        else if (e.flag)
          ++s.useCaseDiagrams;
        else
          ++s.classDiagrams;
        break;
      default: break;
    }
  }
  return s;
}

// --- reads -----------------------------------------------------------------

XmiModel::Kind XmiModel::KindOf(Handle h) const {
  const Element* e = get(h);
  return e == nullptr ? Kind::kNone : e->kind;
}

Handle XmiModel::Owner(Handle h) const {
  const Element* e = get(h);
  return e == nullptr ? Handle{} : e->parent;
}

Handle XmiModel::FindByXmiId(std::string_view id) const { return handleOf(id); }

int XmiModel::FragmentCount(Handle d) const { return KindOf(d) == Kind::kDiagram ? get(d)->count : 0; }

std::vector<Handle> XmiModel::AllOfKind(Kind kind) const {
  std::vector<Handle> out;
  for (std::size_t i = 1; i < elements_.size(); ++i)
    if (elements_[i].kind == kind) out.push_back(Handle{static_cast<std::int32_t>(i)});
  return out;
}

Handle XmiModel::ref(Handle h, Kind kind) const {
  const Element* e = get(h);
  return e != nullptr && e->kind == kind ? e->ref : Handle{};
}

Items XmiModel::SubPackages(Handle package) const {
  return KindOf(package) == Kind::kPackage ? items(package, kPackages) : Items();
}
Items XmiModel::PackageReuses(Handle) const { return {}; }
Handle XmiModel::ReusedPackage(Handle) const { return {}; }

bool XmiModel::IsUseCaseDiagram(Handle d) const {
  return KindOf(d) == Kind::kDiagram && get(d)->diagramKind == 0 && get(d)->flag;
}

Items XmiModel::ScenarioDiagrams(Handle owner) const {
  return items(owner, KindOf(owner) == Kind::kPackage ? kAllScenarioDiagrams : kScenarioDiagrams);
}
Items XmiModel::UseCaseClassDiagrams(Handle) const { return {}; }

Handle XmiModel::MessageElement(Handle m) const { return KindOf(m) == Kind::kMessage ? m : Handle{}; }
Handle XmiModel::OperationClass(Handle op) const { return KindOf(op) == Kind::kOperation ? get(op)->parent : Handle{}; }
std::string XmiModel::OperationText(Handle op) const {
  return KindOf(op) == Kind::kOperation ? get(op)->documentation : std::string();
}

}  // namespace zov
