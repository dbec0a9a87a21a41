#include "reports/log_report.h"

#include <string_view>

#include "core/model/not_available.h"
#include "core/text/number_text.h"
#include "reports/posterior_columns.h"
#include "reports/safeguarded_fit_log.h"

namespace tolven {
namespace {

// One line: the label with its " : ", the value, the line end.
void addValueLine(std::string& out, std::string_view label, double value) {
    out += label;
    appendFixed(out, value);
    out += '\n';
}

// A label with the zero mode inside: prefix, "include"/"exclude", suffix.
void addWordLine(std::string& out, std::string_view prefix, std::string_view word,
                 std::string_view suffix) {
    out += prefix;
    out += word;
    out += suffix;
}

}  // namespace

void writeLogHeader(std::string& out) {
    out +=
        "EB estimator for Poisson-Gamma model [Version 2.1]\n"
        "Copyright (C) 2026 TOLVEN developers\n"
        "\n";
}

void writeLogOptions(std::string& out, const ExtendedSettings& extended) {
    const bool safeguarded = extended.fitMode == FitMode::safeguarded;
    if (!extended.posteriorOutput && !safeguarded) return;
    if (extended.posteriorOutput) {
        out += posteriorLogLine(extended.intervalLevel, extended.threshold);
    }
    if (safeguarded) {
        out += safeguardedModeLogLine();
        out += '\n';
    }
    out += '\n';
}

void writeLogSection(std::string& out, LogForm form, int unitNumber, const RegionTable& table,
                     const UnitResults& r, const RunSettings& settings) {
    const std::string_view word = settings.excludeZero == 0 ? "include" : "exclude";

    if (form == LogForm::perUnit) {
        out += "For unit ";
        appendInteger(out, unitNumber);
        out += " ..............................................\n";
    }
    out += " Number of regions: ";
    appendInteger(out, table.regionCount);
    out += '\n';

    const bool oneRegion = isOneRegionUnit(form, table.regionCount);
    if (oneRegion) {
        // The estimation did run, but a single ratio has no spread to fit a
        // prior to: none of its figures is meaningful.
        addWordLine(out, " Mean of Ratio     (", word, " zero) : *** \n");
        addWordLine(out, " Variance of Ratio (", word, " zero) : *** \n");
        out += " Initial value of Alpha : *** \n";
        out += " Initial value of Beta  : *** \n";
        addWordLine(out, " ME of Alpha (", word, " zero) : *** \n");
        addWordLine(out, " ME of Beta  (", word, " zero) : *** \n");
        out += " MLE of Alpha : *** \n";
        out += " MLE of Beta  : *** \n";
        out += " Error of convergence : {***, ***}   (EPS: ";
    } else {
        addWordLine(out, " Mean of Ratio     (", word, " zero) : ");
        appendFixed(out, r.ratioMean);
        addWordLine(out, "\n Variance of Ratio (", word, " zero) : ");
        appendFixed(out, r.ratioVariance);
        out += '\n';
        addValueLine(out, " Initial value of Alpha : ", r.startAlpha);
        addValueLine(out, " Initial value of Beta  : ", r.startBeta);
        addWordLine(out, " ME of Alpha (", word, " zero) : ");
        appendFixed(out, r.meAlpha);
        addWordLine(out, "\n ME of Beta  (", word, " zero) : ");
        appendFixed(out, r.meBeta);
        out += '\n';
        if (r.mleAlpha == NOT_AVAILABLE) {
            out += " MLE of Alpha : *** \n";
            out += " MLE of Beta  : *** \n";
        } else {
            addValueLine(out, " MLE of Alpha : ", r.mleAlpha);
            addValueLine(out, " MLE of Beta  : ", r.mleBeta);
        }
        out += " Error of convergence : {";
        appendFixed(out, r.convergenceError[0]);
        out += ", ";
        appendFixed(out, r.convergenceError[1]);
        out += "}   (EPS: ";
    }
    appendFixed(out, settings.epsilon);
    out += ")\n";

    out += " Iteration for convergence : ";
    appendInteger(out, r.iterations);
    out += '\n';
    // A one-region unit shows no estimate, so nothing is said of its fit.
    if (r.safeguardedFitRan && !oneRegion) {
        out += safeguardedFitLogLine(r.safeguardedFit);
        out += '\n';
    }
    // The per-unit blocks are separated by an empty line; the single
    // whole-file block ends the log with one line end.
    if (form == LogForm::perUnit) out += '\n';
}

}  // namespace tolven
