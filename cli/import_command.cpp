// import: a regedit file as export writes it, checked whole and then
// written with every rule of set. reg import writes whatever a file says,
// anywhere; this takes the power manager's threshold key sets alone.
#include <algorithm>
#include <map>
#include <variant>

#include "battery/model/barcode_rules.h"
#include "cli/commands.h"
#include "settings/model/registry_access.h"
#include "system/services.h"

namespace kst::cli {
namespace {

// One key set of the file with the values it gives, and the line of its
// section for what is said of it.
struct Section {
  store::KeySet keySet;
  Text barcode;
  size_t line = 0;
  std::map<Text, uint32_t> values;
};

// A problem of the file, at its line.
struct Refusal {
  size_t line;
  std::string reason;
};

// Registry names match without case.
bool sameName(const Text& a, const Text& b) { return upperCaseText(a) == upperCaseText(b); }
bool startsWithName(const Text& path, const Text& prefix) { return sameName(path.substr(0, prefix.size()), prefix); }

// The file's text: UTF-16 with its byte-order mark, as regedit and export
// --output write it, or UTF-8, as export writes to standard output.
Text decoded(const std::vector<uint8_t>& bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return fromUtf16le(bytes.data() + 2, bytes.size() - 2);
  std::string_view utf8(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
  return fromUtf8(utf8);
}

// Lines end in a line feed, as in regedit's files with a carriage return before it.
std::vector<Text> lines(const Text& text) {
  std::vector<Text> result = split(text, u'\n');
  for (size_t i = 0; i + 1 < result.size(); ++i) {
    if (result[i].ends_with(u'\r')) result[i].pop_back();
  }
  return result;
}

// The key set that a section's key names, with its barcode where it is one
// battery's, wherever the exporting machine kept its machine keys: under
// SOFTWARE\Wow6432Node on 64-bit Windows, under SOFTWARE on 32-bit Windows.
std::optional<Section> sectionFor(const Text& key) {
  const Text machine = u"HKEY_LOCAL_MACHINE\\", user = u"HKEY_CURRENT_USER\\";
  Text path;
  Section section;
  if (startsWithName(key, machine)) {
    path = key.substr(machine.size());
    const Text view = u"SOFTWARE\\Wow6432Node\\";
    if (startsWithName(path, view)) path = u"SOFTWARE\\" + path.substr(view.size());
    section.keySet.root = store::kMachine;
  } else if (startsWithName(key, user)) {
    path = key.substr(user.size());
    section.keySet.root = store::kUser;
  } else {
    return std::nullopt;
  }
  const bool machineKey = section.keySet.root == store::kMachine;
  const std::vector<Text> general = machineKey
                                        ? std::vector<Text>{store::kMachineConfigurationKey, store::kMachineDataKey}
                                        : std::vector<Text>{store::kUserDataKey};
  for (const Text& generalKey : general) {
    if (sameName(path, generalKey)) {
      section.keySet.path = generalKey;
      return section;
    }
  }
  // One battery's key: below the machine configuration key or the user data key.
  const Text& parent = machineKey ? store::kMachineConfigurationKey : store::kUserDataKey;
  if (path.size() <= parent.size() + 1 || !startsWithName(path, parent) || path[parent.size()] != u'\\') {
    return std::nullopt;
  }
  section.barcode = path.substr(parent.size() + 1);
  section.keySet =
      machineKey ? store::machineConfigurationKeyOf(section.barcode) : store::userDataKeyOf(section.barcode);
  return section;
}

// What each value the file may set takes: the switches 0 or 1, the
// percentages the ranges of the editor, "Automatic" any number.
std::optional<std::string> outOfRange(const Text& name, uint32_t value) {
  auto range = [&](store::Range r) -> std::optional<std::string> {
    if (value >= static_cast<uint32_t>(r.minimum) && value <= static_cast<uint32_t>(r.maximum)) return std::nullopt;
    return toUtf8(name) + " is " + std::to_string(value) + "; it takes " + std::to_string(r.minimum) + " to " +
           std::to_string(r.maximum);
  };
  if (name == store::kChargeStartControl || name == store::kChargeStopControl) return range({0, 1});
  if (name == store::kChargeStartPercentage) return range(store::kLowRange);
  if (name == store::kChargeStopPercentage) return range(store::kHighRange);
  return std::nullopt;
}

// A value line, "NAME"=dword:XXXXXXXX, into the section.
std::optional<std::string> takeValue(const Text& line, Section& section) {
  if (line.size() < 2 || line[0] != u'"') return "this is neither a key nor a value";
  const size_t closing = line.find(u'"', 1);
  if (closing == Text::npos) return "the value's name has no closing quote";
  const Text name = line.substr(1, closing - 1);
  const Text rest = line.substr(closing + 1);
  if (rest == u"=-") return "a line that deletes a value is never taken";
  const Text dword = u"=dword:";
  if (!rest.starts_with(dword)) return "\"" + toUtf8(name) + "\" is no DWORD (dword:XXXXXXXX)";
  const Text digits = rest.substr(dword.size());
  if (digits.size() != 8 || digits.find_first_not_of(u"0123456789abcdefABCDEF") != Text::npos) {
    return "\"" + toUtf8(name) + "\" needs eight hexadecimal digits after dword:";
  }
  const std::vector<Text>& exported = exportedValues();
  if (std::find(exported.begin(), exported.end(), name) == exported.end()) {
    return "\"" + toUtf8(name) + "\" is no value that export writes";
  }
  if (section.values.count(name) != 0) return "\"" + toUtf8(name) + "\" is given twice";
  const uint32_t value = static_cast<uint32_t>(std::stoul(toUtf8(digits), nullptr, 16));
  if (auto problem = outOfRange(name, value)) return *problem;
  section.values[name] = value;
  return std::nullopt;
}

std::optional<std::string> checkSection(const Section& section, bool force) {
  for (const Text& name : exportedValues()) {
    if (name != store::kAutomatic && section.values.count(name) == 0) {
      return "the key set lacks " + toUtf8(name) + ": a key set is taken with its four thresholds only";
    }
  }
  const int high = static_cast<int>(section.values.at(store::kChargeStopPercentage));
  const int low = static_cast<int>(section.values.at(store::kChargeStartPercentage));
  if (high - low < store::kMinimumGap) return toUtf8(store::kGapMessage);
  if (auto doubt = doubtedBarcode(section.barcode, force)) {
    return "the barcode " + *doubt + "; give --force to take it anyway";
  }
  return std::nullopt;
}

// The whole file, checked before anything is written: its sections, or
// the first problem with its line number.
std::variant<std::vector<Section>, Refusal> parse(const Text& text, bool force) {
  const std::vector<Text> all = lines(text);
  if (all.empty() || all[0] != kRegeditHeader)
    return Refusal{1, "a regedit file starts with \"" + toUtf8(kRegeditHeader) + "\""};
  std::vector<Section> sections;
  for (size_t number = 2; number <= all.size(); ++number) {
    const Text& line = all[number - 1];
    if (line.empty() || line[0] == u';') continue;
    if (line.front() == u'[') {
      if (line.back() != u']') return Refusal{number, "the key's name has no closing bracket"};
      if (!sections.empty()) {
        if (auto problem = checkSection(sections.back(), force)) return Refusal{sections.back().line, *problem};
      }
      const Text key = line.substr(1, line.size() - 2);
      if (key.starts_with(u"-")) return Refusal{number, "a line that deletes a key is never taken"};
      std::optional<Section> section = sectionFor(key);
      if (!section) return Refusal{number, toUtf8(key) + " is no threshold key set of the power manager"};
      if (auto why = store::whyNotABarcode(section->barcode)) {
        return Refusal{number, "the barcode " + toUtf8(section->barcode) + " cannot be used, because " + toUtf8(*why)};
      }
      for (const Section& earlier : sections) {
        if (earlier.keySet.root == section->keySet.root && sameName(earlier.keySet.path, section->keySet.path)) {
          return Refusal{number, "the key set is given twice"};
        }
      }
      section->line = number;
      sections.push_back(std::move(*section));
      continue;
    }
    if (sections.empty()) return Refusal{number, "a value before any key"};
    if (auto problem = takeValue(line, sections.back())) return Refusal{number, *problem};
  }
  if (sections.empty()) return Refusal{all.size(), "the file holds no key set"};
  if (auto problem = checkSection(sections.back(), force)) return Refusal{sections.back().line, *problem};
  return sections;
}

// The order in which set writes key sets: each battery's user data key
// before its machine configuration key, the batteries first, then the
// user data key, the machine configuration key and the machine data key.
std::vector<Section> inWriteOrder(std::vector<Section> sections) {
  std::vector<Text> barcodes;
  for (const Section& section : sections) {
    if (!section.barcode.empty()) addBarcode(barcodes, section.barcode, false);
  }
  const std::vector<store::KeySet> order = store::writeSet(Text(), barcodes);
  auto rank = [&](const Section& section) {
    for (size_t i = 0; i < order.size(); ++i) {
      if (order[i].root == section.keySet.root && sameName(order[i].path, section.keySet.path)) return i;
    }
    return order.size();
  };
  std::stable_sort(sections.begin(), sections.end(),
                   [&](const Section& a, const Section& b) { return rank(a) < rank(b); });
  return sections;
}

store::Thresholds thresholdsOf(const Section& section) {
  return {static_cast<int>(section.values.at(store::kChargeStopPercentage)),
          static_cast<int>(section.values.at(store::kChargeStartPercentage)),
          section.values.at(store::kChargeStopControl) == 1, section.values.at(store::kChargeStartControl) == 1};
}

}  // namespace

Outcome importSettings(const Invocation& call, const Console& console) {
  if (!call.file) return failure(kBadInput, "import needs the regedit file to take, as export writes it.");
  std::optional<std::vector<uint8_t>> bytes = sys::files().readFile(*call.file);
  if (!bytes) return failure(kBadInput, "Cannot read " + toUtf8(*call.file) + ".");
  auto parsed = parse(decoded(*bytes), call.force);
  if (auto* refusal = std::get_if<Refusal>(&parsed)) {
    return failure(kBadInput, toUtf8(*call.file) + " line " + std::to_string(refusal->line) + ": " + refusal->reason +
                                  ". Nothing was written.");
  }
  const std::vector<Section> sections = inWriteOrder(std::get<std::vector<Section>>(parsed));
  if (call.dryRun) {
    std::string text;
    Json keySets = Json::array();
    for (const Section& section : sections) {
      text += "would write: " + toUtf8(reachedName(section.keySet)) + ": " +
              toUtf8(store::describe(thresholdsOf(section))) + "\n";
      keySets.push(Json(reachedName(section.keySet)));
    }
    Json document = Json::object();
    document.set("file", *call.file).set("dryRun", true).set("keySets", std::move(keySets));
    return written(call, text + "Checked, nothing written.\n", document);
  }
  if (!store::powerManagerPresent()) return powerManagerMissing();
  const int32_t firstInstID = store::readFirstInstID();
  std::vector<store::KeySetWrite> writes;
  for (const Section& section : sections) {
    writes.push_back({section.keySet, store::writeKeySet(section.keySet, thresholdsOf(section), firstInstID)});
    if (!call.json) console.out(writeLine(writes.back()));
  }
  Json document = Json::object();
  document.set("file", *call.file)
      .set("firstInstID", static_cast<long long>(firstInstID))
      .set("keySets", writesJson(writes));
  return writesOutcome(call, "", document, writes);
}

}  // namespace kst::cli
