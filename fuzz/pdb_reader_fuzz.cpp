// Fuzz target: any bytes as a contact PDB file, read through every reader operation.
#include <cstddef>
#include <cstdint>
#include <string>

#include "transfer/pdb_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using velmora::transfer::TextForm;
  velmora::transfer::PdbReader reader;
  if (!reader.OpenBytes(std::string(reinterpret_cast<const char*>(data), size))) return 0;
  velmora::transfer::FindPdbDamage(reader);
  // Bounded so that a lying count costs no more than a few hundred reads per input.
  long records = std::min(reader.RecordCount(), 16L);
  int columns = std::min(reader.ColumnCount(), 16);
  for (long r = -1; r <= records; ++r) {
    reader.RecordOffset(r);
    for (int j = -1; j <= columns; ++j) {
      reader.Column(j);
      reader.ValueText(r, j, TextForm::kDisplay);
      reader.ValueText(r, j, TextForm::kFull);
      reader.TypedValue(r, j);
    }
  }
  return 0;
}
