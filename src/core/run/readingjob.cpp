#include "core/run/readingjob.h"

#include "core/run/runevents.h"

namespace zur {

bool OpenAndRead(ReadFile& read, size_t item, const std::string& path, bool write, const fs::FileId* listed,
                 ByteBuffer& buffer) {
  fs::OpenedFile file = fs::OpenedFile::Open(path, write, listed);
  if (!file.Ok()) {
    read.event = RefusalEvent(item, file.Refused(), file.Error());
    return false;
  }
  read.opened = true;
  read.writable = file.Writable();
  read.device = file.Stat().device;
  read.inode = file.Stat().inode;
  if (!file.ReadAll(buffer)) {
    read.event = {item, Outcome::Failed, Why::Error, fs::ErrorText(file.Error())};
    return false;
  }
  return true;
}

void ReadingJob::Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) {
  if (prepared->broken) {
    ctx.Emit({item, Outcome::Failed, Why::Error, prepared->brokenWhy});
    return;
  }
  auto& read = static_cast<ReadFile&>(*prepared);
  if (read.opened && read.event.outcome == Outcome::Hit && !seen_.First(read.device, read.inode)) return;
  ctx.Emit(std::move(read.event));
}

}  // namespace zur
