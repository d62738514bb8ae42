// The resources the program carries: its dialog templates and menus, kept as C++ data and
// registered by id in the window layer's resource table (platform/user/Resources.h).
#pragma once

namespace resources {

// Registers every resource of the program; calling it again registers them again. Returns
// false when one of them could not be registered.
bool RegisterProgramResources();

}  // namespace resources
