// The velmora-inspect program: tells a contact PDB file from a PIM export by its content and
// prints it for a person, or as CSV. Used by the program's main and by tests; reads the file
// only, never changes it.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::transfer {

enum class FileKind { kContactPdb, kPimExport, kUnknown };

// A contact PDB file by its "KOBA" "DBPL" bytes, a PIM export when its count, index and
// records agree, otherwise unknown.
FileKind DetectFileKind(std::string_view file_bytes);

// Runs the program with its arguments (without the program name). Returns the exit status:
// 0 printed, 1 the file is unreadable, of neither format or damaged, 2 wrong arguments.
int RunInspect(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velmora::transfer
