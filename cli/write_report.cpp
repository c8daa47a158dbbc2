// How set and import tell of the key sets they wrote: one line each as it
// is done, one JSON entry each, and the exit code of all of them.
#include "cli/commands.h"
#include "system/services.h"

namespace kst::cli {
namespace {

std::string resultWord(store::WriteOutcome::Result result) {
  switch (result) {
    case store::WriteOutcome::Result::Written: return "written";
    case store::WriteOutcome::Result::Refused: return "refused";
    case store::WriteOutcome::Result::Mismatch: return "mismatch";
    case store::WriteOutcome::Result::Error: return "error";
  }
  return "error";
}

std::string why(const store::WriteOutcome& outcome) {
  const std::string value = toUtf8(outcome.failedValue);
  switch (outcome.result) {
    case store::WriteOutcome::Result::Refused:
      return sys::account().elevated() ? "Windows refused to write " + value + " even with administrator rights"
                                       : "no right to write " + value + "; run kestrane-cli from an elevated prompt";
    case store::WriteOutcome::Result::Mismatch: return value + " reads back differently after writing";
    case store::WriteOutcome::Result::Error: return "writing " + value + " failed: " + toUtf8(outcome.reason);
    case store::WriteOutcome::Result::Written: break;
  }
  return "";
}

int exitCodeOf(const std::vector<store::KeySetWrite>& writes) {
  bool refused = false;
  for (const auto& write : writes) {
    if (write.outcome.result == store::WriteOutcome::Result::Mismatch ||
        write.outcome.result == store::WriteOutcome::Result::Error) {
      return kUnexpectedError;
    }
    refused = refused || write.outcome.result == store::WriteOutcome::Result::Refused;
  }
  return refused ? kRefused : kDone;
}

}  // namespace

std::string writeLine(const store::KeySetWrite& write) {
  const std::string reason = why(write.outcome);
  return resultWord(write.outcome.result) + ": " + toUtf8(reachedName(write.keySet)) +
         (reason.empty() ? "" : " (" + reason + ")") + "\n";
}

Json writesJson(const std::vector<store::KeySetWrite>& writes) {
  Json keySets = Json::array();
  for (const store::KeySetWrite& write : writes) {
    const std::string reason = why(write.outcome);
    Json entry = Json::object();
    entry.set("keySet", reachedName(write.keySet))
        .set("result", resultWord(write.outcome.result).c_str())
        .set("value", write.outcome.failedValue.empty() ? Json() : Json(write.outcome.failedValue))
        .set("reason", reason.empty() ? Json() : Json(reason.c_str()));
    keySets.push(std::move(entry));
  }
  return keySets;
}

Outcome writesOutcome(const Invocation& call, const std::string& text, const Json& document,
                      const std::vector<store::KeySetWrite>& writes) {
  Outcome outcome = written(call, text, document, exitCodeOf(writes));
  std::vector<Text> refused;
  for (const store::KeySetWrite& write : writes) {
    if (write.outcome.result == store::WriteOutcome::Result::Refused) refused.push_back(reachedName(write.keySet));
  }
  if (outcome.exitCode == kRefused) outcome.err = refusedLine(call, refused, "write");
  return outcome;
}

}  // namespace kst::cli
