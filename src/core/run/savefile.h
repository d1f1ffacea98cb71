// Writing the output pane back over its file, the way the runs write (filewrite.h): the original is
// kept in a journal of the program's own first, so that nothing is lost if the write is cut short.
#pragma once

#include <string>
#include <string_view>

#include "core/run/engine.h"

namespace zur {

// Done when written, Unchanged when the file already holds these bytes, else why not.
RunEvent SaveFile(const std::string& path, std::string_view bytes, const std::string& stateDir);

}  // namespace zur
