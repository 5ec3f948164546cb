#include "profile/backup_files.h"

namespace velmora::profile {

std::string SafeFileNamePart(std::string_view name) {
  if (name == ".") return "_";
  if (name == "..") return "__";
  std::string out(name);
  for (char& c : out) {
    if (c == '/' || c == '\0') c = '_';
  }
  return out;
}

std::filesystem::path TableBackupFile(const std::filesystem::path& app_folder,
                                      std::string_view owner, std::string_view prof_name,
                                      int generation) {
  return app_folder / "Backup" /
         ("Backup_" + std::to_string(generation) + "_" + SafeFileNamePart(owner) + "_" +
          SafeFileNamePart(prof_name) + ".pdb");
}

}  // namespace velmora::profile
