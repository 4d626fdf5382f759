#include "calc/figures.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace calc;

// A field's figure asked for without the fields the window always has
// reads the working values the window would have by then: the tick in
// seconds, the unit it starts in.
TEST(WindowFigures, FieldFigureWithoutTheOtherFields) {
    const struct {
        FigureInputs in;
        std::string_view figure;
        const char* text;
    } rows[] = {
        {{20000000, 1, {}, 255}, "ctc_interrupt_ms", "0.0128"},
        {{1200000, 1024, {}, 0}, "ctc_interrupt_ms", "0.853333333333333"},
        {{16000000, 64, TypedNumber{"1000", -1}}, "ctc_ocr", "249"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.figure);
        const std::vector<Figure> figures = windowFigures(row.in, ".");
        const auto found = std::ranges::find(figures, row.figure, &Figure::name);
        ASSERT_NE(found, figures.end());
        EXPECT_EQ(found->error, "");
        EXPECT_EQ(found->text, row.text);
    }
}
