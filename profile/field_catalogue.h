// The catalogue of the 46 device contact fields: number, FieldID ("F1" … "F46"), display name,
// the rows of the field-mapping list (full list and fixed-category list) and the export header,
// which is also the PocketMaster FieldName. Shared by every program; pure data, no I/O.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::profile {

inline constexpr int kFieldCount = 46;
inline constexpr int kFullListRows = 46;
inline constexpr int kFixedCategoryListRows = 45;
inline constexpr int kNoRow = -1;  // the field is not in that list

inline constexpr int kCategoriesField = 40;
inline constexpr int kBirthdayField = 45;
inline constexpr int kAnniversaryField = 46;

// Marks a device field that no desktop column feeds.
inline constexpr std::string_view kUnmapped = "NONE";

struct ContactField {
  int number;                      // 1 … 46, also the field code of the transfer files
  std::string_view field_id;       // "F1" … "F46"
  std::string_view display_name;   // as the mapping page shows it
  int full_row;                    // row in the full list
  int fixed_category_row;          // row in the fixed-category list, kNoRow for Categories
  std::string_view export_header;  // CSV export column title and PocketMaster FieldName
};

// Every field, in field-number order.
const std::array<ContactField, kFieldCount>& ContactFields();

// Lookups; nullptr when nothing matches. FieldID comparison is exact ("F7", not "f07").
const ContactField* FieldByNumber(int number);
const ContactField* FieldById(std::string_view field_id);
const ContactField* FieldByRow(int row, bool fixed_category);

// Display name / FieldID of the field shown at a row; empty text for a row outside the list.
std::string FieldNameByRow(int row, bool fixed_category);
std::string FieldIdByRow(int row, bool fixed_category);

// Number of rows of a list: 46, or 45 with the fixed-category flag.
int RowCount(bool fixed_category);

// The date fields may be mapped only to a date or timestamp column.
bool IsDateField(int number);

}  // namespace velmora::profile
