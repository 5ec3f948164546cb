// The seven images of the profile tree, drawn in code (30 pixels wide, transparent background):
// image 0 marks a child item, 1 to 6 a profile by its schedule, odd ones selected. Used by
// CProfileView; which image goes with which item is a plain rule the tests check without Qt.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace velmora::desktop {

inline constexpr int kTreeImageCount = 7;
inline constexpr int kTreeImageWidth = 30;
inline constexpr int kTreeImageHeight = 18;

// Image indexes of an item, as it shows unselected and selected.
struct TreeImagePair {
  int normal = 0;
  int selected = 0;
  friend bool operator==(const TreeImagePair&, const TreeImagePair&) = default;
};

// A profile item by its SyncOn: every connection 6/5, daily or only once 2/1, weekly or
// monthly 4/3; any other value shows as every connection.
TreeImagePair ProfileImages(int sync_on);
inline constexpr TreeImagePair kChildImages{0, 0};

// Image `index` (0 … 6); an empty pixmap outside that range.
QPixmap TreeImage(int index);
// The icon of an item: its normal image, and its selected one for the selected state.
QIcon TreeIcon(TreeImagePair images);

}  // namespace velmora::desktop
