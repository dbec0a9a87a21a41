#include "run/unit_estimation.h"

#include <oneapi/tbb/enumerable_thread_specific.h>
#include <oneapi/tbb/parallel_pipeline.h>
#include <oneapi/tbb/task_arena.h>

#include <algorithm>
#include <string>

#include "core/digamma_sums.h"
#include "core/estimate_unit.h"
#include "core/not_available.h"
#include "core/region_table.h"
#include "core/unit_results.h"
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
                   std::size_t unit, const RunSettings& settings, const EngineOptions& options,
                   std::string& log, PriorsByRow* keep) {
    const std::size_t start = groups.starts[unit];
    const int count = static_cast<int>(groups.regionCount(unit));
    RegionTable& regions = worker.table;
    regions.ensureSlots(count);
    regions.regionCount = count;
    for (int slot = 1; slot <= count; ++slot) {
        const int row = groups.rows[start + static_cast<std::size_t>(slot - 1)];
        regions.observed[slot] = table.observed[row];
        regions.expected[slot] = table.expected[row];
    }
    estimateUnit(regions, worker.results, settings, worker.sums, options);
    appendLogSection(log, LogForm::perUnit, groups.units[unit], regions, worker.results, settings);
    // Each row belongs to one unit, so threads never write the same row.
    for (int slot = 1; slot <= count; ++slot) {
        const int row = groups.rows[start + static_cast<std::size_t>(slot - 1)];
        table.ratio[row] = regions.ratio[slot];
        table.ebRatioME[row] = regions.ebRatioME[slot];
        table.ebRatioMLE[row] = regions.ebRatioMLE[slot];
    }
    // One ratio gives no moment-based prior worth showing.
    if (count == 1) table.ebRatioME[groups.rows[start]] = NOT_AVAILABLE;
    if (keep) {
        keep->priors[unit] = priorsOf(worker.results);
        for (int slot = 1; slot <= count; ++slot) {
            keep->unitOfRow[groups.rows[start + static_cast<std::size_t>(slot - 1)]] =
                static_cast<int>(unit);
        }
    }
}

}  // namespace

bool estimateUnits(InputTable& table, const UnitGroups& groups, const RunSettings& settings,
                   const EngineOptions& options, RunProgress* progress, std::FILE* log,
                   PriorsByRow* keep) {
    if (keep) {
        keep->priors.resize(groups.unitCount());
        keep->unitOfRow.resize(static_cast<std::size_t>(table.rowCount) + 1);
    }
    if (progress) progress->estimating(0, groups.unitCount());
    tbb::enumerable_thread_specific<UnitWorker> workers;
    std::size_t next = 0;
    tbb::parallel_pipeline(
        windowSize(),
        tbb::make_filter<void, Batch>(
            tbb::filter_mode::serial_in_order,
            [&](tbb::flow_control& control) {
                Batch batch;
                if (next == groups.unitCount() || isCancelled(options.cancel)) {
                    control.stop();
                    return batch;
                }
                batch.first = next;
                std::size_t regions = 0;
                while (next < groups.unitCount() && regions < REGIONS_PER_BATCH) {
                    regions += groups.regionCount(next);
                    ++next;
                }
                batch.end = next;
                return batch;
            }) &
            tbb::make_filter<Batch, Batch>(tbb::filter_mode::parallel,
                                           [&](Batch batch) {
                                               UnitWorker& worker = workers.local();
                                               for (std::size_t unit = batch.first;
                                                    unit < batch.end; ++unit) {
                                                   if (isCancelled(options.cancel)) break;
                                                   estimateGroup(worker, table, groups, unit,
                                                                 settings, options, batch.text,
                                                                 keep);
                                               }
                                               return batch;
                                           }) &
            tbb::make_filter<Batch, void>(tbb::filter_mode::serial_in_order, [&](Batch batch) {
                if (isCancelled(options.cancel)) return;
                std::fwrite(batch.text.data(), 1, batch.text.size(), log);
                if (progress) progress->estimating(batch.end, groups.unitCount());
            }));
    return !isCancelled(options.cancel);
}

bool estimateWholeFile(InputTable& table, const RunSettings& settings,
                       const EngineOptions& options, RunProgress* progress, std::FILE* log,
                       PriorsByRow* keep) {
    const int count = table.rowCount;
    UnitWorker worker;
    worker.table.ensureSlots(count);
    worker.table.regionCount = count;
    std::copy_n(table.observed.begin() + 1, count, worker.table.observed.begin() + 1);
    std::copy_n(table.expected.begin() + 1, count, worker.table.expected.begin() + 1);
    if (progress) progress->estimating(0, 1);
    estimateUnit(worker.table, worker.results, settings, worker.sums, options);
    if (isCancelled(options.cancel)) return false;
    writeLogSection(log, LogForm::wholeFile, 0, worker.table, worker.results, settings);
    std::copy_n(worker.table.ratio.begin() + 1, count, table.ratio.begin() + 1);
    std::copy_n(worker.table.ebRatioME.begin() + 1, count, table.ebRatioME.begin() + 1);
    std::copy_n(worker.table.ebRatioMLE.begin() + 1, count, table.ebRatioMLE.begin() + 1);
    if (keep) {
        keep->priors.assign(1, priorsOf(worker.results));
        keep->unitOfRow.assign(static_cast<std::size_t>(count) + 1, 0);
    }
    if (progress) progress->estimating(1, 1);
    return true;
}

bool writeResultTableInParallel(std::FILE* output, const InputTable& table,
                                const ResultTableFormat& format,
                                const std::atomic<bool>* cancel) {
    std::string header;
    appendResultHeader(header, format);
    std::fwrite(header.data(), 1, header.size(), output);
    const auto rows = static_cast<std::size_t>(table.rowCount);
    std::size_t next = 1;
    tbb::parallel_pipeline(
        windowSize(),
        tbb::make_filter<void, Batch>(
            tbb::filter_mode::serial_in_order,
            [&](tbb::flow_control& control) {
                Batch batch;
                if (next > rows || isCancelled(cancel)) {
                    control.stop();
                    return batch;
                }
                batch.first = next;
                batch.end = std::min(rows + 1, next + ROWS_PER_BATCH);
                next = batch.end;
                return batch;
            }) &
            tbb::make_filter<Batch, Batch>(tbb::filter_mode::parallel,
                                           [&](Batch batch) {
                                               appendResultRows(batch.text, table,
                                                                static_cast<int>(batch.first),
                                                                static_cast<int>(batch.end - 1),
                                                                format);
                                               return batch;
                                           }) &
            tbb::make_filter<Batch, void>(tbb::filter_mode::serial_in_order, [&](Batch batch) {
                // Once cancelled nothing more is written: a pipe nobody reads
                // would block the run for ever.
                if (isCancelled(cancel)) return;
                std::fwrite(batch.text.data(), 1, batch.text.size(), output);
            }));
    return !isCancelled(cancel);
}

}  // namespace tolven
