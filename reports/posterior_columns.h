#pragma once

#include <string>

#include "core/numerics/posterior.h"

namespace tolven {

// The result table's six posterior columns, written after EB-Ratio(MLE)(%)
// when the posterior output is on. Text only: the caller writes the line.

// Appends the six column names, each preceded by `separator`:
//   EB-Lower(ME+0)(%)  EB-Upper(ME+0)(%)  P(>T%)(ME+0)
//   EB-Lower(MLE)(%)   EB-Upper(MLE)(%)   P(>T%)(MLE)
// with "ME-0" for "ME+0" when `excludeZero`, and T the threshold in percent
// as shortestFixedText writes it ("100", "112.5").
void appendPosteriorHeader(std::string& out, char separator, bool excludeZero,
                           double thresholdPercent);

// Appends the six values of one row, each preceded by `separator`, in the
// header's order: the two bounds multiplied by 100.0 and the exceedance
// probability as it is, all as "%lf" prints them (six decimals; NaN as
// "nan"). A null summary (no usable prior) gives "***" in its three columns.
void appendPosteriorColumns(std::string& out, char separator, const PosteriorSummary* me,
                            const PosteriorSummary* mle);

// The log line that states the interval level and the threshold, both in
// percent, with its line end "\n"; for example
//   " Posterior: 95% central credible interval (EB-Lower, EB-Upper) and
//   probability P(ratio > 100%) for every region under both priors\n"
// (one line). The log writes it after the title block's empty line and
// follows it with an empty line of its own.
std::string posteriorLogLine(double levelPercent, double thresholdPercent);

}  // namespace tolven
