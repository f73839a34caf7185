#include "adapters/headless/headless_event_loop.h"

#include <algorithm>

#include "adapters/headless/headless_grid.h"

namespace vmbgrid {

HeadlessEventLoop& HeadlessEventLoop::Default() {
  static HeadlessEventLoop loop;
  return loop;
}

void HeadlessEventLoop::Post(HeadlessGrid* grid, int messageId) {
  queue_.emplace_back(grid, messageId);
}

void HeadlessEventLoop::ProcessPendingEvents() {
  // A handler may run the loop again (to let pending messages run); the nested run
  // shares the budget of the outermost one.
  if (depth_ == 0) {
    budget_ = maxDeliveries_;
    overflowed_ = false;
  }
  ++depth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{depth_};
  while (!queue_.empty()) {
    if (budget_ == 0) {
      overflowed_ = true;
      return;
    }
    --budget_;
    auto [grid, id] = queue_.front();
    queue_.pop_front();
    ++delivered_;
    grid->DeliverPosted(id);
  }
}

void HeadlessEventLoop::Discard(const HeadlessGrid* grid) {
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                              [grid](const auto& entry) { return entry.first == grid; }),
               queue_.end());
}

void HeadlessEventLoop::Clear() {
  queue_.clear();
  overflowed_ = false;
  delivered_ = 0;
}

}  // namespace vmbgrid
