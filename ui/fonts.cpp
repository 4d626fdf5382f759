#include "ui/fonts.h"

#include <QFont>

namespace ui {

void installFontSubstitutes() {
    // DejaVu Sans Condensed at 11 px measures within a pixel of the texts'
    // designed widths.
    QFont::insertSubstitution("MS Sans Serif", "DejaVu Sans Condensed");
    QFont::insertSubstitution("Bell Gothic Std Light", "DejaVu Sans Condensed");
    QFont::insertSubstitution("Bookman Old Style", "DejaVu Serif Condensed");
}

}  // namespace ui
