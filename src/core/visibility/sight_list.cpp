// The available sight distance along a list of chainages on worker threads:
// the list is cut into blocks, the workers take the blocks in order (a few
// ahead of the caller at most), and the calling thread waits for each block
// in turn and delivers its rows in list order.
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "visibility/available_sight.h"

namespace lumora::visibility {
namespace {

// Blocks ahead of the caller that the workers may compute.
constexpr std::size_t kLookahead = 4;

struct Block {
  std::vector<Sight> rows;
  std::exception_ptr error;  // thrown at row first + rows.size()
  bool done = false;
};

class Run {
 public:
  Run(const SightSearch& search, std::span<const double> chainages, std::span<const double> d_max,
      Method method, unsigned threads)
      : search_(search), chainages_(chainages), d_max_(d_max), method_(method) {
    const std::size_t n = chainages.size();
    block_size_ = std::clamp<std::size_t>(n / (std::size_t{threads} * 8), 16, 1024);
    blocks_.resize((n + block_size_ - 1) / block_size_);
    workers_.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) {
      try {
        workers_.emplace_back([this] { work(); });
      } catch (const std::system_error&) {
        if (workers_.empty()) throw;
        break;
      }
    }
  }

  ~Run() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    space_.notify_all();
    for (auto& w : workers_) w.join();
  }

  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  void deliver_all(const DeliverSight& deliver) {
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
      Block block;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [&] { return blocks_[b].done; });
        block = std::move(blocks_[b]);
        delivered_ = b + 1;
      }
      space_.notify_all();
      const std::size_t first = b * block_size_;
      for (std::size_t k = 0; k < block.rows.size(); ++k) {
        if (!deliver(first + k, block.rows[k])) return;
      }
      if (block.error) std::rethrow_exception(block.error);
    }
  }

 private:
  void work() {
    for (;;) {
      std::size_t b = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        space_.wait(lock, [&] {
          return stop_ || next_ >= blocks_.size() || next_ < delivered_ + kLookahead;
        });
        if (stop_ || next_ >= blocks_.size()) return;
        b = next_++;
      }
      Block block;
      compute(b, block);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        blocks_[b] = std::move(block);
        blocks_[b].done = true;
      }
      ready_.notify_all();
    }
  }

  void compute(std::size_t b, Block& block) {
    const std::size_t first = b * block_size_;
    const std::size_t end = std::min(first + block_size_, chainages_.size());
    block.rows.reserve(end - first);
    try {
      for (std::size_t k = first; k < end; ++k) {
        if (stopping()) return;
        block.rows.push_back(search_.search(chainages_[k], d_max_[k], method_));
      }
    } catch (...) {
      block.error = std::current_exception();
    }
  }

  bool stopping() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stop_;
  }

  const SightSearch& search_;
  std::span<const double> chainages_;
  std::span<const double> d_max_;
  Method method_;
  std::size_t block_size_ = 1;

  std::mutex mutex_;
  std::condition_variable ready_;  // a block is done
  std::condition_variable space_;  // the caller took a block, or stop
  std::vector<Block> blocks_;
  std::size_t next_ = 0;
  std::size_t delivered_ = 0;
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace

void sight_list(const SightSearch& search, std::span<const double> chainages,
                std::span<const double> d_max, const ListOptions& options,
                const DeliverSight& deliver) {
  if (chainages.size() != d_max.size()) {
    throw std::invalid_argument("sight_list: one d_max per chainage");
  }
  const std::size_t n = chainages.size();
  auto on_this_thread = [&] {
    for (std::size_t k = 0; k < n; ++k) {
      if (!deliver(k, search.search(chainages[k], d_max[k], options.method))) return;
    }
  };
  unsigned threads = options.threads;
  if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 16u);
  if (threads == 1 || n <= 16) {
    on_this_thread();
    return;
  }
  std::optional<Run> run;
  try {
    run.emplace(search, chainages, d_max, options.method, threads);
  } catch (const std::system_error&) {
    on_this_thread();
    return;
  }
  run->deliver_all(deliver);
}

}  // namespace lumora::visibility
