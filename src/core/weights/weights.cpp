#include "weights/weights.h"

#include "tree/colors.h"
#include "tree/kinds.h"
#include "tree/numbers.h"
#include "tree/tag.h"

namespace zov {

namespace {

constexpr std::string_view kMarker = "WGH=";
constexpr std::int16_t kWeightWithoutMarker = 5;

// How a child's documentation is found: a use case (an entry use case is
// one too: the kind only marks, during the load, a use case reached
// twice), a scenario diagram, or a link node standing for a use case
// reached again (the first 12 characters of its key are the use case's
// identifier). Other children take no documentation weight.
enum class Reading { kNoCondition, kUseCase, kDiagram, kLink };

Reading ReadingOf(std::string_view k) {
  if (k == kind::kUsecase || k == kind::kUsecaseRel || k == kind::kEntryUsecase) return Reading::kUseCase;
  if (kind::IsScenario(k)) return Reading::kDiagram;
  if (k == kind::kContinua || k == kind::kUsecaseCic) return Reading::kLink;
  return Reading::kNoCondition;
}

struct Document {
  bool pesato = false;  // the child takes a documentation weight
  std::string_view text_;
};

// The documentation of the element a child stands for; nothing when a use
// case or diagram child is no element of the model.
std::optional<Document> DocumentationOf(const Tree& t, NodeId child, const DocumentIndex& index) {
  const Node& c = t.node(child);
  const std::string* found = nullptr;
  switch (ReadingOf(c.image)) {
    case Reading::kNoCondition: return Document{};
    case Reading::kUseCase: found = index.CercaUseCase(c.key); break;
    case Reading::kDiagram: found = index.CercaDiagramma(c.key); break;
    case Reading::kLink:
      found = index.CercaUseCase(std::string_view(c.key).substr(0, 12));
      if (found == nullptr) return Document{};  // a link to something else (a package)
      break;
  }
  if (found == nullptr) return std::nullopt;
  return Document{true, *found};
}

}  // namespace

DocumentIndex::DocumentIndex(const ModelSource& m, Handle model) {
  const auto add = [&m](StringIndex<std::string>& index, Handle h) {
    if (auto [documentation, made] = index.try_emplace(m.Identifier(h)); made) *documentation = m.Documentation(h);
  };
  for (Handle u : m.AllUseCases(model)) {
    add(useCases_, u);
    for (Handle d : m.ScenarioDiagrams(u)) add(diagrams_, d);
  }
}

std::optional<double> DocumentationWeight(std::string_view documentation) {
  const std::size_t at = documentation.find(kMarker);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = documentation.substr(at + kMarker.size());
  const std::size_t start = rest.find_first_not_of(" \t");
  if (start == std::string_view::npos) return 0.0;
  rest = rest.substr(start);
  return ReadNumber(rest.substr(0, rest.find_first_of(" \t\r\n")));
}

std::optional<bool> CercaPesiDoc(const Tree& t, NodeId node, const DocumentIndex& index) {
  for (NodeId c = t.node(node).child; c != kNoNode; c = t.node(c).next) {
    const auto doc = DocumentationOf(t, c, index);
    if (!doc) return std::nullopt;
    if (!doc->pesato) continue;
    // A use case needs only "WGH"; a diagram needs the whole marker.
    const bool diagram = ReadingOf(t.node(c).image) == Reading::kDiagram;
    if (doc->text_.find(diagram ? kMarker : std::string_view("WGH")) != std::string::npos) return true;
  }
  return false;
}

std::optional<std::int16_t> SommaPesiDoc(const Tree& t, NodeId node, const DocumentIndex& index) {
  std::int16_t total = 0;
  for (NodeId c = t.node(node).child; c != kNoNode; c = t.node(c).next) {
    const auto doc = DocumentationOf(t, c, index);
    if (!doc) return std::nullopt;
    if (!doc->pesato) continue;
    const auto weight = DocumentationWeight(doc->text_);
    bool overflow = false;
    total = RoundInt16(static_cast<double>(total) + (weight ? *weight : kWeightWithoutMarker), &overflow);
    if (overflow) return std::nullopt;
  }
  return total;
}

std::optional<DocWeight> LeggiPesoDoc(const Tree& t, NodeId child, const DocumentIndex& index) {
  DocWeight result;
  const auto doc = DocumentationOf(t, child, index);
  if (!doc) return std::nullopt;
  if (!doc->pesato) return result;
  const auto weight = DocumentationWeight(doc->text_);
  if (!weight) {
    result.missing = true;
    return result;
  }
  bool overflow = false;
  result.weight = RoundInt16(*weight, &overflow);
  if (overflow) return std::nullopt;
  return result;
}

bool AssegnaPesi(Tree& t, NodeId node, const DocumentIndex& index) {
  const Node& n0 = t.node(node);
  if (n0.image == kind::kPackage) {
    // A package takes no share; the "Design Link" node keeps its parent's.
    if (n0.text.view().find("Design Link") == std::string_view::npos) {
      t.setText(node, std::string(kPackageLabel) + n0.text);
      t.setTag(node, CreaTag(1, 0.0f, 0, false));
    }
    return true;
  }
  const auto docMode = CercaPesiDoc(t, node, index);
  if (!docMode) return false;
  const NodeTag own = LeggiTag(t.tag(node));
  const auto level = static_cast<std::int16_t>(own.level + 1);
  int n = t.node(node).children;
  if (n == 0) return true;

  bool hasPackage = false;
  for (NodeId c = t.node(node).child; c != kNoNode && !hasPackage; c = t.node(c).next)
    hasPackage = t.node(c).image == kind::kPackage;

  const auto label = [&t](NodeId c, float share) { t.setText(c, WeightLabel(share, t.node(c).text)); };

  if (hasPackage) {
    --n;
    t.setTag(node, CreaTag(own.level, own.weight, static_cast<std::int16_t>(n), own.edited));
    if (n == 0) return false;  // only packages: there is nothing to share
    const auto share = static_cast<float>(1.0 / n);
    for (NodeId c = t.node(node).child; c != kNoNode; c = t.node(c).next) {
      if (t.node(c).image == kind::kPackage) {
        t.setText(c, std::string(kPackageLabel) + t.node(c).text);
        t.setTag(c, CreaTag(level, 0.0f, 0, own.edited));
      } else {
        label(c, share);
        t.setTag(c, CreaTag(level, share, 0, own.edited));
      }
    }
    return true;
  }

  if (*docMode) {
    const auto total = SommaPesiDoc(t, node, index);
    if (!total) return false;
    t.setTag(node, CreaTag(own.level, own.weight, static_cast<std::int16_t>(n), own.edited));
    if (*total == 0) return false;
    for (NodeId c = t.node(node).child; c != kNoNode; c = t.node(c).next) {
      const auto weight = LeggiPesoDoc(t, c, index);
      if (!weight) return false;
      const double w = weight->missing ? kWeightWithoutMarker : weight->weight;
      const auto share = static_cast<float>(w / *total);
      label(c, share);
      t.setTag(c, CreaTag(level, share, 0, own.edited));
    }
    return true;
  }

  t.setTag(node, CreaTag(own.level, own.weight, static_cast<std::int16_t>(n), own.edited));
  const auto share = static_cast<float>(1.0 / n);
  for (NodeId c = t.node(node).child; c != kNoNode; c = t.node(c).next) {
    label(c, share);
    t.setTag(c, CreaTag(level, share, 0, own.edited));
  }
  return true;
}

int WeighTree(Tree& t, const ModelSource& m, Handle model) { return WeighTree(t, DocumentIndex(m, model)); }

int WeighTree(Tree& t, const DocumentIndex& index) {
  int abandoned = 0;
  for (NodeId id : t.liveNodes())
    if (!AssegnaPesi(t, id, index)) ++abandoned;
  return abandoned;
}

float CalcolaPesiAssoluti(Tree& t) {
  float sum = 0.0f;
  for (NodeId id : t.collection()) {
    const Node& n = t.node(id);
    if (n.parent != kNoNode) {
      const NodeTag own = LeggiTag(t.tag(id));
      const NodeTag parent = LeggiTag(t.tag(n.parent));
      const float a = own.weight * parent.weight;
      t.setTag(id, CreaTag(own.level, a, own.count, own.edited));
      t.setText(id, SostituiscePeso(n.text, a));
    }
    if (n.children == 0) {
      t.setForeColor(id, kSelectionLeafFore);
      sum += LeggiTag(t.tag(id)).weight;
    }
  }
  return sum;
}

std::string LeafWeightsSumText(float sum) { return "Leaves weights sum: " + ShortForm(sum); }

void AllineaPesiTag(Tree& t) {
  for (NodeId id : t.collection()) {
    const Node& n = t.node(id);
    const float label = ReadLabelWeight(n.text);
    const NodeTag tag = LeggiTag(t.tag(id));
    if (label != tag.weight) t.setTag(id, CreaTag(tag.level, label, tag.count, tag.edited));
  }
}

}  // namespace zov
