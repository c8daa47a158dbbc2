#include "cli/json.h"

#include <cstdio>

namespace kst::cli {
namespace {

void writeString(const std::string& text, std::string& out) {
  out += '"';
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

}  // namespace

Json& Json::set(const std::string& key, Json value) {
  std::get<Object>(value_).emplace_back(key, std::move(value));
  return *this;
}

Json& Json::push(Json value) {
  std::get<Array>(value_).push_back(std::move(value));
  return *this;
}

std::string Json::dump() const {
  std::string out;
  write(out);
  return out;
}

void Json::write(std::string& out) const {
  if (std::holds_alternative<std::monostate>(value_)) {
    out += "null";
  } else if (auto* flag = std::get_if<bool>(&value_)) {
    out += *flag ? "true" : "false";
  } else if (auto* whole = std::get_if<long long>(&value_)) {
    out += std::to_string(*whole);
  } else if (auto* real = std::get_if<double>(&value_)) {
    char number[32];
    std::snprintf(number, sizeof number, "%.1f", *real);
    out += number;
  } else if (auto* text = std::get_if<std::string>(&value_)) {
    writeString(*text, out);
  } else if (auto* array = std::get_if<Array>(&value_)) {
    out += '[';
    for (size_t i = 0; i < array->size(); ++i) {
      if (i > 0) out += ',';
      (*array)[i].write(out);
    }
    out += ']';
  } else {
    const Object& object = std::get<Object>(value_);
    out += '{';
    for (size_t i = 0; i < object.size(); ++i) {
      if (i > 0) out += ',';
      writeString(object[i].first, out);
      out += ':';
      object[i].second.write(out);
    }
    out += '}';
  }
}

}  // namespace kst::cli
