#include "drive/AspiMemAlloc.h"

AspiMemAlloc::AspiMemAlloc() = default;
AspiMemAlloc::~AspiMemAlloc() = default;
