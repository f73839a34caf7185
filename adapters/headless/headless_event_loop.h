// The posted-message queue of the headless grids. PostMsg of a grid appends
// (grid, id) and returns; ProcessPendingEvents delivers the ids through the grids'
// PostEvent notification in posting order, including ids posted while delivering,
// until the queue is empty.
#pragma once

#include <cstddef>
#include <deque>
#include <utility>

#include "host/platform.h"

namespace vmbgrid {

class HeadlessGrid;

class HeadlessEventLoop : public EventLoop {
 public:
  // The queue every headless grid posts to unless it was given another one.
  static HeadlessEventLoop& Default();

  void Post(HeadlessGrid* grid, int messageId);
  // Delivers until the queue is empty, but at most MaxDeliveries() messages per
  // call, so that a handler that re-posts forever cannot hang the caller; the rest
  // stay queued and Overflowed() tells.
  void ProcessPendingEvents() override;

  size_t Pending() const { return queue_.size(); }
  // Removes the messages of a grid that goes away.
  void Discard(const HeadlessGrid* grid);
  void Clear();

  size_t MaxDeliveries() const { return maxDeliveries_; }
  void MaxDeliveries(size_t limit) { maxDeliveries_ = limit; }
  bool Overflowed() const { return overflowed_; }
  // Total number of messages delivered since construction or Clear().
  size_t Delivered() const { return delivered_; }

 private:
  std::deque<std::pair<HeadlessGrid*, int>> queue_;
  size_t maxDeliveries_ = 10000;
  size_t budget_ = 0;
  int depth_ = 0;
  bool overflowed_ = false;
  size_t delivered_ = 0;
};

}  // namespace vmbgrid
