#include "profilecli/json_text.h"

#include <cstdio>

namespace velmora::profilecli {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

JsonObject& JsonObject::Text(std::string_view name, std::string_view value) {
  return Raw(name, JsonString(value));
}

JsonObject& JsonObject::Number(std::string_view name, long value) {
  return Raw(name, std::to_string(value));
}

JsonObject& JsonObject::Bool(std::string_view name, bool value) {
  return Raw(name, value ? "true" : "false");
}

JsonObject& JsonObject::Raw(std::string_view name, std::string json) {
  members_.emplace_back(std::string(name), std::move(json));
  return *this;
}

std::string JsonObject::Str() const {
  std::string out = "{";
  for (std::size_t i = 0; i < members_.size(); ++i) {
    if (i > 0) out += ", ";
    out += JsonString(members_[i].first) + ": " + members_[i].second;
  }
  return out + "}";
}

std::string JsonArray(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ", ";
    out += items[i];
  }
  return out + "]";
}

}  // namespace velmora::profilecli
