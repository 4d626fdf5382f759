#include "cli/svg.h"

#include <fmt/format.h>

#include <cmath>
#include <stdexcept>

namespace cli {
namespace {

// Two decimals: a hundredth of a pixel is below what any viewer shows.
std::string number(double value) {
    if (!std::isfinite(value))
        throw std::invalid_argument("a coordinate that is not a number");
    std::string text = fmt::format("{:.2f}", value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string size(double value) {
    if (value < 0)
        throw std::invalid_argument("a negative size");
    return number(value);
}

std::string_view anchorName(Svg::Anchor anchor) {
    switch (anchor) {
    case Svg::Anchor::Start: return "start";
    case Svg::Anchor::Middle: return "middle";
    case Svg::Anchor::End: return "end";
    }
    return "start";
}

}  // namespace

Svg::Svg(double width, double height) : width_(width), height_(height) {
    size(width), size(height);
}

void Svg::rect(Point corner, double width, double height, std::string_view attributes) {
    body_ += fmt::format(R"(<rect x="{}" y="{}" width="{}" height="{}" {}/>)"
                         "\n",
                         number(corner.x), number(corner.y), size(width), size(height), attributes);
}

void Svg::line(Point from, Point to, std::string_view attributes) {
    body_ += fmt::format(R"(<line x1="{}" y1="{}" x2="{}" y2="{}" {}/>)"
                         "\n",
                         number(from.x), number(from.y), number(to.x), number(to.y), attributes);
}

void Svg::polyline(const std::vector<Point>& points, std::string_view attributes) {
    std::string list;
    for (const Point& p : points)
        list += fmt::format("{}{},{}", list.empty() ? "" : " ", number(p.x), number(p.y));
    body_ += fmt::format(R"(<polyline points="{}" fill="none" {}/>)"
                         "\n",
                         list, attributes);
}

void Svg::circle(Point centre, double radius, std::string_view attributes) {
    body_ += fmt::format(R"(<circle cx="{}" cy="{}" r="{}" {}/>)"
                         "\n",
                         number(centre.x), number(centre.y), size(radius), attributes);
}

void Svg::text(Point at, std::string_view text, Anchor anchor, std::string_view attributes) {
    body_ += fmt::format(R"(<text x="{}" y="{}" text-anchor="{}"{}{}>{}</text>)"
                         "\n",
                         number(at.x), number(at.y), anchorName(anchor), attributes.empty() ? "" : " ", attributes,
                         xmlEscaped(text));
}

std::string Svg::document(std::string_view title) const {
    return fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       R"(<svg xmlns="http://www.w3.org/2000/svg" width="{0}" height="{1}" viewBox="0 0 {0} {1}")"
                       R"( font-family="DejaVu Sans, Arial, sans-serif" font-size="12">)"
                       "\n<title>{2}</title>\n"
                       R"(<rect x="0" y="0" width="{0}" height="{1}" fill="#ffffff"/>)"
                       "\n{3}</svg>\n",
                       size(width_), size(height_), xmlEscaped(title), body_);
}

std::string xmlEscaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

}  // namespace cli
