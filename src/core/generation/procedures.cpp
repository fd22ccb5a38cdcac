#include "generation/procedures.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <tuple>
#include <unordered_set>

#include "files/work_folder.h"
#include "generation/choices.h"
#include "generation/random_source.h"
#include "selection/allocation.h"
#include "specification/specification.h"
#include "tree/numbers.h"

namespace zov {

namespace {
const std::string kRule(34, '-');
}  // namespace

std::string ScriptName(int i) { return "TestScript" + std::to_string(i) + ".txt"; }

CategoryList BuildCategories(const TestCaseRecord& r, std::size_t k, std::size_t j) {
  CategoryList c;
  const auto add = [&c](CategoryRef ref) {
    c.list.push_back(ref);
    if (c.T > std::numeric_limits<std::int64_t>::max() / ref.choices) c.troppe = true;
    if (!c.troppe) c.T *= ref.choices;
  };
  for (std::size_t m = k; m <= j && m < r.messages.size(); ++m) {
    const MessageRecord& msg = r.messages[m];
    c.messages.push_back(static_cast<int>(m));
    if (msg.ownChoiceCount > 0) add({static_cast<int>(m), true, false, 0, msg.ownChoiceCount});
    for (int a = 0; a < msg.attributeCount && a < static_cast<int>(msg.attributes.size()); ++a) {
      const int choices = msg.attributes[static_cast<std::size_t>(a)].choiceCount;
      if (choices > 0) add({static_cast<int>(m), false, true, a, choices});
    }
  }
  return c;
}

std::string CombinationCount(const CategoryList& cat) {
  if (!cat.troppe) return std::to_string(cat.T);
  // Decimal digits, least significant first, multiplied category by category.
  std::vector<int> digits = {1};
  for (const CategoryRef& ref : cat.list) {
    int carry = 0;
    for (int& d : digits) {
      const int v = d * ref.choices + carry;
      d = v % 10;
      carry = v / 10;
    }
    for (; carry > 0; carry /= 10) digits.push_back(carry % 10);
  }
  std::string text;
  for (auto d = digits.rbegin(); d != digits.rend(); ++d) text.push_back(static_cast<char>('0' + *d));
  return text;
}

int ChoiceDigit(std::int64_t n, std::size_t c, const CategoryList& cat) {
  std::int64_t p = 1;
  for (std::size_t i = 0; i <= c; ++i) p *= cat.list[i].choices;
  return static_cast<int>((n / (cat.T / p)) % cat.list[c].choices);
}

std::vector<std::int64_t> ShuffleCombinations(std::int64_t T, RandomSource& random) {
  std::vector<std::int64_t> order(static_cast<std::size_t>(T));
  for (std::int64_t i = 0; i < T; ++i) order[static_cast<std::size_t>(i)] = i;
  for (std::int64_t k = T - 1; k >= 1; --k) {
    auto j = static_cast<std::int64_t>(std::floor(static_cast<double>(k) * random.draw()));
    if (j >= k) j = k - 1;  // guards the rounding of a draw just below 1
    std::swap(order[static_cast<std::size_t>(j)], order[static_cast<std::size_t>(k)]);
  }
  return order;
}

bool SignificantDigits(const TestCaseRecord& r, const CategoryList& cat, const std::vector<int>& digits) {
  // The property and selector lines of the row, as the script writes them.
  std::vector<std::string> row(3);
  row[2] = "True";
  for (std::size_t c = 0; c < cat.list.size() && c < digits.size(); ++c) {
    if (digits[c] < 0) continue;
    const CategoryRef& ref = cat.list[c];
    if (ref.own) continue;
    const MessageRecord& msg = r.messages[static_cast<std::size_t>(ref.message)];
    const AttributeRecord& a = msg.attributes[static_cast<std::size_t>(ref.attr)];
    const auto d = static_cast<std::size_t>(digits[c]);
    if (d >= a.choices.size()) continue;
    const ChoiceRecord& choice = a.choices[d];
    for (int i = 0; i < choice.propertyCount && i < static_cast<int>(choice.properties.size()); ++i) {
      const std::string& name = choice.properties[static_cast<std::size_t>(i)];
      if (FindConflict(name, row, static_cast<int>(row.size()) - 1, true, nullptr)) return false;
      row.push_back(PropertyLine(name));
    }
    for (int i = 0; i < choice.selectorCount && i < static_cast<int>(choice.selectors.size()); ++i) {
      const std::string& name = choice.selectors[static_cast<std::size_t>(i)];
      if (FindConflict(name, row, static_cast<int>(row.size()) - 1, false, nullptr)) return false;
      row.push_back(SelectorLine(name));
    }
  }
  return true;
}

namespace {

// Whether any choice of the path carries a property or an if-selector: only
// then can a procedure be insignificant.
bool Constrained(const TestCaseRecord& r, const CategoryList& cat) {
  for (const CategoryRef& ref : cat.list) {
    if (ref.own) continue;
    const AttributeRecord& a =
        r.messages[static_cast<std::size_t>(ref.message)].attributes[static_cast<std::size_t>(ref.attr)];
    for (const ChoiceRecord& c : a.choices)
      if (c.propertyCount > 0 || c.selectorCount > 0) return true;
  }
  return false;
}

// The value of choice d of a category, as a step of the path writes it.
const std::string& ChoiceValue(const TestCaseRecord& r, const CategoryRef& ref, std::size_t d) {
  static const std::string kNone;
  const MessageRecord& msg = r.messages[static_cast<std::size_t>(ref.message)];
  if (ref.own) return d < msg.ownChoices.size() ? msg.ownChoices[d] : kNone;
  const AttributeRecord& a = msg.attributes[static_cast<std::size_t>(ref.attr)];
  return d < a.choices.size() ? a.choices[d].value : kNone;
}

// The combinations of the earlier procedures still valid on this path, by
// place: significant then and now, the same messages and categories in the
// same order, every value still a choice of its category. A place or a
// combination is kept once; where a category repeats a value, the first of
// its choices not taken by an earlier place stands for it.
void KeptFromEarlier(const TestCaseRecord& r, const CategoryList& cat, const std::vector<EarlierProcedure>& earlier,
                     const SignificanceTest& significant, std::vector<Combination>& kept, std::vector<long>& places) {
  std::vector<const EarlierProcedure*> byPlace;
  for (const EarlierProcedure& e : earlier)
    if (e.significant && e.place > 0 && e.steps.size() == cat.list.size()) byPlace.push_back(&e);
  std::stable_sort(byPlace.begin(), byPlace.end(),
                   [](const EarlierProcedure* a, const EarlierProcedure* b) { return a->place < b->place; });
  std::unordered_set<Combination, CombinationHash> combinations;
  std::unordered_set<long> taken;
  constexpr int kMostTries = 256;  // readings of one procedure's repeated values
  std::vector<std::vector<int>> candidates(cat.list.size());
  std::vector<std::size_t> at(cat.list.size());
  std::vector<int> digits(cat.list.size());
  for (const EarlierProcedure* e : byPlace) {
    if (taken.count(e->place) != 0) continue;
    bool valid = true;
    for (std::size_t c = 0; c < cat.list.size() && valid; ++c) {
      const CategoryRef& ref = cat.list[c];
      const MessageRecord& msg = r.messages[static_cast<std::size_t>(ref.message)];
      const std::string& category = ref.own ? msg.name : msg.attributes[static_cast<std::size_t>(ref.attr)].name;
      const EarlierProcedure::Step& step = e->steps[c];
      candidates[c].clear();
      if (step.message != msg.name || step.category != category) valid = false;
      for (int d = 0; valid && d < ref.choices; ++d)
        if (ChoiceValue(r, ref, static_cast<std::size_t>(d)) == step.value) candidates[c].push_back(d);
      valid = valid && !candidates[c].empty();
    }
    if (!valid) continue;
    // The readings in order, the last category counting fastest.
    std::fill(at.begin(), at.end(), 0);
    for (int tries = 0; tries < kMostTries; ++tries) {
      for (std::size_t c = 0; c < cat.list.size(); ++c) digits[c] = candidates[c][at[c]];
      if (combinations.count(digits) == 0 && (!significant || significant(digits))) {
        combinations.insert(digits);
        taken.insert(e->place);
        kept.push_back(digits);
        places.push_back(e->place);
        break;
      }
      std::size_t c = cat.list.size();
      while (c > 0 && ++at[c - 1] == candidates[c - 1].size()) at[--c] = 0;
      if (c == 0) break;
    }
  }
}

}  // namespace

PathCount GeneratePath(const TestCaseRecord& r, const CategoryList& cat, int testCase, const std::string& pathName,
                       std::int64_t n, RandomSource& random, const std::function<void(const std::string&)>& warn,
                       std::ostream& out, const ProcedureSink& collect, const Strength& strength,
                       const std::vector<EarlierProcedure>* earlier, bool everyPath) {
  PathCount count;
  count.allotted = static_cast<long>(n);
  count.combinations = cat.list.empty() ? 0 : cat.troppe ? -1 : cat.T;
  if (cat.list.empty() && (!everyPath || n <= 0)) {
    out << "\nWARNING!!! No values for Test Procedure generation in Test Case " << pathName << '\n';
    return count;
  }
  if (cat.list.empty()) {
    // Its one procedure: the messages in order, nothing to choose.
    out << "\n- - - - - - generated " << WithSign(1) << " of possible " << WithSign(1)
        << " Test Procedures for Test Case " << pathName << '\n';
    out << "\nTest Procedure  (SD" << WithSign(testCase) << ") " << pathName << "_" << WithSign(1) << "\n\n";
    GeneratedProcedure data;
    data.testCase = testCase;
    data.path = pathName;
    data.number = data.place = 1;
    for (int m : cat.messages)
      if (const std::string& name = r.messages[static_cast<std::size_t>(m)].name; !name.empty()) out << name << '\n';
    out << " \n" << kRule << '\n';
    if (collect) collect(data);
    count.procedures = 1;
    return count;
  }
  const std::size_t k = cat.list.size();
  std::vector<int> sizes;
  for (const CategoryRef& ref : cat.list) sizes.push_back(ref.choices);
  SignificanceTest significant;
  if (Constrained(r, cat))
    significant = [&r, &cat](const std::vector<int>& digits) { return SignificantDigits(r, cat, digits); };
  // The earlier plan's procedures still valid come first, at their places.
  std::vector<Combination> kept;
  std::vector<long> keptPlaces;
  if (earlier != nullptr) {
    count.earlier = static_cast<long>(earlier->size());
    KeptFromEarlier(r, cat, *earlier, significant, kept, keptPlaces);
  }
  // What the strength asks for is drawn next, then the rest as before.
  std::vector<Combination> first;
  count.strength = strength.t;
  if (strength.t > 0) {
    CoverPlan plan = Cover(sizes, strength.t, -1, significant, random, kept);
    count.needed = plan.needed;
    if (strength.fills && plan.needed > n) {
      count.raised = plan.needed - static_cast<long>(n);
      n = plan.needed;
    }
    first = std::move(plan.rows);
  }
  if (earlier != nullptr && !kept.empty()) {
    // Failed procedures planned again come first and always stay: the
    // allotment grows to hold them.
    std::unordered_set<long> again;
    for (const EarlierProcedure& e : *earlier)
      if (e.regression) again.insert(e.place);
    std::vector<std::size_t> order(kept.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_partition(order.begin(), order.end(), [&](std::size_t i) { return again.contains(keptPlaces[i]); });
    std::vector<Combination> sortedKept;
    std::vector<long> sortedPlaces;
    for (std::size_t i : order) sortedKept.push_back(kept[i]), sortedPlaces.push_back(keptPlaces[i]);
    kept = std::move(sortedKept);
    keptPlaces = std::move(sortedPlaces);
    const auto must = static_cast<std::int64_t>(
        std::count_if(keptPlaces.begin(), keptPlaces.end(), [&](long place) { return again.contains(place); }));
    if (must > n) {
      count.regression = static_cast<long>(must - n);
      n = must;
    }
  }
  if (static_cast<std::int64_t>(kept.size()) > n) {
    kept.resize(static_cast<std::size_t>(n));
    keptPlaces.resize(static_cast<std::size_t>(n));
  }
  count.kept = static_cast<long>(kept.size());
  first.insert(first.begin(), kept.begin(), kept.end());
  if (static_cast<std::int64_t>(first.size()) > n) first.resize(static_cast<std::size_t>(n));
  // The combinations in the order drawn: those asked for first, then a
  // random order of the others. A path of few enough combinations lists
  // them all in a random cyclic order; one of more draws each further
  // combination at random, a draw already taken drawn again.
  // A listed path keeps its combinations as numbers, the others as digits.
  std::vector<std::int64_t> numbers;
  std::vector<Combination> drawn;
  std::vector<std::int64_t> divisors(k);  // the place value of each category's digit
  if (cat.listed()) {
    for (std::size_t c = k, product = 1; c-- > 0;) {
      divisors[c] = static_cast<std::int64_t>(product);
      product *= static_cast<std::size_t>(cat.list[c].choices);
    }
    const auto number = [&](const Combination& digits) {
      std::int64_t v = 0;
      for (std::size_t c = 0; c < k; ++c) v += digits[c] * divisors[c];
      return v;
    };
    std::unordered_set<std::int64_t> taken;
    for (const Combination& f : first) {
      numbers.push_back(number(f));
      taken.insert(numbers.back());
    }
    const std::int64_t wanted = std::min<std::int64_t>(n, cat.T);
    for (std::int64_t v : ShuffleCombinations(cat.T, random)) {
      if (static_cast<std::int64_t>(numbers.size()) >= wanted) break;
      if (taken.count(v) == 0) numbers.push_back(v);
    }
  } else {
    std::unordered_set<Combination, CombinationHash> taken(first.begin(), first.end());
    drawn = std::move(first);
    Combination digits(k);
    while (static_cast<std::int64_t>(drawn.size()) < n) {
      for (std::size_t c = 0; c < k; ++c) digits[c] = RandomBelow(random, cat.list[c].choices);
      if (taken.insert(digits).second) drawn.push_back(digits);
    }
  }
  // The digits of the p-th combination drawn.
  Combination combination(k);
  const auto combinationAt = [&](std::size_t p) {
    if (!cat.listed()) return combination = drawn[p], void();
    for (std::size_t c = 0; c < k; ++c)
      combination[c] = static_cast<int>((numbers[p] / divisors[c]) % cat.list[c].choices);
  };
  out << '\n';
  if (cat.troppe || n <= cat.T) {
    out << "- - - - - - generated " << WithSign(n) << " of possible " << (cat.troppe ? " " : "")
        << (cat.troppe ? CombinationCount(cat) : WithSign(cat.T)) << " Test Procedures for Test Case " << pathName
        << '\n';
  } else {
    n = cat.T;
    out << "WARNING!!! The set values are not enough for generating all\n"
        << "Test Procedures for the Test Case " << pathName << '\n'
        << "- - - - - - generated " << WithSign(n) << " Test Procedures for Test Case " << pathName << '\n';
  }
  // Each procedure's place: a kept one's own, the others the lowest free
  // ones in the order drawn; the script lists them by place.
  std::vector<long> places(static_cast<std::size_t>(n));
  {
    const std::unordered_set<long> taken(keptPlaces.begin(), keptPlaces.end());
    long next = 1;
    for (std::size_t p = 0; p < places.size(); ++p) {
      if (p < keptPlaces.size()) {
        places[p] = keptPlaces[p];
        continue;
      }
      while (taken.count(next) != 0) ++next;
      places[p] = next++;
    }
    for (long place : places) count.lastPlace = std::max(count.lastPlace, place);
    if (!kept.empty()) {
      // Places are distinct: the rows sort by place.
      std::vector<std::size_t> byPlace(places.size());
      for (std::size_t p = 0; p < byPlace.size(); ++p) byPlace[p] = p;
      std::sort(byPlace.begin(), byPlace.end(), [&](std::size_t a, std::size_t b) { return places[a] < places[b]; });
      std::vector<long> sortedPlaces;
      std::vector<std::int64_t> sortedNumbers;
      std::vector<Combination> sortedDrawn;
      for (std::size_t p : byPlace) {
        sortedPlaces.push_back(places[p]);
        if (cat.listed())
          sortedNumbers.push_back(numbers[p]);
        else
          sortedDrawn.push_back(std::move(drawn[p]));
      }
      places = std::move(sortedPlaces);
      numbers = std::move(sortedNumbers);
      drawn = std::move(sortedDrawn);
    }
  }
  // One row buffer for every procedure: its cells keep their storage.
  std::vector<std::string> row;
  std::size_t used = 0;
  const auto cell = [&row, &used]() -> std::string& {
    if (used == row.size()) row.emplace_back();
    std::string& c = row[used++];
    c.clear();
    return c;
  };
  static const ChoiceRecord kNoChoice;
  // The values of the significant procedures written, to count repeats.
  std::unordered_set<std::string> seen;
  std::string values;
  std::vector<Combination> significantCombinations;
  GeneratedProcedure data;
  data.testCase = testCase;
  data.path = pathName;
  long number = 1;
  for (std::int64_t p = 0; p < n; ++p) {
    combinationAt(static_cast<std::size_t>(p));
    used = 0;
    cell() = "#";  // the table's column of the combination: never written, the row ends at an empty cell
    cell()
        .append("Test Procedure  (SD")
        .append(WithSign(testCase))
        .append(") ")
        .append(pathName)
        .append("_")
        .append(WithSign(number));
    cell() = "True";
    if (collect) data.steps.clear();
    for (std::size_t c = 0; c < cat.list.size(); ++c) {
      const CategoryRef& ref = cat.list[c];
      const auto d = static_cast<std::size_t>(combination[c]);
      const MessageRecord& msg = r.messages[static_cast<std::size_t>(ref.message)];
      cell() = msg.name;
      if (ref.own) {
        const std::string& own = ChoiceValue(r, ref, d);
        cell().append(" ").append(own);
        if (collect) data.steps.push_back({msg.name, msg.name, own, {}, {}, ref.message});
        continue;
      }
      const AttributeRecord& a = msg.attributes[static_cast<std::size_t>(ref.attr)];
      cell().append(" ").append(a.name);
      const ChoiceRecord& choice = d < a.choices.size() ? a.choices[d] : kNoChoice;
      cell().append("   ").append(choice.value);
      ProcedureStep* step =
          collect ? &data.steps.emplace_back(ProcedureStep{msg.name, a.name, choice.value, {}, {}, ref.message})
                  : nullptr;
      bool conflict = false;
      for (int i = 0; i < choice.propertyCount && i < static_cast<int>(choice.properties.size()) && !conflict; ++i) {
        const std::string& name = choice.properties[static_cast<std::size_t>(i)];
        conflict = FindConflict(name, row, static_cast<int>(used) - 1, true, warn);
        if (conflict) continue;
        cell() = PropertyLine(name);
        if (step != nullptr) step->properties.push_back(name);
      }
      conflict = false;
      for (int i = 0; i < choice.selectorCount && i < static_cast<int>(choice.selectors.size()) && !conflict; ++i) {
        const std::string& name = choice.selectors[static_cast<std::size_t>(i)];
        conflict = FindConflict(name, row, static_cast<int>(used) - 1, false, warn);
        if (conflict) continue;
        cell() = SelectorLine(name);
        if (step != nullptr) step->selectors.push_back(name);
      }
    }
    // WriteProcedures, one row.
    if (row[2] != "True") {
      if (row[2] == "False") {
        out << row[1] << "\nConflicting values choices \n";
        ++count.insignificant;
      }
      out << " \n";
    } else {
      values.clear();
      for (std::size_t c = 0; c < used && !row[c].empty(); ++c) {
        out << (c == 0 || c == 2 ? std::string() : row[c]) << '\n';
        if (c > 2) values.append(row[c]).push_back('\n');
      }
      out << " \n";
      if (!seen.insert(values).second) ++count.duplicates;
    }
    out << kRule << '\n';
    ++count.procedures;
    if (collect) {
      data.number = number;
      data.place = places[static_cast<std::size_t>(p)];
      data.significant = row[2] != "False";
      collect(data);
    }
    // An insignificant procedure leaves its number to the next one.
    if (row[2] != "False") {
      ++number;
      significantCombinations.push_back(combination);
    }
  }
  // How far the significant procedures cover the choices, their pairs and
  // the strength's tuples.
  count.each = CoverageOf(sizes, 1, significantCombinations, significant);
  if (sizes.size() >= 2) count.pairs = CoverageOf(sizes, 2, significantCombinations, significant);
  if (strength.t > 2) count.tuples = CoverageOf(sizes, strength.t, significantCombinations, significant);
  return count;
}

namespace {

// Whether a category of messages k to j holds an invalid value.
bool HasInvalidChoices(const TestCaseRecord& r, std::size_t k, std::size_t j) {
  for (std::size_t m = k; m <= j && m < r.messages.size(); ++m) {
    const MessageRecord& msg = r.messages[m];
    for (int i = 0; i < msg.ownChoiceCount && i < static_cast<int>(msg.ownChoices.size()); ++i)
      if (InvalidValue(msg.ownChoices[static_cast<std::size_t>(i)])) return true;
    for (int a = 0; a < msg.attributeCount && a < static_cast<int>(msg.attributes.size()); ++a) {
      const AttributeRecord& attr = msg.attributes[static_cast<std::size_t>(a)];
      for (int i = 0; i < attr.choiceCount && i < static_cast<int>(attr.choices.size()); ++i)
        if (InvalidValue(attr.choices[static_cast<std::size_t>(i)].value)) return true;
    }
  }
  return false;
}

// The test case with messages k to j holding their valid values only.
TestCaseRecord ValidChoicesOnly(const TestCaseRecord& r, std::size_t k, std::size_t j) {
  TestCaseRecord valid = r;
  for (std::size_t m = k; m <= j && m < valid.messages.size(); ++m) {
    MessageRecord& msg = valid.messages[m];
    std::vector<std::string> own;
    for (int i = 0; i < msg.ownChoiceCount && i < static_cast<int>(msg.ownChoices.size()); ++i)
      if (!InvalidValue(msg.ownChoices[static_cast<std::size_t>(i)]))
        own.push_back(msg.ownChoices[static_cast<std::size_t>(i)]);
    msg.ownChoiceCount = static_cast<std::int16_t>(own.size());
    msg.ownChoices = std::move(own);
    for (int a = 0; a < msg.attributeCount && a < static_cast<int>(msg.attributes.size()); ++a) {
      AttributeRecord& attr = msg.attributes[static_cast<std::size_t>(a)];
      std::vector<ChoiceRecord> choices;
      for (int i = 0; i < attr.choiceCount && i < static_cast<int>(attr.choices.size()); ++i)
        if (!InvalidValue(attr.choices[static_cast<std::size_t>(i)].value))
          choices.push_back(attr.choices[static_cast<std::size_t>(i)]);
      attr.choiceCount = static_cast<std::int16_t>(choices.size());
      attr.choices = std::move(choices);
    }
  }
  return valid;
}

// The negative procedures of a path, after its others: for each invalid
// value of each category, in category order, one procedure giving that
// category that value and every other category a valid value drawn at
// random, so that no procedure holds two invalid values. A category whose
// values are all invalid leaves the others none to try with: they are not
// written, and warn says so.
void WriteNegatives(const TestCaseRecord& r, const TestCaseRecord& valid, std::size_t k, std::size_t j, int testCase,
                    const std::string& pathName, RandomSource& random, std::ostream& out, const ProcedureSink& collect,
                    const std::function<void(const std::string&)>& warn, PathCount& count) {
  const CategoryList all = BuildCategories(r, k, j);
  const auto value = [](const TestCaseRecord& t, const CategoryRef& ref, std::size_t d) -> const std::string& {
    const MessageRecord& msg = t.messages[static_cast<std::size_t>(ref.message)];
    return ref.own ? msg.ownChoices[d] : msg.attributes[static_cast<std::size_t>(ref.attr)].choices[d].value;
  };
  const auto validCount = [&](const CategoryRef& ref) {
    const MessageRecord& msg = valid.messages[static_cast<std::size_t>(ref.message)];
    return ref.own ? static_cast<int>(msg.ownChoiceCount)
                   : static_cast<int>(msg.attributes[static_cast<std::size_t>(ref.attr)].choiceCount);
  };
  long number = 1 + count.procedures - count.insignificant;
  long place = count.lastPlace + 1;
  bool missing = false;
  for (std::size_t c = 0; c < all.list.size(); ++c) {
    const CategoryRef& ref = all.list[c];
    for (int d = 0; d < ref.choices; ++d) {
      if (!InvalidValue(value(r, ref, static_cast<std::size_t>(d)))) continue;
      GeneratedProcedure data;
      data.testCase = testCase;
      data.path = pathName;
      data.number = number;
      data.place = place;
      std::string text =
          "\nTest Procedure  (SD" + WithSign(testCase) + ") " + pathName + "_" + WithSign(number) + "\n\n";
      bool possible = true;
      for (std::size_t o = 0; o < all.list.size() && possible; ++o) {
        const CategoryRef& other = all.list[o];
        const MessageRecord& msg = r.messages[static_cast<std::size_t>(other.message)];
        std::string chosen;
        if (o == c) {
          chosen = WithoutInvalidMark(value(r, ref, static_cast<std::size_t>(d)));
        } else if (const int n = validCount(other); n > 0) {
          chosen = value(valid, other, static_cast<std::size_t>(RandomBelow(random, n)));
        } else {
          possible = false;
          break;
        }
        const std::string category = other.own ? msg.name : msg.attributes[static_cast<std::size_t>(other.attr)].name;
        text += msg.name + "\n" + (other.own ? " " + chosen : " " + category + "\n   " + chosen) + "\n";
        if (o == c) {
          text += "     [Invalid value: to be refused ]\n";
          data.invalid = Trimmed(category) + " = " + Trimmed(chosen);
          data.invalidStep = static_cast<int>(data.steps.size());
        }
        data.steps.push_back({msg.name, category, chosen, {}, {}, other.message});
      }
      if (!possible) {
        missing = true;
        continue;
      }
      out << text << " \n" << kRule << '\n';
      if (collect) collect(data);
      ++count.negative;
      ++number;
      ++place;
    }
  }
  if (missing && warn)
    warn("\"" + WithoutTrailingBlanks(r.name) + "\", path " + pathName +
         ": a category has no valid value; the negative procedures of the other categories were not written.");
}

}  // namespace

GenerationResult GenerateTestProcedures(const GenerationContext& g,
                                        const std::function<void(const std::string&)>& warn) {
  GenerationResult result;
  WorkFolder* work = &g.work;
  const TestCaseTable& table = g.table;
  for (int i = 1; i <= table.count(); ++i) {
    const TestCaseRecord& r = table.cases[static_cast<std::size_t>(i)];
    if (g.progress) g.progress(i - 1, table.count());
    if (g.chosen && !g.chosen(i)) {
      if (work->created(ScriptName(i))) work->removeFile(ScriptName(i));
      continue;
    }
    if (g.status)
      g.status("Generating the test procedures of " + r.name + "(" + std::to_string(i) + " of " +
               std::to_string(table.count()) + ")");
    const std::string file = ScriptName(i);
    std::string error;
    OutputFile out = work->create(file, CreatedList::kScripts, &error);
    const auto failed = [&](const std::string& why) {
      if (g.warn) g.warn(why);
      ++result.failed;
    };
    if (!out.is_open()) {
      failed(error);
      continue;
    }
    result.files.push_back(file);
    result.testCases.push_back(i);
    [&] {
      out << "Test Procedures generation file of  " << r.name << '\n' << '\n';
      // A test case that no diagram matched has no paths: its file has its head only.
      if (r.pathCount <= 0) return;
      // The same shares as the Test Specification tree shows.
      const Quote share = SharePaths(r.allotted, r.pathCount);
      const int q = share.q;
      int rest = share.r;
      std::size_t k = 0;
      while (k < r.messages.size()) {
        const std::string path = r.messages[k].pathName;
        std::size_t j = k;
        while (j + 1 < r.messages.size() && r.messages[j + 1].pathName == path) ++j;
        // Invalid values stay out of the combinations; each gets a
        // negative procedure after the others.
        const bool negatives = HasInvalidChoices(r, k, j);
        const TestCaseRecord valid = negatives ? ValidChoicesOnly(r, k, j) : TestCaseRecord();
        const TestCaseRecord& source = negatives ? valid : r;
        const CategoryList cat = BuildCategories(source, k, j);
        int n = q;
        if (rest > 0) {
          n = q + 1;
          --rest;
        }
        // Each path on its own stream: another path's choices change nothing here.
        const std::unique_ptr<RandomSource> own = g.pathRandom ? g.pathRandom(i, path) : nullptr;
        PathCount written = GeneratePath(source, cat, i, path, n, own ? *own : g.random, warn, out, g.collect,
                                         g.strength, g.earlier ? g.earlier(i, path) : nullptr, g.everyPath);
        if (negatives) WriteNegatives(r, valid, k, j, i, path, own ? *own : g.random, out, g.collect, g.warn, written);
        result.negative += written.negative;
        result.procedures += written.procedures;
        result.insignificant += written.insignificant;
        result.outcomes.push_back({i, path, written});
        out << '\n';
        ++result.paths;
        k = j + 1;
      }
    }();
    // Every write of the file is checked when it is closed (a full disk).
    if (!work->close(out, file, &error)) failed(error);
  }
  return result;
}

}  // namespace zov
