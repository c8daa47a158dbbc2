#include "cli/arguments.h"

#include <algorithm>

#include "cli/command_table.h"

namespace kst::cli {
namespace {

bool takes(const std::string& command, const std::string& option) {
  const auto& allowed = findCommand(command)->options;
  return std::find(allowed.begin(), allowed.end(), option) != allowed.end();
}

}  // namespace

std::variant<Invocation, std::string> parseArguments(const std::vector<Text>& arguments) {
  Invocation call;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string word = toUtf8(arguments[i]);
    if (word == "--json") {
      call.json = true;
    } else if (word == "--help" || word == "-h" || word == "/?") {
      call.help = true;
    } else if (word == "--version") {
      call.version = true;
    } else if (word == "--user") {
      if (call.user) return "The option --user can be given once.";
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
        return "The option --user needs an account's name or SID.";
      }
      call.user = arguments[++i];
    } else if (word.starts_with("--")) {
      if (call.command.empty()) return "Unknown option " + word + ". Give the command first.";
      if (!takes(call.command, word)) return "The command " + call.command + " takes no option " + word + ".";
      if (word == "--force" || word == "--dry-run") {
        (word == "--force" ? call.force : call.dryRun) = true;
        continue;
      }
      if (i + 1 >= arguments.size()) return "The option " + word + " needs a value.";
      const Text& value = arguments[++i];
      if (word == "--battery") {
        if (call.battery) return "The option --battery can be given once.";
        call.battery = value;
      } else if (word == "--output") {
        call.output = value;
      } else if (word == "--high") {
        call.high.push_back(value);
      } else {
        call.low.push_back(value);
      }
    } else if (call.command.empty()) {
      if (findCommand(word) == nullptr) return "Unknown command " + word + ".";
      call.command = word;
    } else if (!findCommand(call.command)->argument.empty() && !call.file) {
      call.file = arguments[i];
    } else {
      return "Unexpected argument " + word + ".";
    }
  }
  return call;
}

}  // namespace kst::cli
