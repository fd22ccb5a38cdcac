// The shared real models sit beside the clone, in ../shared/models. A clone
// without them skips the tests that read them, naming the missing folder;
// with ZOV_REQUIRE_SHARED=1 in the environment (as in CI) a missing folder
// fails those tests instead.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace zov::test {

inline const std::string kSharedModels = ZOV_SHARED_MODELS_DIR;

inline bool SharedModelsPresent() { return std::filesystem::is_directory(kSharedModels); }

inline bool SharedModelsRequired() {
  const char* v = std::getenv("ZOV_REQUIRE_SHARED");
  return v != nullptr && std::string(v) == "1";
}

}  // namespace zov::test

// At the start of a test (or SetUp) that reads the shared real models.
#define ZOV_NEEDS_SHARED_MODELS()                                                                                      \
  do {                                                                                                                 \
    if (!::zov::test::SharedModelsPresent()) {                                                                         \
      if (::zov::test::SharedModelsRequired())                                                                         \
        FAIL() << "the shared models folder " << ::zov::test::kSharedModels << " is missing and ZOV_REQUIRE_SHARED=1"; \
      GTEST_SKIP() << "the shared models folder " << ::zov::test::kSharedModels << " is missing";                      \
    }                                                                                                                  \
  } while (0)
