// Whether the user's access token holds the built-in Administrators group, asked the way
// the system's own administrator test asks it: an access check against a descriptor whose
// only entry allows that group.
#pragma once

namespace platform {

bool TokenHoldsAdministrators();

}  // namespace platform
