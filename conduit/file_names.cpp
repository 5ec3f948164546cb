#include "conduit/file_names.h"

#include "profile/backup_files.h"

namespace velmora::conduit {

std::string SafeFileNamePart(std::string_view name) {
  return profile::SafeFileNamePart(name);
}

}  // namespace velmora::conduit
