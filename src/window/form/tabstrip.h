// The tab strip of the page area is one picture with the three page labels side by side. Each tab
// is as wide as its label's segment of the picture, so a click lands on the page whose label it hits.
#pragma once

namespace zur {

inline constexpr int kTabPictureWidth = 413;
inline constexpr int kTabPictureHeight = 30;
inline constexpr int kTabWidths[3] = {137, 138, 138};

}  // namespace zur
