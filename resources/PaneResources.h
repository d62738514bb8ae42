// The templates of the main frame's panes and of the options dialog, registered by id beside the
// program's other resources.
#pragma once

namespace resources {

bool RegisterPaneResources();

}  // namespace resources
