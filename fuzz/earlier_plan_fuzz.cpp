// libFuzzer target: any bytes taken as the plan.json given to "zov plan
// --keep": read, and when accepted, its procedures looked up as a plan does.
#include <cstddef>
#include <cstdint>
#include <string>

#include "session/earlier_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto plan = zov::ParseEarlierPlan(text, "fuzz.json", &error);
  if (!plan) {
    if (error.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  long steps = 0;
  for (const auto& [key, procedures] : plan->paths) {
    const std::size_t cut = key.find('\n');
    if (cut == std::string::npos || plan->of(key.substr(0, cut), key.substr(cut + 1)) != &procedures) __builtin_trap();
    for (const zov::EarlierProcedure& p : procedures) steps += static_cast<long>(p.steps.size()) + p.place;
  }
  return steps < 0 ? 1 : 0;
}
