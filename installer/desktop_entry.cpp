#include "installer/desktop_entry.h"

#include "installer/file_copy.h"

namespace velmora::installer {
namespace {

// A string value of a desktop entry: one line, with backslashes and control characters escaped.
std::string EntryValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string FileUrl(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    }
  }
  return out;
}

}  // namespace

std::string ExecArgument(const std::string& argument) {
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out.push_back('\\');
    if (c == '%') out.push_back('%');
    out.push_back(c);
  }
  return out + "\"";
}

std::string DesktopEntryText(const DesktopEntry& entry) {
  std::string text = "[Desktop Entry]\n";
  text += "Version=1.0\n";
  text += entry.is_program ? "Type=Application\n" : "Type=Link\n";
  text += "Name=" + EntryValue(entry.name) + "\n";
  if (!entry.comment.empty()) text += "Comment=" + EntryValue(entry.comment) + "\n";
  if (entry.is_program) {
    text += "Exec=" + EntryValue(ExecArgument(entry.target.string())) + "\n";
    text += "Path=" + EntryValue(entry.working_directory.string()) + "\n";
    text += "Terminal=false\n";
  } else {
    text += "URL=" + FileUrl(entry.target.string()) + "\n";
  }
  return text;
}

bool WriteDesktopEntry(const std::filesystem::path& file, const DesktopEntry& entry,
                       std::string* error) {
  return WriteFileAside(file, DesktopEntryText(entry), 0755, error);
}

}  // namespace velmora::installer
