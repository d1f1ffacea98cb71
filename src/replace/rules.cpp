#include "replace/rules.h"

#include "fileset/text.h"

namespace zur {

Rule MakeRule(std::string_view find, std::string_view replacement) {
  return Rule{TrimControl(find), TrimControl(replacement)};
}

}  // namespace zur
