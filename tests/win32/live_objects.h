#pragma once
// The GDI and USER objects that the program's own code has made and not yet
// freed, as Windows hands them out. The program is linked into this test
// binary, so every call it makes to Windows goes through the binary's import
// table; start() leads the calls that make and free such objects through
// here. It counts every object the code makes, inside a handle wrapper or
// not, and none that Windows or its DLLs make for themselves.
#include <string>
#include <vector>

namespace kst::test {

struct LiveObjects {
  int gdiObjects = 0, deviceContexts = 0, icons = 0, windows = 0, menus = 0;
  bool operator==(const LiveObjects&) const = default;

  // Starts counting once, for the rest of the process.
  static void start();
  static LiveObjects now();
  // The functions whose import no counter could be put in front of: a
  // count that misses one would count nothing and pass.
  static std::vector<std::string> unhooked();
};

}  // namespace kst::test
