#include "model/petal_model.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>

#include <absl/container/flat_hash_map.h>

#include "files/text_encoding.h"
#include "tree/string_index.h"

namespace fs = std::filesystem;

namespace zov {

using petal::Form;
using petal::FormKind;
using petal::Value;
using petal::ValueKind;

struct PetalModel::Context {
  std::uint32_t index;  // position in documents_
  const petal::Document& doc;
  fs::path dir;  // folder of the file, for controlled units
  const TextDecoder& decoder;
};

namespace {

bool IsTrue(const Value* v) { return v != nullptr && v->kind == ValueKind::kWord && v->text == "TRUE"; }

// Message ordinals: those read lie in [0, kMaxOrdinal], so that numbering
// them from 1 cannot overflow; messages without one sort after them all.
constexpr int kMaxOrdinal = 999999999;
constexpr int kNoOrdinal = 1 << 30;

bool Is(const Form& f, std::string_view type) { return f.kind == FormKind::kObject && f.type == type; }

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

// --- building ------------------------------------------------------------

void PetalModel::reset() {
  elements_.assign(1, Element{});
  collections_.clear();
  byQuid_ = {};
  quidsIndexed_ = 0;
  firstWithQuid_.clear();
  documents_.clear();
  decoders_.clear();
  pending_.clear();
  warnings_.clear();
  filesRead_.clear();
  unitsLoading_.clear();
  unitsRead_.clear();
  listings_.clear();
  entriesListed_ = 0;
  bytesRead_ = 0;
  limitReported_ = false;
  interactions_.clear();
  model_ = {};
}

const PetalModel::Element* PetalModel::get(Handle h) const {
  return h.id > 0 && static_cast<std::size_t>(h.id) < elements_.size() ? &elements_[static_cast<std::size_t>(h.id)]
                                                                       : nullptr;
}

PetalModel::Element* PetalModel::get(Handle h) {
  return h.id > 0 && static_cast<std::size_t>(h.id) < elements_.size() ? &elements_[static_cast<std::size_t>(h.id)]
                                                                       : nullptr;
}

std::string PetalModel::text(const Context& c, std::string_view raw, std::uint32_t line) const {
  return c.decoder.decode(raw, line);
}

std::string PetalModel::nameOf(const Context& c, std::string_view raw, std::uint32_t line) const {
  // Rose writes "$UNNAMED$n" for an element without a name.
  if (raw.substr(0, 9) == "$UNNAMED$") return {};
  return text(c, raw, line);
}

// A petal file is 8-bit text in the code page its header's charSet names
// (UTF-8 after a byte order mark); charSet 0 may stand for the encoding
// the tester gives, for files written on a system of another code page.
const TextDecoder& PetalModel::decoderOf(const petal::Document& doc) {
  std::string page = "UTF-8";
  if (!doc.utf8()) {
    const petal::Value* v = doc.top().empty() ? nullptr : doc.find(doc.form(doc.top().front()), "charSet");
    long charSet = 0;
    if (v != nullptr && v->kind == ValueKind::kNumber) charSet = std::strtol(std::string(v->text).c_str(), nullptr, 10);
    page = PetalCodePage(charSet);
    if (page.empty()) {
      warnings_.push_back(doc.file() + ":1: the header's charSet " + std::to_string(charSet) +
                          " names no code page; the text is read as Windows-1252");
      page = PetalCodePage(0);
    } else if (charSet == 0 && !encoding_.empty()) {
      page = encoding_;
    }
  }
  std::optional<TextDecoder> decoder = TextDecoder::Of(page);
  if (!decoder) {
    warnings_.push_back(doc.file() + ": the encoding " + page + " is unknown here; the text is read as Windows-1252");
    decoder = TextDecoder::Of(PetalCodePage(0));
  }
  return decoders_.emplace_back(std::move(*decoder));
}

void PetalModel::warnUndecoded(const petal::Document& doc, const TextDecoder& decoder) {
  if (std::string warning = decoder.undecodedWarning(doc.file()); !warning.empty())
    warnings_.push_back(std::move(warning));
}

std::string PetalModel::stringAttr(const Context& c, const Form& f, std::string_view name) const {
  return valueText(c, c.doc.find(f, name));
}

std::string PetalModel::valueText(const Context& c, const Value* v) const {
  if (v == nullptr) return {};
  if (v->kind == ValueKind::kString || v->kind == ValueKind::kWord || v->kind == ValueKind::kNumber)
    return text(c, v->text, v->line);
  // (value Text "...") forms carry their text as the last item.
  if (const Form* inner = c.doc.formOf(v); inner != nullptr && inner->kind == FormKind::kValue) {
    auto items = c.doc.attributes(*inner);
    for (auto it = items.rbegin(); it != items.rend(); ++it)
      if (it->value.kind == ValueKind::kString) return text(c, it->value.text, it->value.line);
  }
  return {};
}

Handle PetalModel::add(Kind kind, Handle parent, const Context& c, const Form& f) {
  // The three attributes every element reads, found in one pass: the
  // first of each name counts, as for any attribute.
  const Value *quid = nullptr, *stereotype = nullptr, *documentation = nullptr;
  for (const petal::Attribute& a : c.doc.attributes(f)) {
    const std::string_view name = a.name;
    const Value** slot = name == "quid"            ? &quid
                         : name == "stereotype"    ? &stereotype
                         : name == "documentation" ? &documentation
                                                   : nullptr;
    if (slot != nullptr && *slot == nullptr) *slot = &a.value;
  }
  Handle h{static_cast<std::int32_t>(elements_.size())};
  Element& e = elements_.emplace_back();
  e.kind = kind;
  e.parent = parent;
  e.identifier = valueText(c, quid);
  e.name = nameOf(c, f.name, f.line);
  e.stereotype = valueText(c, stereotype);
  e.documentation = valueText(c, documentation);
  return h;
}

void PetalModel::indexQuids() {
  // The quids of the elements made since the last time, in the order made:
  // the first one made keeps its quid.
  const std::size_t from = quidsIndexed_, to = elements_.size();
  if (from >= to) return;
  byQuid_.reserve(byQuid_.size() + (to - from));
  for (std::size_t i = from; i < to; ++i)
    if (const std::string& quid = elements_[i].identifier; !quid.empty())
      byQuid_.try_emplace(quid, Quid{Handle{static_cast<std::int32_t>(i)}, elements_[i].kind});
  quidsIndexed_ = to;
}

void PetalModel::keepMessageQuids() {
  for (std::size_t i = 1; i < elements_.size(); ++i) {
    const Element& e = elements_[i];
    if (e.kind != Kind::kMessage || e.identifier.empty()) continue;
    if (const Quid* first = byQuid_.find(e.identifier);
        first != nullptr && first->element.id != static_cast<std::int32_t>(i))
      firstWithQuid_.emplace(static_cast<std::int32_t>(i), first->element);
  }
  byQuid_ = {};
}

void PetalModel::addTo(Handle owner, Slot slot, Handle item) { collections_.add(owner, slot, item); }

Items PetalModel::items(Handle h, Slot slot) const {
  const std::vector<Handle>* list = collections_.find(h, slot);
  return list == nullptr ? Items() : Items(*list);
}

void PetalModel::defer(Handle h, std::optional<Slot> collection, Kind wanted, const Context& c, const Form& f,
                       std::string_view attribute) {
  const Value* v = c.doc.find(f, attribute);
  if (v == nullptr || v->kind != ValueKind::kString || v->text.empty()) return;
  pending_.push_back({h, collection, wanted, v->text, c.index, v->line, v->column});
}

template <typename Visit>
void PetalModel::forEachItem(const Context& c, const Form& f, std::string_view attribute, const Visit& visit) const {
  const Form* list = c.doc.formOf(c.doc.find(f, attribute));
  if (list == nullptr) return;
  for (const auto& item : c.doc.attributes(*list))
    if (const Form* inner = c.doc.formOf(&item.value); inner != nullptr && inner->kind == FormKind::kObject)
      visit(*inner);
}

Handle PetalModel::OpenModel(const std::string& path, std::string* error) {
  reset();
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (!ec) {
    if (size > maxBytesRead_) {
      if (error != nullptr)
        *error = path + ": the file is larger than " + std::to_string(maxBytesRead_) + " bytes, more than a load reads";
      return {};
    }
    bytesRead_ = size;
  }
  petal::ParseError parseError;
  auto doc = petal::ParseFile(path, &parseError);
  if (!doc) {
    if (error != nullptr) *error = parseError.format();
    return {};
  }
  return openParsed(std::move(*doc), path, error);
}

Handle PetalModel::OpenText(std::string content, const std::string& path, std::string* error) {
  reset();
  bytesRead_ = content.size();
  petal::ParseError parseError;
  auto doc = petal::Parse(std::move(content), path, &parseError);
  if (!doc) {
    if (error != nullptr) *error = parseError.format();
    return {};
  }
  return openParsed(std::move(*doc), path, error);
}

Handle PetalModel::openParsed(petal::Document&& doc, const std::string& path, std::string* error) {
  filesRead_.push_back(path);
  documents_.push_back(std::move(doc));
  // A bare file name lies in the current folder: its units are looked for
  // from "." as they would be for "./name".
  fs::path dir = fs::path(path).parent_path();
  if (dir.empty()) dir = ".";
  Context c{0, documents_.back(), dir, decoderOf(documents_.back())};
  // Room for an element per form at once spares the copies of a growing
  // table; room never used takes no memory.
  elements_.reserve(elements_.size() + c.doc.formCount() + 1);
  collections_.reserve(elements_.capacity());
  pending_.reserve(pending_.size() + c.doc.formCount());
  const auto& top = c.doc.top();

  const Form* design = nullptr;
  const Form* category = nullptr;
  for (std::size_t i = 1; i < top.size(); ++i) {
    const Form& f = c.doc.form(top[i]);
    if (Is(f, "Design") && design == nullptr) design = &f;
    if (Is(f, "Class_Category") && category == nullptr) category = &f;
  }
  if (design == nullptr && category == nullptr) {
    if (error != nullptr)
      *error = path +
               ": neither a model (object Design ...) nor a category unit (object Class_Category ...) "
               "follows the petal header";
    reset();
    return {};
  }

  Element model;
  model.kind = Kind::kModel;
  model.name = fs::path(path).stem().string();
  elements_.push_back(model);
  model_ = Handle{1};

  Handle useCaseRoot, logicalRoot;
  if (design != nullptr) {
    if (const Form* uc = c.doc.formOf(c.doc.find(*design, "root_usecase_package")); uc && Is(*uc, "Class_Category"))
      useCaseRoot = mapPackage(c, *uc, model_);
    if (const Form* lv = c.doc.formOf(c.doc.find(*design, "root_category")); lv && Is(*lv, "Class_Category"))
      logicalRoot = mapPackage(c, *lv, model_);
  } else {
    // A unit opened on its own: a model of that one package, placed in the
    // use-case view when it holds use cases or use-case diagrams, else in the
    // logical view.
    const Handle unit = mapPackage(c, *category, model_);
    resolve();
    finishCollections();
    bool usecases = !items(unit, kUseCases).empty();
    for (Handle q : AllPackages(unit)) usecases = usecases || !items(q, kUseCases).empty();
    for (Handle d : items(unit, kClassDiagrams)) usecases = usecases || get(d)->flag;
    (usecases ? useCaseRoot : logicalRoot) = unit;
  }
  if (design != nullptr) {
    resolve();
    finishCollections();
  }
  get(model_)->ref = useCaseRoot;
  get(model_)->ref2 = logicalRoot;
  keepMessageQuids();
  // Text that did not decode is said once per file.
  for (std::size_t i = 0; i < documents_.size() && i < decoders_.size(); ++i)
    warnUndecoded(documents_[i], decoders_[i]);
  // Everything the model answers is in its elements now: the parsed text,
  // the largest part of a load's memory, goes before the trees are built.
  documents_.clear();
  decoders_.clear();
  return model_;
}

Handle PetalModel::mapPackage(const Context& c, const Form& f, Handle parent, Handle existing) {
  const Handle pkg = existing ? existing : add(Kind::kPackage, parent, c, f);
  if (!existing) addTo(parent, kPackages, pkg);
  const bool unit = IsTrue(c.doc.find(f, "is_unit"));
  const Value* loaded = c.doc.find(f, "is_loaded");
  const bool notLoaded = loaded != nullptr && !IsTrue(loaded);
  if (unit && (notLoaded || (c.doc.find(f, "logical_models") == nullptr && c.doc.find(f, "file_name") != nullptr))) {
    loadUnit(c, f, pkg);
    return pkg;
  }
  mapPackageContents(c, f, pkg);
  return pkg;
}

bool PetalModel::loadUnit(const Context& c, const Form& f, Handle pkg) {
  const std::string packageName = get(pkg)->name;
  std::string fileName = stringAttr(c, f, "file_name");
  const Value* at = c.doc.find(f, "file_name");
  auto where = [&]() {
    const std::uint32_t line = at ? at->line : f.line, column = at ? at->column : f.column;
    return c.doc.file() + ":" + std::to_string(line) + ":" + std::to_string(column) + ": ";
  };
  if (fileName.empty()) {
    warnings_.push_back(where() + "the package \"" + packageName +
                        "\" is a controlled unit that is not loaded and names no file; it stays empty");
    return false;
  }
  // Windows paths and path-map symbols ($CURDIR\x.cat): try the path as
  // written, then below the model's folder, then the bare file name there.
  std::string path = fileName;
  std::replace(path.begin(), path.end(), '\\', '/');
  std::vector<fs::path> candidates;
  std::string relative = path;
  if (!relative.empty() && relative[0] == '$') {
    const auto slash = relative.find('/');
    relative = slash == std::string::npos ? std::string() : relative.substr(slash + 1);
  } else if (relative.size() > 2 && relative[1] == ':') {
    relative = relative.substr(2);
    while (!relative.empty() && relative[0] == '/') relative.erase(0, 1);
  }
  if (path[0] != '$') candidates.push_back(fs::path(path).is_absolute() ? fs::path(path) : c.dir / path);
  if (!relative.empty()) candidates.push_back(c.dir / relative);
  const std::string base = fs::path(path).filename().string();
  candidates.push_back(c.dir / base);
  fs::path found, special;
  std::error_code ec;
  for (const auto& p : candidates) {
    if (fs::is_regular_file(p, ec)) {
      found = p;
      break;
    }
    if (special.empty() && fs::exists(p, ec) && !fs::is_directory(p, ec)) special = p;
  }
  // A device or a FIFO of the unit's name is never read.
  if (found.empty() && !special.empty()) {
    warnings_.push_back(where() + special.string() + ": not a regular file; the controlled unit of the package \"" +
                        packageName + "\" is not read, the package stays empty");
    return false;
  }
  if (found.empty() && !base.empty()) {
    // Model folders copied from Windows may differ in letter case, and a
    // path-map symbol may stand for a folder below the model's: look for the
    // longest matching tail of the path below the model's folder.
    std::vector<std::string> parts;
    for (const auto& part : fs::path(relative.empty() ? base : relative)) parts.push_back(Lower(part.string()));
    std::size_t bestMatch = 0;
    for (const fs::path& file : filesBelow(c.dir)) {
      if (Lower(file.filename().string()) != parts.back()) continue;
      std::size_t match = 1;
      fs::path up = file.parent_path();
      while (match < parts.size() && Lower(up.filename().string()) == parts[parts.size() - 1 - match]) {
        ++match;
        up = up.parent_path();
      }
      if (match > bestMatch) {
        bestMatch = match;
        found = file;
      }
    }
  }
  if (found.empty()) {
    warnings_.push_back(where() + "the controlled unit \"" + fileName + "\" of the package \"" + packageName +
                        "\" was not found next to the model; the package stays empty");
    return false;
  }
  const std::string key = fs::weakly_canonical(found, ec).string();
  if (unitsLoading_.count(key) != 0) {
    warnings_.push_back(where() + "the controlled unit " + found.string() + " includes itself; it is read once");
    return false;
  }
  // Each unit is read and mapped once per load: packages that name it again
  // would otherwise multiply the work with every level of units.
  if (auto read = unitsRead_.find(key); read != unitsRead_.end()) {
    warnings_.push_back(where() + "the controlled unit " + found.string() + " was already read for the package \"" +
                        read->second + "\"; the package \"" + packageName + "\" stays empty");
    return false;
  }
  const std::uintmax_t size = fs::file_size(found, ec);
  if (unitsRead_.size() >= maxUnitFiles_ || (!ec && size > maxBytesRead_ - std::min(bytesRead_, maxBytesRead_))) {
    if (!limitReported_)
      warnings_.push_back(where() + "a load reads at most " + std::to_string(maxUnitFiles_) + " unit files and " +
                          std::to_string(maxBytesRead_) + " bytes; the controlled unit \"" + fileName +
                          "\" of the package \"" + packageName +
                          "\" and the units after it are not read, "
                          "their packages stay empty");
    limitReported_ = true;
    return false;
  }
  unitsRead_.emplace(key, packageName);
  if (!ec) bytesRead_ += size;
  petal::ParseError parseError;
  auto unitDoc = petal::ParseFile(found.string(), &parseError);
  if (!unitDoc) {
    warnings_.push_back(parseError.format() + " (controlled unit of the package \"" + packageName +
                        "\"; the package stays empty)");
    return false;
  }
  filesRead_.push_back(found.string());
  documents_.push_back(std::move(*unitDoc));
  Context unit{static_cast<std::uint32_t>(documents_.size() - 1), documents_.back(), found.parent_path(),
               decoderOf(documents_.back())};
  const Form* category = nullptr;
  for (std::size_t i = 1; i < unit.doc.top().size(); ++i)
    if (Is(unit.doc.form(unit.doc.top()[i]), "Class_Category")) {
      category = &unit.doc.form(unit.doc.top()[i]);
      break;
    }
  if (category == nullptr) {
    warnings_.push_back(found.string() + ": the controlled unit holds no (object Class_Category ...); the package \"" +
                        packageName + "\" stays empty");
    return false;
  }
  unitsLoading_.insert(key);
  Element* e = get(pkg);
  if (e->documentation.empty()) e->documentation = stringAttr(unit, *category, "documentation");
  if (e->stereotype.empty()) e->stereotype = stringAttr(unit, *category, "stereotype");
  mapPackage(unit, *category, e->parent, pkg);
  unitsLoading_.erase(key);
  return true;
}

const std::vector<fs::path>& PetalModel::filesBelow(const fs::path& dir) {
  auto [it, fresh] = listings_.try_emplace(dir.string());
  if (!fresh) return it->second;
  // At most 20,000 entries below one folder, and 200,000 in all for a load.
  std::error_code ec;
  int seen = 0;
  for (auto entry = fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied, ec);
       !ec && entry != fs::recursive_directory_iterator() && seen < 20000 && entriesListed_ < 200000;
       entry.increment(ec), ++seen, ++entriesListed_) {
    if (entry.depth() > 4) {
      entry.disable_recursion_pending();
      continue;
    }
    if (entry->is_regular_file(ec)) it->second.push_back(entry->path().lexically_normal());
  }
  return it->second;
}

int PetalModel::numberAttr(const Context& c, const Form& f, std::string_view name, int low, int high, int absent) {
  const Value* v = c.doc.find(f, name);
  if (v == nullptr || v->kind != ValueKind::kNumber) return absent;
  std::string_view digits = v->text;
  if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec == std::errc::result_out_of_range) value = digits[0] == '-' ? -HUGE_VAL : HUGE_VAL;
  const bool whole =
      ec != std::errc::invalid_argument && end == digits.data() + digits.size() && value == std::trunc(value);
  if (whole && value >= low && value <= high) return static_cast<int>(value);
  const int clamped = ec == std::errc::invalid_argument ? absent
                      : value < low                     ? low
                      : value > high                    ? high
                                                        : static_cast<int>(value);
  warnings_.push_back(c.doc.file() + ":" + std::to_string(v->line) + ":" + std::to_string(v->column) + ": the " +
                      std::string(name) + " " + std::string(v->text) + " is not a whole number from " +
                      std::to_string(low) + " to " + std::to_string(high) + "; it is read as " +
                      std::to_string(clamped));
  return clamped;
}

void PetalModel::mapPackageContents(const Context& c, const Form& f, Handle pkg) {
  forEachItem(c, f, "logical_models", [&](const Form& item) {
    if (item.type == "Class_Category")
      mapPackage(c, item, pkg);
    else if (item.type == "UseCase")
      mapUseCase(c, item, pkg);
    else if (item.type == "Association")
      mapAssociation(c, item, pkg);
    else if (item.type == "Class" || item.type == "Class_Utility" || item.type == "Parameterized_Class" ||
             item.type == "Instantiated_Class" || item.type == "Metaclass")
      mapClass(c, item, pkg);
  });
  forEachItem(c, f, "logical_presentations", [&](const Form& item) {
    if (item.type == "UseCaseDiagram" || item.type == "ClassDiagram")
      mapDiagram(c, item, pkg, kClassDiagrams);
    else if (item.type == "InteractionDiagram" || item.type == "ObjectDiagram")
      mapDiagram(c, item, pkg, kScenarioDiagrams);
  });
  forEachItem(c, f, "visible_categories", [&](const Form& item) {
    const Handle reuse = add(Kind::kReuse, pkg, c, item);
    addTo(pkg, kReuses, reuse);
    defer(reuse, std::nullopt, Kind::kPackage, c, item, "quidu");
  });
}

void PetalModel::mapRelations(const Context& c, const Form& list, Handle owner, Slot slot) {
  for (const auto& item : c.doc.attributes(list)) {
    const Form* r = c.doc.formOf(&item.value);
    if (r == nullptr || r->kind != FormKind::kObject) continue;
    const Handle rel = add(Kind::kRelation, owner, c, *r);
    get(rel)->ref2 = owner;  // the first end is the owner
    addTo(owner, slot, rel);
    defer(rel, std::nullopt, Kind::kNone, c, *r, "quidu");
  }
}

void PetalModel::mapClass(const Context& c, const Form& f, Handle owner) {
  const Handle cls = add(Kind::kClass, owner, c, f);
  addTo(owner, kClasses, cls);
  for (const auto& a : c.doc.attributes(f)) {
    const Form* list = c.doc.formOf(&a.value);
    if (list == nullptr) continue;
    if (a.name == "superclasses")
      mapRelations(c, *list, cls, kRelGeneral);
    else if (a.name == "realized_interfaces")
      mapRelations(c, *list, cls, kRelRealize);
    else if (a.name == "used_nodes" || a.name == "visible_modules")
      mapRelations(c, *list, cls, kRelDepend);
    else if (a.name == "statemachine" && Is(*list, "State_Machine"))
      mapStateMachine(c, *list, cls);
  }
  forEachItem(c, f, "class_attributes", [&](const Form& item) {
    const Handle attr = add(Kind::kAttribute, cls, c, item);
    get(attr)->text = stringAttr(c, item, "type");
    get(attr)->text2 = stringAttr(c, item, "initv");
    addTo(cls, kAttributes, attr);
  });
  forEachItem(c, f, "operations", [&](const Form& item) {
    const Handle op = add(Kind::kOperation, cls, c, item);
    // The operation's text: its semantics where Rose kept them, else its documentation.
    std::string semantics = stringAttr(c, item, "semantics");
    get(op)->text = semantics.empty() ? get(op)->documentation : semantics;
    addTo(cls, kOperations, op);
    forEachItem(c, item, "parameters", [&](const Form& p) {
      const Handle par = add(Kind::kParameter, op, c, p);
      get(par)->text = stringAttr(c, p, "type");
      addTo(op, kParameters, par);
    });
  });
}

void PetalModel::mapStateMachine(const Context& c, const Form& f, Handle cls) {
  const Handle machine = add(Kind::kStateMachine, cls, c, f);
  get(cls)->ref = machine;
  forEachItem(c, f, "states", [&](const Form& s) {
    const Handle state = add(Kind::kState, machine, c, s);
    const std::string type = stringAttr(c, s, "type");
    // Start and end states are pseudo-states: flagged.
    get(state)->flag = type == "StartState" || type == "EndState";
    addTo(machine, kStates, state);
    forEachItem(c, s, "transitions", [&](const Form& t) {
      const Handle tr = add(Kind::kTransition, state, c, t);
      addTo(state, kTransitions, tr);
      defer(tr, std::nullopt, Kind::kState, c, t, "quidu");
    });
  });
}

void PetalModel::mapUseCase(const Context& c, const Form& f, Handle owner) {
  const Handle uc = add(Kind::kUseCase, owner, c, f);
  addTo(owner, kUseCases, uc);
  for (const auto& a : c.doc.attributes(f)) {
    const Form* list = c.doc.formOf(&a.value);
    if (list == nullptr) continue;
    if (a.name == "visible_modules" || a.name == "superclasses") mapRelations(c, *list, uc, kUcRelations);
  }
  forEachItem(c, f, "logical_presentations", [&](const Form& item) {
    if (item.type == "InteractionDiagram" || item.type == "ObjectDiagram")
      mapDiagram(c, item, uc, kScenarioDiagrams);
    else if (item.type == "ClassDiagram" || item.type == "UseCaseDiagram")
      mapDiagram(c, item, uc, kUcClassDiagrams);
  });
}

void PetalModel::mapAssociation(const Context& c, const Form& f, Handle owner) {
  const Handle assoc = add(Kind::kAssociation, owner, c, f);
  addTo(owner, kAssociations, assoc);
  int n = 0;
  forEachItem(c, f, "roles", [&](const Form& r) {
    if (r.type != "Role") return;
    const Handle role = add(Kind::kRole, assoc, c, r);
    get(role)->flag = IsTrue(c.doc.find(r, "is_navigable"));
    defer(role, std::nullopt, Kind::kNone, c, r, "quidu");
    addTo(assoc, kRoles, role);
    if (++n == 1)
      get(assoc)->ref = role;
    else if (n == 2)
      get(assoc)->ref2 = role;
  });
}

void PetalModel::mapDiagram(const Context& c, const Form& f, Handle owner, Slot slot) {
  const Handle d = add(Kind::kDiagram, owner, c, f);
  addTo(owner, slot, d);
  get(d)->flag = f.type == "UseCaseDiagram";
  get(d)->diagramKind = f.type == "InteractionDiagram" ? kSequenceDiagram
                        : f.type == "ObjectDiagram"    ? kCollaborationDiagram
                                                       : 0;

  const bool scenario = get(d)->diagramKind != 0;
  absl::flat_hash_map<std::string_view, Handle, ViewHash> viewsByLabel;
  std::vector<const Form*> attaches;
  forEachItem(c, f, "items", [&](const Form& v) {
    if (!scenario) {
      if (v.type == "ClassView")
        defer(d, kDiagClasses, Kind::kClass, c, v, "quidu");
      else if (v.type == "UseCaseView")
        defer(d, kDiagUseCases, Kind::kUseCase, c, v, "quidu");
      else if (v.type == "CategoryView")
        defer(d, kDiagPackages, Kind::kPackage, c, v, "quidu");
      else if (v.type == "AssociationViewNew")
        defer(d, kDiagAssociations, Kind::kAssociation, c, v, "quidu");
      return;  // views and notes matter only on scenario diagrams
    }
    if (v.type == "AttachView") {
      attaches.push_back(&v);
      return;
    }
    if (v.type == "NoteView") {
      const Handle note = add(Kind::kNote, d, c, v);
      if (const Form* label = c.doc.formOf(c.doc.find(v, "label"))) get(note)->text = stringAttr(c, *label, "label");
      if (!v.label.empty()) viewsByLabel[v.label] = note;
      return;
    }
    const Handle view = add(Kind::kView, d, c, v);
    addTo(d, kViews, view);
    if (!v.label.empty()) viewsByLabel[v.label] = view;
    // A message view names its message in its label.
    if (c.doc.find(v, "quidu") != nullptr) {
      defer(view, std::nullopt, Kind::kNone, c, v, "quidu");
    } else if (const Form* label = c.doc.formOf(c.doc.find(v, "label")); label != nullptr) {
      defer(view, std::nullopt, Kind::kNone, c, *label, "quidu");
    }
  });
  // Notes attached to a view (either end of the attachment may be the note).
  for (const Form* attach : attaches) {
    const Value* client = c.doc.find(*attach, "client");
    const Value* supplier = c.doc.find(*attach, "supplier");
    if (client == nullptr || supplier == nullptr) continue;
    auto a = viewsByLabel.find(client->text), b = viewsByLabel.find(supplier->text);
    if (a == viewsByLabel.end() || b == viewsByLabel.end()) continue;
    Handle note = a->second, view = b->second;
    if (get(note)->kind != Kind::kNote) std::swap(note, view);
    if (get(note)->kind == Kind::kNote && get(view)->kind == Kind::kView) addTo(view, kNotes, note);
  }

  if (scenario) {
    const Value* mech = c.doc.find(f, "mechanism_ref");
    const Form* mechanism =
        mech != nullptr && mech->kind == ValueKind::kReference ? c.doc.labelled(mech->text) : nullptr;
    if (mechanism != nullptr && Is(*mechanism, "Mechanism")) {
      const std::uint64_t key = (static_cast<std::uint64_t>(c.index) << 32) | c.doc.indexOf(mechanism);
      auto [it, fresh] = interactions_.emplace(key, d);
      if (fresh) {
        mapInteraction(c, *mechanism, d);
      } else {
        for (Slot shared : {kObjects, kMessages})
          if (const std::vector<Handle>* from = collections_.find(it->second, shared)) {
            std::vector<Handle> copy = *from;  // the table may grow while inserting
            collections_.at(d, shared) = std::move(copy);
          }
      }
    } else if (mech != nullptr) {
      warnings_.push_back(c.doc.file() + ":" + std::to_string(mech->line) + ":" + std::to_string(mech->column) +
                          ": the diagram \"" + get(d)->name + "\" refers to the interaction " +
                          std::string(mech->text) + ", which is not in the file; it shows no objects or messages");
    }
  }
}

void PetalModel::mapInteraction(const Context& c, const Form& mechanism, Handle diagram) {
  // Objects first, then their links' messages, with sender and receiver
  // found among the objects of this interaction.
  absl::flat_hash_map<std::string, Handle> objects;
  std::vector<std::pair<const Form*, Handle>> owners;
  forEachItem(c, mechanism, "logical_models", [&](const Form& o) {
    if (o.type != "Object") return;
    const Handle obj = add(Kind::kObject, diagram, c, o);
    addTo(diagram, kObjects, obj);
    defer(obj, std::nullopt, Kind::kClass, c, o, "quidu");
    if (!get(obj)->identifier.empty()) objects.emplace(get(obj)->identifier, obj);
    owners.emplace_back(&o, obj);
  });
  struct Found {
    Handle message;
    int ordinal;
    std::size_t order;
  };
  std::vector<Found> messages;
  for (const auto& owner : owners) {
    const Form* form = owner.first;
    const Handle obj = owner.second;  // captured below: no structured binding
    forEachItem(c, *form, "collaborators", [&](const Form& link) {
      add(Kind::kLink, obj, c, link);
      const std::string target = stringAttr(c, link, "quidu");
      auto other = objects.find(target);
      const Handle peer = other == objects.end() ? Handle{} : other->second;
      forEachItem(c, link, "messages", [&](const Form& m) {
        const Handle msg = add(Kind::kMessage, diagram, c, m);
        Element* e = get(msg);
        const bool backwards = stringAttr(c, m, "dir") == "ToClientFromSupplier";
        e->ref2 = backwards ? peer : obj;
        e->ref3 = backwards ? obj : peer;
        e->text = stringAttr(c, m, "sequence");
        const Value* ord = c.doc.find(m, "ordinal");
        e->ordinal = numberAttr(c, m, "ordinal", 0, kMaxOrdinal, 0);
        defer(msg, std::nullopt, Kind::kOperation, c, m, "quidu");
        messages.push_back({msg, ord != nullptr ? e->ordinal : kNoOrdinal, messages.size()});
      });
    });
  }
  std::stable_sort(messages.begin(), messages.end(),
                   [](const Found& a, const Found& b) { return a.ordinal < b.ordinal; });
  for (const Found& m : messages) {
    addTo(diagram, kMessages, m.message);
    // Rose 4 left the sequence label empty; number the messages as shown.
    Element* e = get(m.message);
    if (e->text.empty())
      e->text = std::to_string(m.ordinal == kNoOrdinal ? static_cast<int>(m.order) + 1 : m.ordinal + 1);
  }
}

void PetalModel::resolve() {
  indexQuids();
  for (const Pending& p : pending_) {
    const Quid* found = byQuid_.find(p.quid);
    Handle target = found == nullptr ? Handle{} : found->element;
    if (target && p.wanted != Kind::kNone && found->kind != p.wanted) target = {};
    if (!target) {
      if (found == nullptr) {
        const petal::Document& doc = documents_[p.document];
        warnings_.push_back(doc.file() + ":" + std::to_string(p.line) + ":" + std::to_string(p.column) +
                            ": reference to quid " + std::string(p.quid) + ", which is not in the model");
      }
      continue;
    }
    if (p.collection)
      addTo(p.element, *p.collection, target);
    else
      get(p.element)->ref = target;
  }
  std::vector<Pending>().swap(pending_);  // the trees built next take its memory
}

void PetalModel::finishCollections() {
  linkUseCaseAssociations();
  // Every package and use case in depth-first order, for the flat reads.
  std::function<void(Handle, std::vector<Handle>&)> walk = [&](Handle p, std::vector<Handle>& out) {
    for (Handle q : items(p, kPackages)) {
      out.push_back(q);
      walk(q, out);
    }
  };
  std::vector<Handle> all;
  walk(model_, all);
  std::vector<Handle> useCases;
  for (Handle p : all) {
    std::vector<Handle> below;
    walk(p, below);
    if (!below.empty()) collections_.at(p, kAllPackages) = std::move(below);
    for (Handle u : items(p, kUseCases)) useCases.push_back(u);
  }
  collections_.at(model_, kAllPackages) = std::move(all);
  collections_.at(model_, kAllUseCases) = std::move(useCases);
}

Handle PetalModel::summaryRoot() const { return {}; }

Handle PetalModel::FindByIdentifier(std::string_view quid) const {
  // The load's index is gone once it ends: the first element made with the
  // quid, in the order made, as the index kept it.
  if (const Quid* found = byQuid_.find(quid)) return found->element;
  if (quid.empty()) return {};
  for (std::size_t i = 1; i < elements_.size(); ++i)
    if (elements_[i].identifier == quid) return Handle{static_cast<std::int32_t>(i)};
  return {};
}

Handle PetalModel::ref(Handle h, Kind kind) const {
  const Element* e = get(h);
  return e != nullptr && e->kind == kind ? e->ref : Handle{};
}

Items PetalModel::SubPackages(Handle package) const { return items(package, kPackages); }
Items PetalModel::PackageReuses(Handle package) const { return items(package, kReuses); }
Handle PetalModel::ReusedPackage(Handle reuse) const { return ref(reuse, Kind::kReuse); }

bool PetalModel::IsUseCaseDiagram(Handle d) const { return KindOf(d) == Kind::kDiagram && get(d)->flag; }

Items PetalModel::ScenarioDiagrams(Handle owner) const { return items(owner, kScenarioDiagrams); }
Items PetalModel::UseCaseClassDiagrams(Handle u) const { return items(u, kUcClassDiagrams); }

Handle PetalModel::MessageElement(Handle m) const {
  // Views name a message by its quid; the element they find is the first
  // element made with that quid.
  if (KindOf(m) != Kind::kMessage) return {};
  const auto first = firstWithQuid_.find(m.id);
  return first == firstWithQuid_.end() ? m : first->second;
}
Handle PetalModel::OperationClass(Handle op) const {
  return KindOf(op) == Kind::kOperation ? get(op)->parent : Handle{};
}
std::string PetalModel::OperationText(Handle op) const {
  return KindOf(op) == Kind::kOperation ? get(op)->text : std::string();
}

}  // namespace zov
