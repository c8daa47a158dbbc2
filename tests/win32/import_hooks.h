#pragma once
// Leads this test binary's own imports of Windows functions through
// replacements. The program is linked into the binary, so every call it
// makes to an imported function goes through the binary's import table.
#include <cstddef>
#include <string>
#include <vector>

namespace kst::test {

struct Hook {
  const char* name;
  void* replacement;
  // Where the function as Windows exports it is kept, for the replacement
  // to call.
  void** original;
};

// Points every import of each function at its replacement; the names of
// the functions no import of which could be pointed so. A module imported
// without its table of names (no OriginalFirstThunk) cannot be read, and a
// VirtualProtect that fails leaves the import as it was: a test that counts
// or records through a hook that is not there would see nothing and pass.
std::vector<std::string> hookImports(const Hook* hooks, size_t count);

}  // namespace kst::test
