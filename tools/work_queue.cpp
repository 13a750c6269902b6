#include "work_queue.h"

#include <sched.h>

namespace qh::cli {

WorkQueue::~WorkQueue() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) worker.join();  // queued tasks are finished first
}

void WorkQueue::Post(std::function<void()> task) {
  {
    const std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    // Workers start with the first tasks, up to threads_.
    if (workers_.size() < static_cast<size_t>(threads_)) workers_.emplace_back([this] { Work(); });
  }
  wake_.notify_one();
}

void WorkQueue::Work() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      if (tasks_.empty()) return;  // stopping, and nothing left
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

int UsableCores() {
  // The affinity mask, not the machine's count: a process pinned to some
  // cores (taskset, a container's limit) gets only those.
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int n = CPU_COUNT(&set);
    if (n > 0) return n;
  }
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int>(n) : 1;
}

}  // namespace qh::cli
