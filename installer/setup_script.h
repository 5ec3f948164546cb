// The setup script: the installer's product data (file lists, texts, registry key) kept in
// `InstallerRes.rs`, a narrow-header PDB whose records are a 16-bit id and an 8-bit text.
// Used by the installer, its wizard pages and the bundle tool. Never throws: any damaged,
// short or missing file reads as empty texts.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::installer {

inline constexpr const char* kScriptFileName = "InstallerRes.rs";

// Header: 78 bytes, record count at offset 76; then 8-byte record-list entries whose first four
// bytes are the record's offset. A file is accepted only when it is longer than 80 bytes.
inline constexpr std::size_t kScriptHeaderBytes = 78;
inline constexpr std::size_t kScriptRecordCountOffset = 76;
inline constexpr std::size_t kScriptEntryBytes = 8;
inline constexpr std::size_t kScriptMinimumBytes = 81;

struct ScriptRecord {
  int id = 0;  // 0 … 65535
  std::string text;
  friend bool operator==(const ScriptRecord&, const ScriptRecord&) = default;
};

// The texts of every record with `id`, joined in record order; empty when there is none or the
// bytes are not an acceptable script. Reads only inside `bytes`.
std::string LookupScriptText(std::string_view bytes, int id);

// A whole script file as bytes (name "InstallerRes", type "rsrc", creator "VLMR").
std::string BuildScriptBytes(const std::vector<ScriptRecord>& records);

// The plain-text source: one record a line, "id<TAB>text", the text taken as it stands (a
// longer text is split over records of the same id); empty lines and lines starting with '#'
// are skipped. False with `error` ("line N: …") for a malformed line.
bool ParseScriptSource(std::string_view source, std::vector<ScriptRecord>* records,
                       std::string* error);

// The script file of an installer run. Every lookup opens and reads the file anew.
class SetupScript {
 public:
  explicit SetupScript(std::filesystem::path file) : file_(std::move(file)) {}

  const std::filesystem::path& File() const { return file_; }
  // True when the file opens and is long enough to be a script.
  bool IsUsable() const;
  std::string Text(int id) const;
  // The text read as a decimal count; 0 when empty, not a number or negative.
  int Number(int id) const;

 private:
  std::filesystem::path file_;
};

}  // namespace velmora::installer
