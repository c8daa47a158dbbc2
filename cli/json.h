#pragma once
// The little JSON the command line writes: objects keep their keys in the
// order they were set, so that the output reads the same every time.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "system/text.h"

namespace kst::cli {

class Json {
 public:
  using Array = std::vector<Json>;
  using Object = std::vector<std::pair<std::string, Json>>;

  Json() = default;  // null
  Json(bool value) : value_(value) {}
  Json(int value) : value_(static_cast<long long>(value)) {}
  Json(long long value) : value_(value) {}
  Json(double value) : value_(value) {}
  Json(const char* text) : value_(std::string(text)) {}
  Json(const Text& text) : value_(toUtf8(text)) {}
  Json(Array array) : value_(std::move(array)) {}
  Json(Object object) : value_(std::move(object)) {}

  static Json object() { return Json(Object{}); }
  static Json array() { return Json(Array{}); }
  // Adds a key to an object; returns the object for the next key.
  Json& set(const std::string& key, Json value);
  // Appends to an array.
  Json& push(Json value);

  std::string dump() const;

 private:
  void write(std::string& out) const;
  std::variant<std::monostate, bool, long long, double, std::string, Array, Object> value_;
};

}  // namespace kst::cli
