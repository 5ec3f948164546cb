#include "conduit/file_names.h"

namespace velmora::conduit {

std::string SafeFileNamePart(std::string_view name) {
  if (name == ".") return "_";
  if (name == "..") return "__";
  std::string out(name);
  for (char& c : out) {
    if (c == '/' || c == '\0') c = '_';
  }
  return out;
}

}  // namespace velmora::conduit
