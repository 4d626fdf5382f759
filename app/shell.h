#pragma once

#include <QIcon>

namespace app {

// Resource paths of the embedded pictures (res/avrtimer.qrc).
inline constexpr char kTimer0Picture[] = ":/pictures/timer0.jpg";
inline constexpr char kTimer2Picture[] = ":/pictures/timer2.jpg";

// Registers the embedded pictures and icons. They live in a static library,
// whose unreferenced resource initialiser the linker would drop, so every user
// of a resource path calls this first; calling it again does nothing.
void initResources();

// The application icon in all its drawn sizes.
QIcon applicationIcon();

}  // namespace app
