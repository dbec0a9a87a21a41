#include "run/unit_estimation.h"

#include <oneapi/tbb/enumerable_thread_specific.h>
#include <oneapi/tbb/parallel_pipeline.h>
#include <oneapi/tbb/task_arena.h>

#include <algorithm>
#include <string>

#include "core/estimation/estimate_unit.h"
#include "core/model/not_available.h"
#include "core/model/region_table.h"
#include "core/model/unit_results.h"
#include "core/numerics/digamma_sums.h"
#include "reports/log_report.h"
#include "reports/result_table.h"

namespace tolven {
namespace {

// What one thread needs to estimate units: the unit's table, its results and
// the fit's scratch storage, all reused from unit to unit.
struct UnitWorker {
    RegionTable table;
    UnitResults results;
    DigammaSums sums;
};

// A run of consecutive units (or rows) and the text they produced.
struct Batch {
    std::size_t first = 0;
    std::size_t end = 0;
    std::string text;
};

// Enough units per batch that handing out a batch costs little next to
// estimating it; few enough that the window of finished batches stays small.
constexpr std::size_t REGIONS_PER_BATCH = 4096;
constexpr std::size_t ROWS_PER_BATCH = 16384;

// Batches in flight per thread: enough to keep every thread busy while the
// writer waits for the oldest one.
std::size_t windowSize() {
    return 4 * static_cast<std::size_t>(std::max(1, tbb::this_task_arena::max_concurrency()));
}

UnitPriors priorsOf(const UnitResults& results) {
    return {results.meAlpha, results.meBeta, results.mleAlpha, results.mleBeta};
}

void estimateGroup(UnitWorker& worker, InputTable& table, const UnitGroups& groups,
                   std::size_t unit, LogForm form, const RunSettings& settings,
                   const EngineOptions& options, std::string& log, PriorsByRow* keep,
                   SpatialRun* spatial) {
    const std::size_t start = groups.starts[unit];
    const int count = static_cast<int>(groups.regionCount(unit));
    const auto rowOf = [&](int slot) {
        return groups.rows[start + static_cast<std::size_t>(slot - 1)];
    };
    RegionTable& regions = worker.table;
    regions.ensureSlots(count);
    regions.regionCount = count;
    for (int slot = 1; slot <= count; ++slot) {
        regions.observed[slot] = table.observed[rowOf(slot)];
        regions.expected[slot] = table.expected[rowOf(slot)];
    }
    estimateUnit(regions, worker.results, settings, worker.sums, options);
    writeLogSection(log, form, groups.units[unit], regions, worker.results, settings);
    if (spatial) {
        spatial->estimateUnit(table, {&groups.rows[start], static_cast<std::size_t>(count)},
                              groups.units[unit], form, log);
    }
    // Each row belongs to one unit, so threads never write the same row.
    for (int slot = 1; slot <= count; ++slot) {
        const int row = rowOf(slot);
        table.ratio[row] = regions.ratio[slot];
        table.ebRatioME[row] = regions.ebRatioME[slot];
        table.ebRatioMLE[row] = regions.ebRatioMLE[slot];
        if (keep) keep->unitOfRow[row] = static_cast<int>(unit);
    }
    if (isOneRegionUnit(form, count)) table.ebRatioME[rowOf(1)] = NOT_AVAILABLE;
    if (keep) keep->priors[unit] = priorsOf(worker.results);
}

// Cuts the items [first, end) into batches (batchEnd gives where the batch
// that starts at an item ends), fills each batch's text with `fill` on the
// threads of the calling task arena, and hands the batches to `write` in
// order, so that only a bounded window of them waits in memory. Once `cancel`
// is set no more batches are handed out and nothing more is written: a pipe
// nobody reads would otherwise block the run for ever. Returns false then.
template <typename BatchEnd, typename Fill, typename Write>
bool inOrder(std::size_t first, std::size_t end, BatchEnd batchEnd, Fill fill, Write write,
             const std::atomic<bool>* cancel) {
    std::size_t next = first;
    tbb::parallel_pipeline(
        windowSize(),
        tbb::make_filter<void, Batch>(tbb::filter_mode::serial_in_order,
                                      [&](tbb::flow_control& control) {
                                          Batch batch;
                                          if (next == end || isCancelled(cancel)) {
                                              control.stop();
                                              return batch;
                                          }
                                          batch.first = next;
                                          batch.end = next = batchEnd(next);
                                          return batch;
                                      }) &
            tbb::make_filter<Batch, Batch>(tbb::filter_mode::parallel,
                                           [&](Batch batch) {
                                               fill(batch);
                                               return batch;
                                           }) &
            tbb::make_filter<Batch, void>(tbb::filter_mode::serial_in_order, [&](Batch batch) {
                if (!isCancelled(cancel)) write(batch);
            }));
    return !isCancelled(cancel);
}

void writeText(const Batch& batch, std::FILE* stream) {
    std::fwrite(batch.text.data(), 1, batch.text.size(), stream);
}

}  // namespace

bool estimateUnits(InputTable& table, const UnitGroups& groups, LogForm form,
                   const RunSettings& settings, const EngineOptions& options, RunProgress* progress,
                   std::FILE* log, PriorsByRow* keep, SpatialRun* spatial) {
    if (keep) {
        keep->priors.resize(groups.unitCount());
        keep->unitOfRow.resize(static_cast<std::size_t>(table.rowCount) + 1);
    }
    if (progress) progress->estimating(0, groups.unitCount());
    tbb::enumerable_thread_specific<UnitWorker> workers;
    const auto batchEnd = [&](std::size_t unit) {
        std::size_t regions = 0;
        while (unit < groups.unitCount() && regions < REGIONS_PER_BATCH) {
            regions += groups.regionCount(unit++);
        }
        return unit;
    };
    const auto fill = [&](Batch& batch) {
        UnitWorker& worker = workers.local();
        for (std::size_t unit = batch.first; unit < batch.end && !isCancelled(options.cancel);
             ++unit) {
            estimateGroup(worker, table, groups, unit, form, settings, options, batch.text, keep,
                          spatial);
        }
    };
    const auto write = [&](const Batch& batch) {
        writeText(batch, log);
        if (progress) progress->estimating(batch.end, groups.unitCount());
    };
    return inOrder(0, groups.unitCount(), batchEnd, fill, write, options.cancel);
}

bool writeResultTableInParallel(std::FILE* output, const InputTable& table,
                                const ResultTableFormat& format, const std::atomic<bool>* cancel,
                                RunProgress* progress) {
    std::string header;
    writeResultHeader(header, format);
    std::fwrite(header.data(), 1, header.size(), output);
    const auto rows = static_cast<std::size_t>(table.rowCount);
    const auto batchEnd = [&](std::size_t row) { return std::min(rows + 1, row + ROWS_PER_BATCH); };
    const auto fill = [&](Batch& batch) {
        writeResultRows(batch.text, table, static_cast<int>(batch.first),
                        static_cast<int>(batch.end - 1), format);
    };
    const auto write = [&](const Batch& batch) {
        writeText(batch, output);
        if (progress) progress->writingRows(batch.end - 1, rows);
    };
    if (progress) progress->writingRows(0, rows);
    return inOrder(1, rows + 1, batchEnd, fill, write, cancel);
}

}  // namespace tolven
