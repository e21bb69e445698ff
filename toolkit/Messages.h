// Window messages the controls answer through TControl::Perform.
#pragma once

#include <cstdint>

#include "platform/win32.h"

namespace toolkit {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Rich edit: scroll the view so that the caret is visible.
inline constexpr UINT EM_SCROLLCARET = 0x00B7;

}  // namespace toolkit
