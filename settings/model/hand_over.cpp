#include "settings/model/hand_over.h"

#include <cstdint>
#include <vector>

#include "settings/model/registry_access.h"
#include "system/services.h"

namespace kst {
namespace {

// --kestrane-save=SID,BARCODE,HIGH,HIGHON,LOW,LOWON and
// --kestrane-remove=SID,BARCODE, the barcode as four hexadecimal digits per
// UTF-16 code unit, so that no character of it can break the command
// line's quoting.
const Text kSavePrefix = u"--kestrane-save=";
const Text kRemovePrefix = u"--kestrane-remove=";

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
  if (digits.size() % 4 != 0 || digits.size() / 4 > sys::kLongestKeyName) return std::nullopt;
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

bool allDigits(const Text& text) {
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return !text.empty();
}

// The value of a few decimal digits, at most 19.
uint64_t valueOf(const Text& digits) {
  uint64_t value = 0;
  for (char16_t c : digits) value = value * 10 + (c - u'0');
  return value;
}

std::optional<int> number(const Text& digits, store::Range range) {
  if (digits.size() > 3 || !allDigits(digits)) return std::nullopt;
  const int value = static_cast<int>(valueOf(digits));
  if (!range.holds(value)) return std::nullopt;
  return value;
}

std::optional<bool> onOff(const Text& digit) {
  if (digit == u"1") return true;
  if (digit == u"0") return false;
  return std::nullopt;
}

std::optional<HandOver> saveFrom(const Text& text) {
  std::vector<Text> parts = split(text, u',');
  if (parts.size() != 6 || !isSidText(parts[0])) return std::nullopt;
  auto barcode = unhex(parts[1]);
  auto high = number(parts[2], store::kHighRange), low = number(parts[4], store::kLowRange);
  auto highOn = onOff(parts[3]), lowOn = onOff(parts[5]);
  if (!barcode || !high || !low || !highOn || !lowOn) return std::nullopt;
  return HandOver{HandOver::Work::Save, parts[0], *barcode, {*high, *low, *highOn, *lowOn}};
}

std::optional<HandOver> removeFrom(const Text& text) {
  std::vector<Text> parts = split(text, u',');
  if (parts.size() != 2 || !isSidText(parts[0])) return std::nullopt;
  auto barcode = unhex(parts[1]);
  if (!barcode || barcode->empty()) return std::nullopt;
  return HandOver{HandOver::Work::Remove, parts[0], *barcode, {}};
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }
size_t afterBlanks(const Text& text, size_t i) {
  while (i < text.size() && isBlank(text[i])) ++i;
  return i;
}
size_t endOfWord(const Text& text, size_t i) {
  while (i < text.size() && !isBlank(text[i])) ++i;
  return i;
}

}  // namespace

bool isSidText(const Text& text) {
  // Revision 1, the authority (48 bits) and at most 15 sub-authorities (32 bits each).
  constexpr size_t kMostSubAuthorities = 15;
  const Text prefix = u"S-1-";
  if (!text.starts_with(prefix)) return false;
  std::vector<Text> parts = split(text.substr(prefix.size()), u'-');
  if (parts.size() > kMostSubAuthorities + 1 || !allDigits(parts[0]) || parts[0].size() > 15 ||
      valueOf(parts[0]) >= uint64_t{1} << 48) {
    return false;
  }
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!allDigits(parts[i]) || parts[i].size() > 10 || valueOf(parts[i]) > 0xFFFFFFFFu) return false;
  }
  return true;
}

std::optional<Text> whyNoRestartCanGiveRights(sys::TokenKind token, const sys::ElevationPolicy& policy,
                                              bool startedByHandOver) {
  if (startedByHandOver) return u"Kestrane was restarted to get them, and Windows did not give them";
  if (token == sys::TokenKind::Elevated) return u"Kestrane runs with them already";
  // Windows splits an administrator's token only while UAC is on, whatever
  // the policy says until the next restart: the consent prompt elevates it.
  if (token == sys::TokenKind::AdministratorLimited) return std::nullopt;
  // Without UAC there is no prompt: "runas" starts a standard user's
  // program with a standard user's rights again.
  if (!policy.userAccountControl) return u"User Account Control is switched off";
  if (!policy.standardUsersMayAsk) return u"Windows' policy denies standard users' requests for them";
  return std::nullopt;
}

bool actForHandingUser(const HandOver& handOver) {
  reachCurrentUserIn(Text());
  if (!regKeyExists(u"HKU", handOver.userSid)) return false;
  if (handOver.userSid != sys::account().userSid()) reachCurrentUserIn(handOver.userSid);
  return true;
}

Text argumentsAfterProgramName(const Text& commandLine) {
  size_t end = endOfWord(commandLine, 0);
  if (!commandLine.empty() && commandLine[0] == u'"') {
    size_t closing = commandLine.find(u'"', 1);
    end = closing == Text::npos ? commandLine.size() : closing + 1;
  }
  return commandLine.substr(afterBlanks(commandLine, end));
}

Text handOverArgument(const HandOver& handOver) {
  const Text who = handOver.userSid + u"," + hex(handOver.barcode);
  if (handOver.work == HandOver::Work::Remove) return kRemovePrefix + who;
  const store::Thresholds& t = handOver.thresholds;
  return kSavePrefix + who + u"," + decimal(t.highPercent) + u"," + (t.highActive ? u"1" : u"0") + u"," +
         decimal(t.lowPercent) + u"," + (t.lowActive ? u"1" : u"0");
}

StartArguments takeHandOver(const Text& arguments) {
  const bool save = arguments.starts_with(kSavePrefix);
  if (!save && !arguments.starts_with(kRemovePrefix)) return {std::nullopt, arguments};
  const size_t end = endOfWord(arguments, 0);
  StartArguments start{std::nullopt, arguments.substr(afterBlanks(arguments, end))};
  const Text& prefix = save ? kSavePrefix : kRemovePrefix;
  const Text value = arguments.substr(prefix.size(), end - prefix.size());
  start.handOver = save ? saveFrom(value) : removeFrom(value);
  if (start.handOver && store::barcodeNamesOtherKeys(start.handOver->barcode)) start.handOver.reset();
  return start;
}

}  // namespace kst
