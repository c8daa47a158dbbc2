#include "tests/native/program_fixture.h"

#include <ostream>

namespace kst::testing {

std::string utf8(const Text& text) { return toUtf8(text); }

}  // namespace kst::testing

namespace kst {

void PrintTo(const Text& text, std::ostream* out) {
  *out << '"';
  for (char c : toUtf8(text)) {
    if (c == '\r') *out << "\\r";
    else if (c == '\n') *out << "\\n";
    else *out << c;
  }
  *out << '"';
}

}  // namespace kst
