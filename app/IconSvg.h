// The scalable icon: the icon's shapes written as an SVG document.
#pragma once

#include <string>
#include <vector>

#include "app/Glyphs.h"

std::string IconSvg(const std::vector<IconShape>& shapes);
