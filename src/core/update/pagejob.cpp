#include "core/update/pagejob.h"

#include <mutex>
#include <system_error>
#include <thread>

namespace zur {

// What the job and its thread share. `deliver` is cleared under the lock when the job is called off
// and called under the same lock, so it never runs once the destructor has returned.
struct PageParseJob::Shared {
  std::string page;
  std::mutex lock;
  Deliver deliver;

  void Run() {
    ParsedPage parsed;
    try {
      parsed = ParseUpdatePage(page);
    } catch (...) {
      parsed = ParsedPage{};  // out of memory: a page without a body
    }
    std::lock_guard<std::mutex> guard(lock);
    if (deliver) deliver(std::move(parsed));
  }
};

PageParseJob::PageParseJob(std::string page, Deliver deliver) : shared_(std::make_shared<Shared>()) {
  shared_->page = std::move(page);
  shared_->deliver = std::move(deliver);
  try {
    std::thread([shared = shared_] { shared->Run(); }).detach();
  } catch (const std::system_error&) {
    shared_->Run();
  }
}

PageParseJob::~PageParseJob() {
  std::lock_guard<std::mutex> guard(shared_->lock);
  shared_->deliver = nullptr;
}

}  // namespace zur
