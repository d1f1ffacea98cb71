// The files the tree commands take, as the window's fields say: the extension list, the exclusions,
// the hidden files box and the largest size.
#pragma once

#include <optional>

#include "core/commands/driver.h"
#include "core/files/filter.h"

namespace zur {

class FormBase;

// The filter of the fields as they stand; nothing (the user told why, the field focused) when the
// largest size is no size.
std::optional<FileFilter> FilterFromWindow(FormBase& f);

// The line that ends a tree command's report when its filter left files out ("已排除N个文件").
void TellLeftOut(FormBase& f, const CommandResult& result);

}  // namespace zur
