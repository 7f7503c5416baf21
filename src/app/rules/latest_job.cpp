#include "app/rules/latest_job.h"

#include "runtime/ui/ui_ops.h"

namespace dw {

LatestJob::~LatestJob() {
  Cancel();
  JoinThreadDispatching(worker_);
}

void LatestJob::Cancel() {
  ++generation_;
  running_ = false;
  EndThread(worker_);
}

}  // namespace dw
