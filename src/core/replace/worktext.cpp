#include "core/replace/worktext.h"

#include <cstring>

#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"
#include "core/text/codec.h"

namespace zur {

void WorkText::Take(ByteBuffer bytes) {
  bytes_ = std::move(bytes);
  quick_ = ByteOrderKind(bytes_.view());
  kind_ = quick_;
  known_ = nulTested_ = quick_.bomSize > 0;
  changed_ = false;
  lineEnd_.clear();
}

bool WorkText::NotText() {
  if (!nulTested_) {
    nulTested_ = true;
    quick_.text = kind_.text = bytes_.size() == 0 || std::memchr(bytes_.data(), '\0', bytes_.size()) == nullptr;
    if (!quick_.text) known_ = true;
  }
  return !quick_.text;
}

void WorkText::SetBytes(std::string_view bytes) {
  ByteBuffer b;
  b.assign(bytes);
  Take(std::move(b));
}

void WorkText::LoadFromFile(const std::string& path) {
  fs::OpenedFile file = fs::OpenedFile::Open(path, false);
  if (!file.Ok()) throw fs::FileError("cannot open " + path);
  ByteBuffer b;
  if (!file.ReadAll(b)) throw fs::FileError("cannot read " + path);
  Take(std::move(b));
}

const TextKind& WorkText::Kind() {
  if (!known_) {
    // (A file found not to be text keeps that; a search decides the encoding without the NUL test.)
    if (nulTested_ && !quick_.text) return kind_;
    kind_ = DetectEncoding(bytes_.view(), locale_);
    kind_.text = quick_.text;
    known_ = true;
  }
  return kind_;
}

void WorkText::TakeText(std::string_view text) {
  WillChange();
  const size_t start = Start();
  ByteBuffer result;
  result.reserve(start + text.size());
  result.append(View().substr(0, start));
  result.append(text);
  bytes_ = std::move(result);
}

std::string WorkText::LineEnd() {
  // The first line end of the file as it was loaded: replacements only add its own kind.
  if (!lineEnd_.empty()) return lineEnd_;
  const Units u = UnitsOf();
  std::string_view first = FirstLineEnd(View(), Start(), u);
  if (!first.empty()) {
    lineEnd_ = first;
  } else {
    lineEnd_ = u.width == 1 ? std::string("\n") : std::string(u.bigEndian ? std::string_view("\0\n", 2) : std::string_view("\n\0", 2));
  }
  return lineEnd_;
}

void WorkText::WillChange() {
  if (changed_) return;
  changed_ = true;
  if (beforeFirstChange) beforeFirstChange(bytes_.view());
}

}  // namespace zur
