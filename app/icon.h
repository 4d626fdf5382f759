#pragma once

#include <QIcon>
#include <QImage>

namespace app {

// The application icon: an 8-pin DIP package seen from above, with a square
// wave across its body. It is drawn, never loaded: decoding even one small
// PNG at start-up makes Qt look through its image plugins, which costs more
// than drawing. tools/gen-pictures draws the installed PNG files with it.
QImage drawIcon(int size);

// The icon at whatever size the window system asks for.
QIcon applicationIcon();

}  // namespace app
