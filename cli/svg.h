#pragma once

#include <string>
#include <string_view>
#include <vector>

// A small writer of self-contained SVG, enough for the timing diagram: the
// elements in drawing order, every number written by {fmt}, which knows no
// locale, and every text escaped for XML. A coordinate that is not a finite
// number, or a negative size, is a fault of the drawing: it throws
// std::invalid_argument rather than write a file a viewer would refuse.
namespace cli {

struct Point {
    double x = 0, y = 0;
};

class Svg {
public:
    enum class Anchor { Start, Middle, End };

    Svg(double width, double height);

    // `attributes` are written as given, e.g. R"(stroke="#333")": the
    // drawing's own constants, never user text.
    void rect(Point corner, double width, double height, std::string_view attributes);
    void line(Point from, Point to, std::string_view attributes);
    void polyline(const std::vector<Point>& points, std::string_view attributes);
    void circle(Point centre, double radius, std::string_view attributes);
    void text(Point at, std::string_view text, Anchor anchor, std::string_view attributes = {});

    // The whole file, from the XML declaration on.
    std::string document(std::string_view title) const;

private:
    double width_, height_;
    std::string body_;
};

// & < > " ' as entities.
std::string xmlEscaped(std::string_view text);

}  // namespace cli
