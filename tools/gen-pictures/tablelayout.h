#pragma once

// Where the clock-select pictures put their title, grid lines and cells. The
// generator draws from these numbers and the tests probe the committed JPEGs
// with them, so a picture left stale after a layout change is caught.

#include <QRect>
#include <QSize>

#include <array>

namespace pictures {

struct ClockSelectPicture {
    const char* fileName;
    QSize size;
    const char* title;
    // Indexed by the three clock-select bits, 0..7.
    std::array<const char*, 8> rows;
};

inline const std::array<ClockSelectPicture, 2>& clockSelectPictures() {
    static const std::array<ClockSelectPicture, 2> all{{
        {"timer0.jpg",
         {356, 238},
         "Timer/Counter0 clock select",
         {"No clock source, timer/counter stopped", "I/O clock, no prescaling",
          "I/O clock / 8, from the prescaler", "I/O clock / 64", "I/O clock / 256",
          "I/O clock / 1024", "External clock on pin T0, falling edge",
          "External clock on pin T0, rising edge"}},
        {"timer2.jpg",
         {302, 258},
         "Timer/Counter2 clock select",
         {"No clock source, timer/counter stopped", "Timer-2 clock source, no prescaling",
          "Timer-2 clock source / 8", "Timer-2 clock source / 32", "Timer-2 clock source / 64",
          "Timer-2 clock source / 128", "Timer-2 clock source / 256",
          "Timer-2 clock source / 1024"}},
    }};
    return all;
}

// One header row and eight body rows of equal height, framed by one-pixel
// lines: horizontal lines at top() + k * rowHeight for k = 0..9, vertical
// lines at left() and right().
struct TableGeometry {
    static constexpr int kMargin = 2;
    static constexpr int kTitleHeight = 24;
    static constexpr int kRows = 9;

    QRect title;
    int rowHeight;
    QRect table;  // the outer grid lines lie on its edges

    explicit TableGeometry(QSize picture)
        : title(kMargin, 0, picture.width() - 2 * kMargin, kTitleHeight),
          rowHeight((picture.height() - kTitleHeight - kMargin) / kRows),
          table(kMargin, kTitleHeight, picture.width() - 2 * kMargin, rowHeight * kRows + 1) {}

    int lineY(int k) const { return table.top() + k * rowHeight; }
    // Inside of a cell, without its grid lines; row 0 is the header.
    QRect cell(int row) const {
        return QRect(table.left() + 1, lineY(row) + 1, table.width() - 2, rowHeight - 1);
    }
};

}  // namespace pictures
