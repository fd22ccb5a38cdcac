// The commit the programs were built from, for "--version" and the About
// box: git's short id, or "unknown" for sources built outside git. Kept
// out of the plans' provenance, which must not change from commit to commit.
#pragma once

namespace zov {

const char* BuildCommit();

}  // namespace zov
