#include "sight/clearance_list.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

namespace lumora::sight {
namespace {

// Blocks ahead of the caller that the workers may compute: enough to keep
// every core busy while the caller writes its rows, and no more, so that a
// cancelled run stops at once and memory stays small.
constexpr std::size_t kLookahead = 4;

struct Block {
  std::vector<Clearance> rows;
  std::exception_ptr error;  // thrown at row first + rows.size()
  bool done = false;
};

class Run {
 public:
  Run(const EyePath& path, std::span<const double> chainages, std::span<const double> sights,
      Side side, unsigned threads, const PrepareClearance& prepare)
      : path_(path), chainages_(chainages), sights_(sights), side_(side), prepare_(prepare) {
    const std::size_t n = chainages.size();
    // Each block starts with a full set of sight lines; blocks of a few
    // hundred chainages make that a small share, and leave enough blocks
    // for every thread.
    block_size_ = std::clamp<std::size_t>(n / (std::size_t{threads} * 8), 64, 2048);
    blocks_.resize((n + block_size_ - 1) / block_size_);
    workers_.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) {
      try {
        workers_.emplace_back([this] { work(); });
      } catch (const std::system_error&) {
        // Fewer threads than asked for will do; none is the caller's case.
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

  void deliver_all(const DeliverClearance& deliver) {
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
    SharedSightLines lines(path_, side_);
    try {
      for (std::size_t k = first; k < end; ++k) {
        if (stopping()) return;
        Clearance r = lines.at(chainages_[k], sights_[k]);
        if (prepare_) prepare_(k, r);
        block.rows.push_back(std::move(r));
      }
    } catch (...) {
      block.error = std::current_exception();
    }
  }

  bool stopping() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stop_;
  }

  const EyePath& path_;
  std::span<const double> chainages_;
  std::span<const double> sights_;
  Side side_;
  const PrepareClearance& prepare_;
  std::size_t block_size_ = 1;

  std::mutex mutex_;
  std::condition_variable ready_;  // a block is done
  std::condition_variable space_;  // the caller took a block, or stop
  std::vector<Block> blocks_;
  std::size_t next_ = 0;       // next block to compute
  std::size_t delivered_ = 0;  // blocks taken by the caller
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace

void clearance_list(const EyePath& path, std::span<const double> chainages,
                    std::span<const double> sights, const ListOptions& options,
                    const DeliverClearance& deliver, const PrepareClearance& prepare) {
  if (chainages.size() != sights.size()) {
    throw std::invalid_argument("clearance_list: one sight distance per chainage");
  }
  const std::size_t n = chainages.size();
  if (options.method == Method::reference) {
    for (std::size_t k = 0; k < n; ++k) {
      Clearance r = maxhjs(path, chainages[k], sights[k], options.side);
      r.profile.clear();
      if (prepare) prepare(k, r);
      if (!deliver(k, r)) return;
    }
    return;
  }
  auto on_this_thread = [&] {
    SharedSightLines lines(path, options.side);
    for (std::size_t k = 0; k < n; ++k) {
      const Clearance r = lines.at(chainages[k], sights[k]);
      if (prepare) prepare(k, r);
      if (!deliver(k, r)) return;
    }
  };
  unsigned threads = options.threads;
  if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 16u);
  if (threads == 1 || n <= 64) {
    on_this_thread();
    return;
  }
  std::optional<Run> run;
  try {
    run.emplace(path, chainages, sights, options.side, threads, prepare);
  } catch (const std::system_error&) {
    on_this_thread();  // no thread could be started
    return;
  }
  run->deliver_all(deliver);
}

}  // namespace lumora::sight
