#pragma once
// A small pool of worker threads taking tasks first in, first out, for the
// pictures of one render run. With one thread it starts none, unless asked
// to: every task then runs on the caller's thread when it is submitted,
// exactly as a plain loop.
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qh::cli {

class WorkQueue {
 public:
  enum class One { OnCaller, OwnThread };
  explicit WorkQueue(int threads, One one = One::OnCaller)
      : threads_(threads < 1 ? 1 : threads), onCaller_(threads_ == 1 && one == One::OnCaller) {}
  ~WorkQueue();
  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;

  int Threads() const { return threads_; }

  // Runs task on a worker (at once with one thread); its result comes
  // through the future.
  template <typename Task>
  auto Submit(Task task) -> std::future<decltype(task())> {
    using Result = decltype(task());
    auto packaged = std::make_shared<std::packaged_task<Result()>>(std::move(task));
    std::future<Result> result = packaged->get_future();
    if (onCaller_) {
      (*packaged)();
    } else {
      Post([packaged] { (*packaged)(); });
    }
    return result;
  }

 private:
  void Post(std::function<void()> task);
  void Work();

  const int threads_;
  const bool onCaller_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  std::vector<std::thread> workers_;  // started as tasks arrive, up to threads_
  bool stopping_ = false;
};

// The processors this process may run on, at least 1.
int UsableCores();

}  // namespace qh::cli
