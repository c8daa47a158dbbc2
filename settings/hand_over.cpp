#include "settings/hand_over.h"

#include <vector>

#include "battery/barcode_rules.h"

namespace kst {
namespace {

// --kestrane-save=BARCODE,HIGH,HIGHON,LOW,LOWON and --kestrane-remove=BARCODE,
// the barcode as four hexadecimal digits per UTF-16 code unit, so that no
// character of it can break the command line's quoting.
const Text kSavePrefix = u"--kestrane-save=";
const Text kRemovePrefix = u"--kestrane-remove=";
// Windows allows key names of up to 255 characters.
constexpr size_t kLongestBarcode = 255;

const char16_t kHexDigits[] = u"0123456789ABCDEF";

Text hex(const Text& text) {
  Text digits;
  for (char16_t unit : text) {
    for (int shift = 12; shift >= 0; shift -= 4) digits += kHexDigits[(unit >> shift) & 0xF];
  }
  return digits;
}

std::optional<int> hexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return std::nullopt;
}

std::optional<Text> unhex(const Text& digits) {
  if (digits.size() % 4 != 0 || digits.size() / 4 > kLongestBarcode) return std::nullopt;
  Text text;
  for (size_t i = 0; i < digits.size(); i += 4) {
    int unit = 0;
    for (size_t j = i; j < i + 4; ++j) {
      auto digit = hexDigit(digits[j]);
      if (!digit) return std::nullopt;
      unit = unit << 4 | *digit;
    }
    if (unit == 0) return std::nullopt;
    text += static_cast<char16_t>(unit);
  }
  return text;
}

std::optional<int> number(const Text& digits, store::Range range) {
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  int value = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  if (!range.holds(value)) return std::nullopt;
  return value;
}

std::optional<bool> onOff(const Text& digit) {
  if (digit == u"1") return true;
  if (digit == u"0") return false;
  return std::nullopt;
}

std::vector<Text> fields(const Text& text) {
  std::vector<Text> parts(1);
  for (char16_t c : text) {
    if (c == u',') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

std::optional<HandOver> saveFrom(const Text& text) {
  std::vector<Text> parts = fields(text);
  if (parts.size() != 5) return std::nullopt;
  auto barcode = unhex(parts[0]);
  auto high = number(parts[1], store::kHighRange), low = number(parts[3], store::kLowRange);
  auto highOn = onOff(parts[2]), lowOn = onOff(parts[4]);
  if (!barcode || !high || !low || !highOn || !lowOn) return std::nullopt;
  return HandOver{HandOver::Work::Save, *barcode, {*high, *low, *highOn, *lowOn}};
}

std::optional<HandOver> removeFrom(const Text& text) {
  auto barcode = unhex(text);
  if (!barcode || barcode->empty()) return std::nullopt;
  return HandOver{HandOver::Work::Remove, *barcode, {}};
}

bool startsWith(const Text& text, const Text& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

Text handOverArgument(const HandOver& handOver) {
  if (handOver.work == HandOver::Work::Remove) return kRemovePrefix + hex(handOver.barcode);
  const store::Thresholds& t = handOver.thresholds;
  return kSavePrefix + hex(handOver.barcode) + u"," + decimal(t.highPercent) + u"," + (t.highActive ? u"1" : u"0") +
         u"," + decimal(t.lowPercent) + u"," + (t.lowActive ? u"1" : u"0");
}

StartArguments takeHandOver(const Text& arguments) {
  const bool save = startsWith(arguments, kSavePrefix);
  if (!save && !startsWith(arguments, kRemovePrefix)) return {std::nullopt, arguments};
  size_t end = 0;
  while (end < arguments.size() && !isBlank(arguments[end])) ++end;
  size_t rest = end;
  while (rest < arguments.size() && isBlank(arguments[rest])) ++rest;
  StartArguments start{std::nullopt, arguments.substr(rest)};
  const Text& prefix = save ? kSavePrefix : kRemovePrefix;
  const Text value = arguments.substr(prefix.size(), end - prefix.size());
  start.handOver = save ? saveFrom(value) : removeFrom(value);
  if (start.handOver && barcodeNamesOtherKeys(start.handOver->barcode)) start.handOver.reset();
  return start;
}

}  // namespace kst
