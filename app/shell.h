#pragma once

namespace app {

// Resource paths of the embedded pictures (res/avrtimer.qrc).
inline constexpr char kTimer0Picture[] = ":/pictures/timer0.jpg";
inline constexpr char kTimer2Picture[] = ":/pictures/timer2.jpg";

// Registers the embedded pictures. They live in a static library,
// whose unreferenced resource initialiser the linker would drop, so every user
// of a resource path calls this first; calling it again does nothing.
void initResources();

}  // namespace app
