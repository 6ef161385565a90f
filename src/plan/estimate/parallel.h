// Independent jobs (estimates that each own their generator state and
// working storage) spread over a few threads. Results must not depend on how
// many threads run them, and do not: each job writes only its own result.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

namespace mpdetect {

// Runs job(0) .. job(count - 1) on the calling thread and up to `threads` -
// 1 more; each thread takes the next job not yet taken, in order, so that
// jobs of unequal length keep every thread busy until the last. A thread
// the system will not start (a process limit) is simply not there: the
// others take its jobs, and every job still runs.
inline void run_jobs(size_t count, int threads, const std::function<void(size_t)>& job) {
  const size_t asked = threads < 1 ? 1 : static_cast<size_t>(threads);
  std::atomic<size_t> next{0};
  auto worker = [&job, &next, count]() {
    for (size_t n = next++; n < count; n = next++) job(n);
  };
  std::vector<std::thread> others;
  others.reserve(asked);
  for (size_t t = 1; t < asked && t < count; ++t) {
    try {
      others.emplace_back(worker);
    } catch (const std::system_error&) {
      break;
    }
  }
  worker();
  for (std::thread& other : others) other.join();
}

}  // namespace mpdetect
