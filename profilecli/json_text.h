// Just enough JSON for velmora-profile's --json output: strings escaped, objects and arrays
// built as text. No parsing.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::profilecli {

// `text` as a JSON string literal, quotes included (UTF-8 kept, control characters escaped).
std::string JsonString(std::string_view text);

// An object of members whose values are already JSON text.
class JsonObject {
 public:
  JsonObject& Text(std::string_view name, std::string_view value);
  JsonObject& Number(std::string_view name, long value);
  JsonObject& Bool(std::string_view name, bool value);
  JsonObject& Raw(std::string_view name, std::string json);
  std::string Str() const;

 private:
  std::vector<std::pair<std::string, std::string>> members_;
};

std::string JsonArray(const std::vector<std::string>& items);  // items already JSON text

}  // namespace velmora::profilecli
