#pragma once

namespace ui {

// The windows name the fonts they were designed with; this maps each to an
// installed outline font of similar metrics. Call before creating widgets.
void installFontSubstitutes();

}  // namespace ui
