// The maximum lateral clearance along a list of chainages, on every core.
//
// clearance_list computes maxhjs for each chainage of a list (with its own
// sight distance) and hands the results to the caller in list order, on the
// calling thread, so that progress, warnings and the rows of the result file
// keep their order whatever the threads do.
//
// Two methods give the same numbers, bit for bit:
//   - Method::reference calls maxhjs for each chainage in turn, on the
//     calling thread: every chainage lays its ⌊S⌋ + 1 sight lines afresh.
//   - Method::shared cuts the list into blocks of neighbouring chainages.
//     Worker threads take the blocks in order; within a block one
//     SharedSightLines fits each sight line once and hands it on to the next
//     chainage (see clearance.h), so at an interval of 1 m a chainage costs
//     one new sight line instead of ⌊S⌋ + 1. The calling thread waits for
//     the blocks in order and delivers their rows.
//
// Each row may first be prepared (prepare, on the computing thread), then
// it is delivered (deliver, on the calling thread, in order).
//
// Stopping: deliver returns false to stop (a cancelled run); the workers
// finish the chainage in hand and end before clearance_list returns. An
// error at row k (DataFormatError from maxhjs) is thrown on the calling
// thread after rows 0 … k − 1 have been delivered, as the reference would.
//
// Memory: the results of the blocks not yet delivered (a few blocks ahead
// of the caller at most) and two sets of sight lines per thread.
//
// Example:
//   ListOptions o;                       // shared sight lines, all cores
//   o.side = Side::inside;
//   clearance_list(path, chainages, sights, o, [&](std::size_t k, const Clearance& r) {
//     rows.push_back(r.maxhjj);
//     return true;                       // false stops the run
//   });
#pragma once

#include <cstddef>
#include <functional>
#include <span>

#include "sight/clearance.h"

namespace lumora::sight {

enum class Method {
  reference,  // maxhjs for every chainage, one thread
  shared,     // sight lines shared between neighbouring chainages, all cores
};

struct ListOptions {
  Side side = Side::inside;
  Method method = Method::shared;
  /// Worker threads of Method::shared; 0: one per core.
  unsigned threads = 0;
};

/// Called with the row index and its result, in order; false stops the run.
/// The result's profile is empty.
using DeliverClearance = std::function<bool(std::size_t, const Clearance&)>;

/// Called with the row index and its result as soon as the row is computed,
/// on the thread that computed it (rows of different blocks at once), before
/// the row is delivered: work on the result that needs no order, such as
/// formatting it. An exception is the row's error.
using PrepareClearance = std::function<void(std::size_t, const Clearance&)>;

/// The clearance at chainages[k] with the sight distance sights[k], for
/// k = 0 … n − 1 (both spans of the same length n).
void clearance_list(const EyePath& path, std::span<const double> chainages,
                    std::span<const double> sights, const ListOptions& options,
                    const DeliverClearance& deliver, const PrepareClearance& prepare = {});

}  // namespace lumora::sight
