#pragma once

namespace tavix::screen_helpers {

// The inside of the program's outer frame (1, 1)-(23, 19): the area every screen works in.
inline constexpr int kWorkLeft = 2;
inline constexpr int kWorkTop = 2;
inline constexpr int kWorkRight = 22;
inline constexpr int kWorkBottom = 18;
inline constexpr int kWorkWidth = kWorkRight - kWorkLeft + 1;

}  // namespace tavix::screen_helpers
