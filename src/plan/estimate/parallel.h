// Independent jobs (estimates that each own their generator state and
// working storage) spread over a few threads. Results must not depend on how
// many threads run them, and do not: each job writes only its own result.
#pragma once

#include <cstddef>
#include <functional>
#include <future>
#include <system_error>
#include <thread>
#include <vector>

namespace mpdetect {

// Runs job(0) .. job(count - 1) on the calling thread and up to `threads` -
// 1 more; with w threads in all, thread t takes jobs t, t + w, ... A thread
// the system will not start (a process limit) is simply not there: the
// others share its jobs, and every job still runs.
inline void run_jobs(size_t count, int threads, const std::function<void(size_t)>& job) {
  const size_t asked = threads < 1 ? 1 : static_cast<size_t>(threads);
  std::promise<size_t> started;
  const std::shared_future<size_t> stride = started.get_future().share();
  auto worker = [&job, count, stride](size_t first) {
    const size_t step = stride.get();
    for (size_t n = first; n < count; n += step) job(n);
  };
  std::vector<std::thread> others;
  others.reserve(asked);
  for (size_t t = 1; t < asked && t < count; ++t) {
    try {
      others.emplace_back(worker, t);
    } catch (const std::system_error&) {
      break;
    }
  }
  started.set_value(others.size() + 1);
  worker(0);
  for (std::thread& other : others) other.join();
}

}  // namespace mpdetect
