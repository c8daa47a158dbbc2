#pragma once
// What an instance hands to the elevated copy of itself that it starts when
// Windows refused it a key: the save or the removal the user asked for, so
// that the copy finishes it and nothing is typed twice. It goes first on the
// copy's command line, before the arguments the program was started with,
// and the copy takes it off before anything reads them.
#include <optional>

#include "settings/threshold_store.h"
#include "system/text.h"

namespace kst {

struct HandOver {
  enum class Work { Save, Remove };
  Work work = Work::Save;
  // The selection: empty for all batteries (a removal always names one).
  Text barcode;
  // What the save writes.
  store::Thresholds thresholds;
  bool operator==(const HandOver&) const = default;
};

// One word without blanks or quotes, whatever the barcode holds.
Text handOverArgument(const HandOver& handOver);

struct StartArguments {
  // Nothing when the copy was handed nothing, or nothing it may take: a
  // malformed hand-over, a number out of range or a barcode that would
  // name other keys is dropped, and the program starts as usual.
  std::optional<HandOver> handOver;
  // The arguments the program was started with, passed on unchanged.
  Text passedOn;
};
// Splits the arguments after the program name.
StartArguments takeHandOver(const Text& arguments);

}  // namespace kst
