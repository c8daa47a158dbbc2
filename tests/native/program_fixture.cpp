#include "tests/native/program_fixture.h"

#include <ostream>

namespace kst::testing {

std::string utf8(const Text& text) { return toUtf8(text); }

void expectPlaced(const tk::Form& window, const std::vector<Placed>& design) {
  for (const Placed& placed : design) {
    SCOPED_TRACE(window.className() + " " + placed.name);
    const tk::Control* control = window.find(placed.name);
    ASSERT_NE(control, nullptr);
    tk::Rect expected = placed.bounds;
    if (expected.width == 0)
      expected.width = window.app().textExtent(control->font(), control->text(), window.pixelsPerInch()).width;
    EXPECT_EQ(control->bounds(), expected);
    if (placed.tabOrder >= 0) {
      EXPECT_EQ(control->tabOrder, placed.tabOrder);
      EXPECT_EQ(control->tabStop, placed.tabStop);
    }
  }
}

}  // namespace kst::testing

namespace kst {

void PrintTo(const Text& text, std::ostream* out) {
  *out << '"';
  for (char c : toUtf8(text)) {
    if (c == '\r')
      *out << "\\r";
    else if (c == '\n')
      *out << "\\n";
    else
      *out << c;
  }
  *out << '"';
}

void tk::PrintTo(const Rect& rect, std::ostream* out) {
  *out << "{" << rect.left << ", " << rect.top << ", " << rect.width << ", " << rect.height << "}";
}

}  // namespace kst
