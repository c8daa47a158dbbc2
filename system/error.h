#pragma once
#include <exception>
#include <string>

#include "system/text.h"

namespace kst {

// The one error type the program raises itself. It carries a text that the
// event loop's general handler can show to the user as it stands.
class Error : public std::exception {
 public:
  explicit Error(Text text) : text_(std::move(text)), utf8_(toUtf8(text_)) {}
  const Text& text() const noexcept { return text_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  Text text_;
  std::string utf8_;
};

}  // namespace kst
