// Parses an update page on a thread of its own, so that the window never waits for it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/update/updatepage.h"

namespace zur {

class PageParseJob {
 public:
  using Deliver = std::function<void(ParsedPage)>;

  // Starts parsing `page`. `deliver` receives the result on the parsing thread (on the calling
  // thread when no thread can be started), unless the job has been called off by then.
  PageParseJob(std::string page, Deliver deliver);
  // Calls the job off; the thread finishes on its own and delivers nothing.
  ~PageParseJob();

  PageParseJob(const PageParseJob&) = delete;
  PageParseJob& operator=(const PageParseJob&) = delete;

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace zur
