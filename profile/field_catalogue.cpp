#include "profile/field_catalogue.h"

#include <array>

namespace velmora::profile {
namespace {

constexpr std::array<ContactField, kFieldCount> kFields = {{
    {1, "F1", "Title", 0, 0, "Title"},
    {2, "F2", "First Name", 1, 1, "First"},
    {3, "F3", "Middle Name", 2, 2, "Middle"},
    {4, "F4", "Last Name", 3, 3, "Last"},
    {5, "F5", "Suffix Name", 4, 4, "Suffix"},
    {6, "F6", "Job Title", 5, 5, "Job title"},
    {7, "F7", "Department", 6, 6, "Department"},
    {8, "F8", "Company", 7, 7, "Company"},
    {9, "F9", "Work tel", 8, 8, "Work tel"},
    {10, "F10", "Work2 tel", 34, 33, "Work2 tel"},
    {11, "F11", "Home tel", 19, 19, "Home tel"},
    {12, "F12", "Home2 tel", 35, 34, "Home2 tel"},
    {13, "F13", "Mobile tel", 16, 16, "Mobile tel"},
    {14, "F14", "Pager", 31, 30, "Pager"},
    {15, "F15", "Car tel", 32, 31, "Car tel"},
    {16, "F16", "Work fax", 9, 9, "Work fax"},
    {17, "F17", "Home fax", 33, 32, "Home fax"},
    {18, "F18", "Assistant tel", 40, 39, "Assistant tel"},
    {19, "F19", "Radio tel", 36, 35, "Radio tel"},
    {20, "F20", "E-mail", 15, 15, "E-mail"},
    {21, "F21", "E-mail2", 37, 36, "E-mail2"},
    {22, "F22", "E-mail3", 38, 37, "E-mail3"},
    {23, "F23", "Web Page", 17, 17, "Web Page"},
    {24, "F24", "Business Street", 10, 10, "Bstreet"},
    {25, "F25", "Business City", 11, 11, "Bcity"},
    {26, "F26", "Business State", 12, 12, "Bstate"},
    {27, "F27", "Business Zip", 13, 13, "Bzip"},
    {28, "F28", "Business Country", 14, 14, "Bcountry"},
    {29, "F29", "Office Loc", 18, 18, "Office Loc"},
    {30, "F30", "Home Street", 20, 20, "Hstreet"},
    {31, "F31", "Home City", 21, 21, "Hcity"},
    {32, "F32", "Home State", 22, 22, "Hstate"},
    {33, "F33", "Home Zip", 23, 23, "Hzip"},
    {34, "F34", "Home Country", 24, 24, "Hcountry"},
    {35, "F35", "Other Street", 26, 25, "Ostreet"},
    {36, "F36", "Other City", 27, 26, "Ocity"},
    {37, "F37", "Other State", 28, 27, "Ostate"},
    {38, "F38", "Other Zip", 29, 28, "Ozip"},
    {39, "F39", "Other Country", 30, 29, "Ocountry"},
    {40, "F40", "Categories", 25, kNoRow, "Categories"},
    {41, "F41", "Assistant", 39, 38, "Assistant"},
    {42, "F42", "Spouse", 43, 42, "Spouse"},
    {43, "F43", "Children", 44, 43, "Children"},
    {44, "F44", "Notes", 45, 44, "Notes"},
    {45, "F45", "Birthday", 41, 40, "Birthday"},
    {46, "F46", "Anniversary", 42, 41, "Anniversary"},
}};

// Row → field number, one table per list, built once from the catalogue.
using RowTable = std::array<int, kFullListRows>;

RowTable BuildRowTable(bool fixed_category) {
  RowTable table{};
  for (const ContactField& field : kFields) {
    const int row = fixed_category ? field.fixed_category_row : field.full_row;
    if (row != kNoRow) table[row] = field.number;
  }
  return table;
}

const RowTable& RowsOf(bool fixed_category) {
  static const RowTable full = BuildRowTable(false);
  static const RowTable fixed = BuildRowTable(true);
  return fixed_category ? fixed : full;
}

}  // namespace

const std::array<ContactField, kFieldCount>& ContactFields() {
  return kFields;
}

const ContactField* FieldByNumber(int number) {
  if (number < 1 || number > kFieldCount) return nullptr;
  return &kFields[number - 1];
}

const ContactField* FieldById(std::string_view field_id) {
  for (const ContactField& field : kFields) {
    if (field.field_id == field_id) return &field;
  }
  return nullptr;
}

int RowCount(bool fixed_category) {
  return fixed_category ? kFixedCategoryListRows : kFullListRows;
}

const ContactField* FieldByRow(int row, bool fixed_category) {
  if (row < 0 || row >= RowCount(fixed_category)) return nullptr;
  return FieldByNumber(RowsOf(fixed_category)[row]);
}

std::string FieldNameByRow(int row, bool fixed_category) {
  const ContactField* field = FieldByRow(row, fixed_category);
  return field ? std::string(field->display_name) : std::string();
}

std::string FieldIdByRow(int row, bool fixed_category) {
  const ContactField* field = FieldByRow(row, fixed_category);
  return field ? std::string(field->field_id) : std::string();
}

bool IsDateField(int number) {
  return number == kBirthdayField || number == kAnniversaryField;
}

}  // namespace velmora::profile
