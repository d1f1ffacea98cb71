// Writing the output pane back over its file, the way the runs write: in place (the file keeps its
// owner, permissions and links), with the original kept in a journal of the program's own first, so
// that a write cut short is put back at the next start.
#pragma once

#include <string>
#include <string_view>

#include "run/engine.h"

namespace zur {

// Done when written, Unchanged when the file already holds these bytes, else why not.
RunEvent SaveFileInPlace(const std::string& path, std::string_view bytes, const std::string& stateDir);

}  // namespace zur
