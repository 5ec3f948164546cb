// The nine texts of the "What is this" help window, numbered as the pages that open them ask
// for them. Used by WhatIsThisWindow; plain data.
#pragma once

#include <string_view>

namespace velmora::desktop {

inline constexpr int kHelpSyncTypePage = 1;
inline constexpr int kHelpDatabaseProfileType = 2;
inline constexpr int kHelpSyncPropertyPage = 3;
inline constexpr int kHelpFilters = 4;
inline constexpr int kHelpPropertiesPane = 5;
inline constexpr int kHelpRestoreContents = 6;
inline constexpr int kHelpTablePage = 7;
inline constexpr int kHelpFieldMapping = 8;
inline constexpr int kHelpCategories = 9;

// Text `number` (1 … 9); empty for any other number.
std::string_view WhatIsThisText(int number);

}  // namespace velmora::desktop
