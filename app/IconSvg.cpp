#include "app/IconSvg.h"

#include <cstdio>

namespace {

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

// fill="#rrggbb" (or stroke=), with its opacity when not opaque.
std::string Paint(const char* attribute, std::uint32_t argb) {
  char text[64];
  std::snprintf(text, sizeof text, "%s=\"#%06X\"", attribute, argb & 0xFFFFFFu);
  std::string paint = text;
  const unsigned alpha = argb >> 24;
  if (alpha != 0xFF)
    paint += std::string(" ") + attribute + "-opacity=\"" + Number(alpha / 255.0) + "\"";
  return paint;
}

std::string Circle(const IconShape& s, const std::string& paint) {
  return "<circle cx=\"" + Number(s.x0) + "\" cy=\"" + Number(s.y0) + "\" r=\"" + Number(s.radius) +
         "\" " + paint + "/>";
}

}  // namespace

std::string IconSvg(const std::vector<IconShape>& shapes) {
  std::string defs, body;
  int holes = 0;
  for (const IconShape& s : shapes) {
    switch (s.kind) {
      case IconShape::kDisc:
        body += "  " + Circle(s, Paint("fill", s.argb)) + "\n";
        break;
      case IconShape::kHole: {
        // Everything drawn so far goes behind a mask with the hole cut out.
        const std::string id = "hole" + std::to_string(++holes);
        defs += "  <mask id=\"" + id + "\"><rect width=\"32\" height=\"32\" fill=\"#FFFFFF\"/>" +
                Circle(s, "fill=\"#000000\"") + "</mask>\n";
        body = "  <g mask=\"url(#" + id + ")\">\n" + body + "  </g>\n";
        break;
      }
      case IconShape::kStroke:
        body += "  <line x1=\"" + Number(s.x0) + "\" y1=\"" + Number(s.y0) + "\" x2=\"" +
                Number(s.x1) + "\" y2=\"" + Number(s.y1) + "\" " + Paint("stroke", s.argb) +
                " stroke-width=\"" + Number(2 * s.radius) + "\" stroke-linecap=\"round\"/>\n";
        break;
    }
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" "
         "viewBox=\"0 0 32 32\">\n" +
         (defs.empty() ? std::string() : "<defs>\n" + defs + "</defs>\n") + body + "</svg>\n";
}
