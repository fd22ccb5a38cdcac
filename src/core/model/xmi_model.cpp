#include "model/xmi_model.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>
#include <unordered_set>

#include "files/input_file.h"
#include "files/text_encoding.h"
#include "model/petal_model.h"
#include "model/xmi_internal.h"
#include "tree/string_index.h"

namespace fs = std::filesystem;

namespace zov {

using namespace xmi;

bool LooksLikeXml(std::string_view head) {
  if (head.size() >= 2 && ((head[0] == '\xFF' && head[1] == '\xFE') || (head[0] == '\xFE' && head[1] == '\xFF')))
    return true;
  if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
  head = Trim(head);
  return !head.empty() && head.front() == '<';
}

// Every xmi:id of the file, keyed by its text in the parsed buffer (a
// large file holds millions of them).
struct XmiModel::IdTable {
  absl::flat_hash_map<absl::string_view, std::int32_t> entries;

  void clear() { entries.clear(); }
  void reserve(std::size_t n) { entries.reserve(n); }
  const std::int32_t* find(std::string_view k) const {
    if (k.empty()) return nullptr;
    const auto it = entries.find(absl::string_view(k.data(), k.size()));
    return it == entries.end() ? nullptr : &it->second;
  }
  // The place of k's first element: place when k is new.
  std::int32_t insert(std::string_view k, std::int32_t place) {
    return entries.try_emplace(absl::string_view(k.data(), k.size()), place).first->second;
  }
};

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
  std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
    return a.value != b.value ? a.value < b.value : a.element < b.element;
  });
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
  }
}

XmiModel::Identifier12 XmiModel::Element::identifier() const {
  Identifier12 out;
  SetHex12(out.digits, hash);
  return out;
}

XmiModel::XmiModel() = default;
XmiModel::~XmiModel() = default;

// --- building ------------------------------------------------------------

void XmiModel::reset() {
  doc_.reset();
  text_ = TextBlock();
  textSize_ = 0;
  doc_ = std::make_unique<pugi::xml_document>();
  elements_.assign(1, Element{});
  collections_.clear();
  if (!ids_) ids_ = std::make_unique<IdTable>();
  ids_->clear();
  decltype(idPlaces_)().swap(idPlaces_);
  composedNames_.clear();
  nextPlace_ = 0;
  warnings_.clear();
  phases_ = Phases{};
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
  requirementApplied_.clear();
  useCaseTraces_.clear();
  requirements_.clear();
  traced_.clear();
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

namespace {

// The first attribute of that name. Compared in place: every element's id
// and most elements' references are asked for, and most names differ in
// their first character.
pugi::xml_attribute AttributeNamed(pugi::xml_node n, const char* name) {
  for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
    const char* own = a.name();
    if (own[0] == name[0] && std::strcmp(own, name) == 0) return a;
  }
  return {};
}

// The next element from c on (c included) of that name.
pugi::xml_node ElementNamed(pugi::xml_node c, const char* name) {
  for (; c; c = c.next_sibling()) {
    const char* own = c.name();
    if (own[0] == name[0] && std::strcmp(own, name) == 0) return c;
  }
  return {};
}

}  // namespace

std::string_view XmiModel::idOf(pugi::xml_node n) const { return AttributeNamed(n, idAttr_.c_str()).value(); }

const XmiModel::IdPlace* XmiModel::placeOfId(std::string_view id) const {
  const std::int32_t* place = ids_->find(id);
  return place == nullptr ? nullptr : &idPlaces_[static_cast<std::size_t>(*place)];
}

Handle XmiModel::handleOf(std::string_view id) const {
  const IdPlace* p = placeOfId(id);
  return p == nullptr ? Handle{} : Handle{p->handle};
}

pugi::xml_node XmiModel::nodeOf(std::string_view id) const {
  const IdPlace* p = placeOfId(id);
  return pugi::xml_node(p == nullptr ? nullptr : p->node);
}

std::vector<std::string_view> XmiModel::refs(pugi::xml_node n, const char* name) {
  std::vector<std::string_view> out;
  if (const pugi::xml_attribute a = AttributeNamed(n, name)) {
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
  for (pugi::xml_node c = ElementNamed(n.first_child(), name); c; c = ElementNamed(c.next_sibling(), name)) {
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
  if (const pugi::xml_attribute a = AttributeNamed(n, name)) {
    std::string_view list = Trim(a.value());
    std::size_t end = 0;
    while (end < list.size() && !IsSpace(list[end])) ++end;
    if (end > 0) return list.substr(0, end);
  }
  for (pugi::xml_node c = ElementNamed(n.first_child(), name); c; c = ElementNamed(c.next_sibling(), name)) {
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

std::string_view XmiModel::composedName(std::string name) { return composedNames_.emplace_back(std::move(name)); }

Handle XmiModel::addKeyed(Kind kind, Handle parent, std::uint64_t key) {
  const Handle handle{static_cast<std::int32_t>(elements_.size())};
  Element& e = elements_.emplace_back();
  e.kind = kind;
  e.parent = parent;
  e.hash = key;
  return handle;
}

Handle XmiModel::add(Kind kind, Handle parent, pugi::xml_node node, std::string_view key) {
  return add(kind, parent, node, node ? attrsOf(node) : Attrs{}, key);
}

Handle XmiModel::add(Kind kind, Handle parent, pugi::xml_node node, const Attrs& attrs, std::string_view key) {
  const Handle handle{static_cast<std::int32_t>(elements_.size())};
  Element& e = elements_.emplace_back();
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
  lastOwnsId_ = false;
  if (key.empty() && !id.empty()) registerId(id, handle, node.internal_object());
  return handle;
}

void XmiModel::registerId(std::string_view id, Handle handle, pugi::xml_node_struct* node) {
  // The elements are made mostly in document order, the order of the
  // places: the element's place is where the walk has come to, or a few
  // places on (elements that make nothing are passed over). The table
  // answers for the others.
  const auto here = [&](std::size_t p) { return p < idPlaces_.size() && idPlaces_[p].node == node; };
  std::size_t place = nextPlace_;
  for (std::size_t ahead = 0; ahead < 8 && !here(place); ++ahead) ++place;
  if (!here(place)) {
    const std::int32_t* p = ids_->find(id);
    if (p == nullptr) return;
    place = static_cast<std::size_t>(*p);
  }
  // The walk goes on from the element (the first of a repeated id is not
  // where it stands).
  if (idPlaces_[place].node == node) nextPlace_ = place + 1;
  IdPlace& first = idPlaces_[static_cast<std::size_t>(idPlaces_[place].first)];
  if (first.handle == 0) first.handle = handle.id;
  lastOwnsId_ = first.handle == handle.id;
}

void XmiModel::addTo(Handle owner, Slot slot, Handle item) {
  if (static_cast<std::size_t>(owner.id) >= elements_.size()) return;
  collections_.add(owner, static_cast<std::uint8_t>(slot), item);
}

Items XmiModel::items(Handle h, Slot slot) const {
  const std::vector<Handle>* list = collections_.find(h, static_cast<std::uint8_t>(slot));
  return list == nullptr ? Items() : Items(*list);
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
    text_ = TextBlock(size);
    const long n = in->readFully(text_.data(), size);
    if (n < 0) {
      if (error != nullptr) *error = path + ": cannot be read: " + std::strerror(errno);
      reset();
      return {};
    }
    textSize_ = static_cast<std::size_t>(n);
  }
  return openBuffer(path, error);
}

Handle XmiModel::OpenText(std::string content, const std::string& path, std::string* error) {
  reset();
  setText(content);
  std::string().swap(content);  // the reader keeps its own copy
  return openBuffer(path, error);
}

void XmiModel::setText(std::string_view text) {
  text_ = TextBlock(text.size());
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

  // Text in any encoding but UTF-16 and UTF-32 (which the parser reads
  // itself) becomes valid UTF-8 first: the encoding the declaration names,
  // else the one the tester gave, else UTF-8.
  pugi::xml_encoding encoding = pugi::encoding_auto;
  if (const std::string_view content(text_.data(), textSize_); content.size() >= 2 &&
                                                               !(static_cast<unsigned char>(content[0]) >= 0xFE) &&
                                                               content[0] != '\0' && content[1] != '\0') {
    const std::string head = Lower(content.substr(0, std::min<std::size_t>(content.size(), 200)));
    std::string declared;
    if (const std::size_t at = head.find("encoding=");
        head.find("<?xml") != std::string::npos && at != std::string::npos && at + 10 <= head.size()) {
      const char quote = head[at + 9];
      const std::size_t close = head.find(quote, at + 10);
      if ((quote == '"' || quote == '\'') && close != std::string::npos)
        declared = head.substr(at + 10, close - at - 10);
    }
    if (!declared.starts_with("utf-16") && !declared.starts_with("utf-32") && !declared.starts_with("ucs")) {
      std::string page = declared.empty() ? (encoding_.empty() ? "UTF-8" : encoding_) : declared;
      std::optional<TextDecoder> decoder = TextDecoder::Of(page);
      if (!decoder) {
        warnings_.push_back(path + ":1: the encoding \"" + page + "\" is unknown here; the file is read as UTF-8");
        decoder = TextDecoder::Of("UTF-8");
      }
      // The first byte outside ASCII, eight bytes at a time: most models
      // have none, and the scan runs over the whole file.
      std::size_t firstHigh = 0;
      for (std::uint64_t word = 0; firstHigh + 8 <= content.size(); firstHigh += 8) {
        std::memcpy(&word, content.data() + firstHigh, 8);
        if ((word & 0x8080808080808080ull) != 0) break;
      }
      while (firstHigh < content.size() && static_cast<unsigned char>(content[firstHigh]) < 0x80) ++firstHigh;
      if (firstHigh < content.size() && (decoder->name() != "UTF-8" || !IsUtf8(content.substr(firstHigh)))) {
        std::string decoded = decoder->decode(content, 1);
        if (std::string warning = decoder->undecodedWarning(path); !warning.empty())
          warnings_.push_back(std::move(warning));
        setText(decoded);
      }
      encoding = pugi::encoding_utf8;
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
  // Entities a DOCTYPE declares are never expanded (nothing is read from
  // outside the file): their references stay as written, which is said once.
  // A DOCTYPE stands before the root element: only what comes before the
  // first element is searched, not the whole model.
  std::string_view prolog(text_.data(), textSize_);
  for (std::size_t lt = prolog.find('<'); lt != std::string_view::npos && lt + 1 < prolog.size();
       lt = prolog.find('<', lt + 1))
    if (prolog[lt + 1] != '?' && prolog[lt + 1] != '!') {
      prolog = prolog.substr(0, lt);
      break;
    }
  if (const std::string_view content(text_.data(), textSize_); prolog.find("<!DOCTYPE") != std::string_view::npos) {
    const std::size_t at = prolog.find("<!DOCTYPE"), end = content.find("]>", at);
    const std::string_view subset = content.substr(at, end == std::string_view::npos ? 0 : end - at);
    std::size_t entities = 0;
    for (std::size_t e = subset.find("<!ENTITY"); e != std::string_view::npos; e = subset.find("<!ENTITY", e + 1))
      ++entities;
    if (entities > 0)
      warnings_.push_back(path + ":" + std::to_string(1 + std::count(content.begin(), content.begin() + at, '\n')) +
                          ": the DOCTYPE declares " + std::to_string(entities) +
                          (entities == 1 ? " entity" : " entities") +
                          ", which are not expanded: a reference to one (&name;) stays as written");
  }
  // The clock between the steps, for LastPhases().
  auto stepStart = std::chrono::steady_clock::now();
  const auto step = [&stepStart](double& seconds) {
    const auto now = std::chrono::steady_clock::now();
    seconds = std::chrono::duration<double>(now - stepStart).count();
    stepStart = now;
  };
  static char empty[1] = {'\0'};
  const pugi::xml_parse_result result =
      doc_->load_buffer_inplace(textSize_ > 0 ? text_.data() : empty, textSize_, pugi::parse_default, encoding);
  if (!result) return fail(static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0)), result.description());
  step(phases_.parse);

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
  step(phases_.ids);

  Element model;
  model.kind = Kind::kModel;
  model.name = modelNode.attribute("name").value();
  if (model.name.empty()) model.name = composedName(fs::path(path).stem().string());
  model.hash = Fnv("#model");
  elements_.push_back(std::move(model));
  model_ = Handle{1};

  visit(modelNode, Context{}, 0);

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
        const Handle h = handleOf(a.value());
        Element* e = get(h);
        if (e != nullptr && e->stereotype.empty()) e->stereotype = std::string(Local(tag));
        // SysML's Requirement (any profile's "requirement") names and words it.
        if (e != nullptr && Lower(Local(tag)) == "requirement")
          requirementApplied_[h.id] = {c.attribute("id").value(), c.attribute("text").value()};
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

  step(phases_.walk);
  resolve();
  step(phases_.resolve);
  placeInteractions();
  readDiagrams();
  readRequirements();
  finishCollections();
  step(phases_.finish);
  finishIdentifiers();
  step(phases_.identifiers);

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

  // The ids are gathered in document order first and inserted after: a
  // table larger than the cache misses on almost every insert, and walking
  // the document in between keeps those misses from overlapping. The walk
  // that makes the elements reads references through the table, forward
  // ones included, so it is filled before that walk.
  std::vector<std::string_view> keys;
  // Room for an id every 64 bytes, more than models hold: a vector that
  // grows copies itself into new pages, and pages reserved but never
  // written cost no memory.
  keys.reserve(textSize_ / 64);
  idPlaces_.clear();
  idPlaces_.reserve(textSize_ / 64);
  nextPlace_ = 0;
  pugi::xml_node n = root;
  while (n) {
    if (n.type() == pugi::node_element)
      if (const std::string_view value = idOf(n); !value.empty()) {
        keys.push_back(value);
        idPlaces_.push_back({n.internal_object(), 0, static_cast<std::int32_t>(idPlaces_.size())});
      }
    if (pugi::xml_node c = n.first_child()) {
      n = c;
      continue;
    }
    while (n && n != root && !n.next_sibling()) n = n.parent();
    if (!n || n == root) break;
    n = n.next_sibling();
  }
  ids_->reserve(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const std::int32_t first = ids_->insert(keys[i], static_cast<std::int32_t>(i));
    if (first == static_cast<std::int32_t>(i)) continue;
    idPlaces_[i].first = first;
    if (++duplicateIds_ <= 3) {
      // References to a repeated id reach its first element: say where both are.
      const auto lineOf = [this](pugi::xml_node_struct* at) {
        const std::ptrdiff_t offset = pugi::xml_node(at).offset_debug();
        return 1 + std::count(text_.data(), text_.data() + std::max<std::ptrdiff_t>(offset, 0), '\n');
      };
      duplicates_.push_back("\"" + std::string(keys[i]) + "\" on line " +
                            std::to_string(lineOf(idPlaces_[static_cast<std::size_t>(first)].node)) + " and line " +
                            std::to_string(lineOf(idPlaces_[i].node)));
    }
  }
}

Handle XmiModel::summaryRoot() const { return rootPackage_; }

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
