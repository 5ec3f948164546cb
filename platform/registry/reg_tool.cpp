#include "platform/registry/reg_tool.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <istream>
#include <optional>
#include <ostream>
#include <string_view>

#include "platform/registry/key_path.h"
#include "platform/registry/registry.h"

namespace velmora::registry {
namespace {

constexpr std::string_view kUsage =
    "Usage:\n"
    "  velmora-reg query KEY [/v NAME | /ve] [/s]\n"
    "  velmora-reg add KEY [/v NAME | /ve] [/t REG_SZ|REG_DWORD] [/d DATA] [/f]\n"
    "  velmora-reg delete KEY [/v NAME | /ve] [/f]\n"
    "  velmora-reg /?   (or --help)\n"
    "\n"
    "  KEY   HKCU\\path or HKLM\\path (HKEY_CURRENT_USER\\ and HKEY_LOCAL_MACHINE\\ work too)\n"
    "  /v    the value called NAME; /ve the key's unnamed value, shown as (Default)\n"
    "  /t    the type of the value added: REG_SZ (the default) or REG_DWORD\n"
    "  /d    the data added: text, or for REG_DWORD a decimal number or 0x and hex digits\n"
    "  /f    no question before replacing a value or deleting\n"
    "  /s    query the key and all keys below it\n"
    "  add KEY alone creates the key; delete KEY without /v deletes it with its subkeys.\n"
    "\n"
    "Options may also start with '-'. The registry folder is $VELMORA_REGISTRY, else\n"
    "$XDG_CONFIG_HOME/velmora/registry, else ~/.config/velmora/registry.\n"
    "\n"
    "Exit status: 0 done; 1 key or value absent, cancelled or not written; 2 bad arguments.\n";

constexpr std::string_view kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";
constexpr std::string_view kDone = "The operation completed successfully.\n";
constexpr std::string_view kCancelled = "The operation was cancelled.\n";

enum class Operation { kQuery, kAdd, kDelete };

struct Command {
  Operation operation = Operation::kQuery;
  Hive hive = Hive::kCurrentUser;
  std::string key;
  std::optional<std::string> value_name;  // "" for /ve
  std::optional<std::string> type;
  std::optional<std::string> data;
  bool force = false;
  bool recursive = false;
};

struct ParseResult {
  std::optional<Command> command;
  std::string error;  // when there is no command
  bool help = false;
};

bool IsHelp(std::string_view arg) {
  return arg == "/?" || arg == "-?" || arg == "--help" || arg == "-h";
}

ParseResult Fail(std::string error) {
  return ParseResult{std::nullopt, std::move(error), false};
}

std::optional<Operation> ParseOperation(std::string_view word) {
  if (NamesEqual(word, "query")) return Operation::kQuery;
  if (NamesEqual(word, "add")) return Operation::kAdd;
  if (NamesEqual(word, "delete")) return Operation::kDelete;
  return std::nullopt;
}

// Applies one option (with its argument, when it takes one); an empty result means accepted.
std::string TakeOption(Command& command, const std::vector<std::string>& args, std::size_t& i) {
  const std::string& raw = args[i];
  if (raw.size() < 2 || (raw[0] != '/' && raw[0] != '-')) {
    return "unexpected argument \"" + raw + "\"";
  }
  const std::string option = "/" + FoldName(std::string_view(raw).substr(1));
  const bool takes_argument = option == "/v" || option == "/t" || option == "/d";
  if (takes_argument && i + 1 >= args.size()) return option + " needs an argument";
  std::optional<std::string>* slot = nullptr;
  if (option == "/v" || option == "/ve") {
    slot = &command.value_name;
  } else if (option == "/t") {
    slot = &command.type;
  } else if (option == "/d") {
    slot = &command.data;
  } else if (option == "/f" || option == "/s") {
    bool& flag = option == "/f" ? command.force : command.recursive;
    if (flag) return option + " given twice";
    flag = true;
    return "";
  } else {
    return "unknown option \"" + raw + "\"";
  }
  if (slot->has_value()) {
    return (slot == &command.value_name ? std::string("/v or /ve") : option) + " given twice";
  }
  *slot = option == "/ve" ? std::string() : args[++i];
  return "";
}

std::string CheckCombination(const Command& command) {
  const bool adds = command.operation == Operation::kAdd;
  if (!adds && (command.type || command.data)) return "/t and /d belong to add only";
  if (command.operation != Operation::kQuery && command.recursive) {
    return "/s belongs to query only";
  }
  if (command.recursive && command.value_name) return "/s cannot be combined with /v or /ve";
  if (command.force && command.operation == Operation::kQuery) return "/f does not apply to query";
  if (command.operation == Operation::kDelete && !command.value_name && command.key.empty()) {
    return "a whole hive cannot be deleted";
  }
  return "";
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
  const ParseResult help{std::nullopt, "", true};
  if (!args.empty() && IsHelp(args[0])) return help;
  if (args.empty()) return Fail("no operation given");
  Command command;
  const std::optional<Operation> operation = ParseOperation(args[0]);
  if (!operation) return Fail("unknown operation \"" + args[0] + "\"");
  command.operation = *operation;
  if (args.size() < 2) return Fail("no KEY given");
  if (IsHelp(args[1])) return help;
  std::optional<std::pair<Hive, std::string>> key = ParseKeyPath(args[1]);
  if (!key) return Fail("\"" + args[1] + "\" is not a key of HKCU or HKLM");
  command.hive = key->first;
  command.key = std::move(key->second);
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (IsHelp(args[i])) return help;  // never the data of /v, /t or /d: those are skipped
    if (std::string why = TakeOption(command, args, i); !why.empty()) return Fail(std::move(why));
  }
  if (std::string why = CheckCombination(command); !why.empty()) return Fail(std::move(why));
  return ParseResult{std::move(command), "", false};
}

std::string FullKeyName(Hive hive, std::string_view key) {
  std::string name(HiveLongName(hive));
  if (!key.empty()) name.append("\\").append(key);
  return name;
}

std::string ShownName(std::string_view name) {
  return name.empty() ? "(Default)" : std::string(name);
}

void PrintValue(std::ostream& out, std::string_view name, const RegValue& value) {
  out << "    " << ShownName(name) << "    ";
  if (value.type == RegValue::Type::kString) {
    out << "REG_SZ    " << value.text << '\n';
  } else {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(value.dword));
    out << "REG_DWORD    " << hex << '\n';
  }
}

void PrintKeyTree(std::ostream& out, Hive hive, const std::string& key) {
  out << '\n' << FullKeyName(hive, key) << '\n';
  for (const auto& [name, value] : ListValues(hive, key)) PrintValue(out, name, value);
  for (const std::string& child : ListSubkeys(hive, key)) {
    PrintKeyTree(out, hive, key.empty() ? child : key + "\\" + child);
  }
}

int Query(const Command& command, std::ostream& out, std::ostream& err) {
  if (!KeyExists(command.hive, command.key)) {
    err << kNotFound;
    return kRegToolFailed;
  }
  if (command.recursive) {
    PrintKeyTree(out, command.hive, command.key);
    out << '\n';
    return kRegToolOk;
  }
  if (command.value_name) {
    // Shown with the name as stored, not as typed.
    for (const auto& [name, value] : ListValues(command.hive, command.key)) {
      if (!NamesEqual(name, *command.value_name)) continue;
      out << '\n' << FullKeyName(command.hive, command.key) << '\n';
      PrintValue(out, name, value);
      out << '\n';
      return kRegToolOk;
    }
    err << kNotFound;
    return kRegToolFailed;
  }
  out << '\n' << FullKeyName(command.hive, command.key) << '\n';
  for (const auto& [name, value] : ListValues(command.hive, command.key))
    PrintValue(out, name, value);
  out << '\n';
  for (const std::string& child : ListSubkeys(command.hive, command.key)) {
    out << FullKeyName(command.hive, command.key.empty() ? child : command.key + "\\" + child)
        << '\n';
  }
  return kRegToolOk;
}

// Asks the question on `out` and reads the answer from `in`; only yes or y goes ahead.
bool Confirmed(const std::string& question, std::istream& in, std::ostream& out) {
  out << question << " (Yes/No)? " << std::flush;
  std::string answer;
  if (!std::getline(in, answer)) {
    out << '\n';
    return false;
  }
  while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' ')) answer.pop_back();
  return NamesEqual(answer, "yes") || NamesEqual(answer, "y");
}

std::optional<std::uint32_t> ParseDword(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || ec != std::errc() || stop != end) return std::nullopt;
  return value;
}

int Finish(bool written, std::ostream& out, std::ostream& err) {
  if (!written) {
    err << "ERROR: The registry could not be written.\n";
    return kRegToolFailed;
  }
  out << kDone;
  return kRegToolOk;
}

int Add(const Command& command, std::istream& in, std::ostream& out, std::ostream& err) {
  if (!command.value_name && !command.type && !command.data) {
    return Finish(CreateKey(command.hive, command.key), out, err);
  }
  const std::string name = command.value_name.value_or("");
  const std::string type = FoldName(command.type.value_or("reg_sz"));
  const std::string data = command.data.value_or("");
  RegValue value;
  if (type == "reg_dword") {
    const std::optional<std::uint32_t> number = ParseDword(data);
    if (!number) {
      err << "ERROR: \"" << data
          << "\" is not REG_DWORD data: give 0 to 4294967295, in decimal or as 0x and hex "
             "digits.\n";
      return kRegToolBadSyntax;
    }
    value = RegValue{RegValue::Type::kDword, {}, *number};
  } else if (type == "reg_sz") {
    value = RegValue{RegValue::Type::kString, data, 0};
  } else {
    err << "ERROR: Unsupported type \"" << *command.type << "\": use REG_SZ or REG_DWORD.\n";
    return kRegToolBadSyntax;
  }
  if (!command.force && ReadValue(command.hive, command.key, name) &&
      !Confirmed("Value " + ShownName(name) + " exists, overwrite", in, out)) {
    out << kCancelled;
    return kRegToolFailed;
  }
  const bool written = value.type == RegValue::Type::kDword
                           ? WriteDword(command.hive, command.key, name, value.dword)
                           : WriteString(command.hive, command.key, name, value.text);
  return Finish(written, out, err);
}

int Delete(const Command& command, std::istream& in, std::ostream& out, std::ostream& err) {
  const bool value_only = command.value_name.has_value();
  const bool present = value_only
                           ? ReadValue(command.hive, command.key, *command.value_name).has_value()
                           : KeyExists(command.hive, command.key);
  if (!present) {
    err << kNotFound;
    return kRegToolFailed;
  }
  const std::string question =
      value_only ? "Delete the registry value " + ShownName(*command.value_name)
                 : "Permanently delete the registry key " + FullKeyName(command.hive, command.key);
  if (!command.force && !Confirmed(question, in, out)) {
    out << kCancelled;
    return kRegToolFailed;
  }
  const bool deleted = value_only ? DeleteValue(command.hive, command.key, *command.value_name)
                                  : DeleteKey(command.hive, command.key);
  return Finish(deleted, out, err);
}

}  // namespace

int RunRegTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err) {
  const ParseResult parsed = ParseArguments(args);
  if (parsed.help) {
    out << kUsage;
    return kRegToolOk;
  }
  if (!parsed.command) {
    err << "ERROR: Invalid syntax: " << parsed.error << ".\nType \"velmora-reg /?\" for usage.\n";
    return kRegToolBadSyntax;
  }
  const Command& command = *parsed.command;
  switch (command.operation) {
    case Operation::kQuery:
      return Query(command, out, err);
    case Operation::kAdd:
      return Add(command, in, out, err);
    case Operation::kDelete:
      return Delete(command, in, out, err);
  }
  return kRegToolBadSyntax;
}

}  // namespace velmora::registry
