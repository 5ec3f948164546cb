#include "transfer/pdb_format.h"

#include "db/type_codes.h"

namespace velmora::transfer {

std::optional<int> PdbCodeForColumnType(int normalised_type) {
  switch (normalised_type) {
    case db::kTypeChar:
      return kPdbText;
    case db::kTypeNumeric:
      return kPdbNumericText;
    case db::kTypeInteger:
      return kPdbInt32;
    case db::kTypeSmallInt:
      return kPdbInt16;
    case db::kTypeReal:
      return kPdbReal;
    case db::kTypeDouble:
      return kPdbDouble;
    case db::kTypeDate:
      return kPdbDate;
    case db::kTypeTime:
      return kPdbTime;
    case db::kTypeTimestamp:
      return kPdbTimestamp;
    case db::kTypeTinyInt:
    case db::kTypeSTinyInt:
      return kPdbTinyInt;
    case db::kTypeBit:
      return kPdbBit;
    default:
      return std::nullopt;
  }
}

std::size_t PdbFixedWidth(int code) {
  switch (code) {
    case kPdbDouble:
      return 8;
    case kPdbReal:
    case kPdbInt32:
    case kPdbUInt32:
      return 4;
    case kPdbInt16:
    case kPdbUInt16:
    case kPdbTime:
    case kPdbDate:
      return 2;
    case kPdbTimestamp:
      return 16;
    case kPdbInt8:
    case kPdbBit:
    case kPdbTinyInt:
      return 1;
    default:
      return 0;
  }
}

}  // namespace velmora::transfer
