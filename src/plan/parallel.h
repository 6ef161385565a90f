// Independent jobs (estimates that each own their generator state and
// working storage) spread over a few threads. Results must not depend on how
// many threads run them, and do not: each job writes only its own result.
#pragma once

#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

// Runs job(0) .. job(count - 1), on up to `threads` threads; thread t takes
// jobs t, t + threads, ...
inline void run_jobs(size_t count, int threads, const std::function<void(size_t)>& job) {
  const size_t workers = threads < 1 ? 1 : static_cast<size_t>(threads);
  auto worker = [&](size_t first) {
    for (size_t n = first; n < count; n += workers) job(n);
  };
  std::vector<std::thread> others;
  for (size_t t = 1; t < workers && t < count; ++t) others.emplace_back(worker, t);
  worker(0);
  for (std::thread& other : others) other.join();
}
