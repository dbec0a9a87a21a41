#include "reports/log_report.h"

#include <string>

#include "core/limits.h"
#include "core/shared_data.h"
#include "reports/number_text.h"

namespace tolven {
namespace {

void put(std::FILE* log, const std::string& text) { std::fwrite(text.data(), 1, text.size(), log); }

// One line: the label with its " : ", the value, the line end.
void addValueLine(std::string& out, const std::string& label, double value) {
    out += label;
    appendFixed(out, value);
    out += '\n';
}

}  // namespace

void writeLogHeader(std::FILE* log) {
    put(log,
        "EB estimator for Poisson-Gamma model [Version 2.1]\n"
        "Copyright (C) 2026 TOLVEN developers\n"
        "\n");
}

void writeLogSection(std::FILE* log, LogForm form, int unitNumber) {
    const std::string word = runSettings.excludeZero == 0 ? "include" : "exclude";
    const UnitResults& r = unitResults;
    std::string out;

    if (form == LogForm::perUnit) {
        out += "For unit ";
        appendInteger(out, unitNumber);
        out += " ..............................................\n";
    }
    out += " Number of regions: ";
    appendInteger(out, regionTable.regionCount);
    out += '\n';

    if (form == LogForm::perUnit && regionTable.regionCount == 1) {
        // The estimation did run, but a single ratio has no spread to fit a
        // prior to: none of its figures is meaningful.
        out += " Mean of Ratio     (" + word + " zero) : *** \n";
        out += " Variance of Ratio (" + word + " zero) : *** \n";
        out += " Initial value of Alpha : *** \n";
        out += " Initial value of Beta  : *** \n";
        out += " ME of Alpha (" + word + " zero) : *** \n";
        out += " ME of Beta  (" + word + " zero) : *** \n";
        out += " MLE of Alpha : *** \n";
        out += " MLE of Beta  : *** \n";
        out += " Error of convergence : {***, ***}   (EPS: ";
    } else {
        addValueLine(out, " Mean of Ratio     (" + word + " zero) : ", r.ratioMean);
        addValueLine(out, " Variance of Ratio (" + word + " zero) : ", r.ratioVariance);
        addValueLine(out, " Initial value of Alpha : ", r.startAlpha);
        addValueLine(out, " Initial value of Beta  : ", r.startBeta);
        addValueLine(out, " ME of Alpha (" + word + " zero) : ", r.meAlpha);
        addValueLine(out, " ME of Beta  (" + word + " zero) : ", r.meBeta);
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
    appendFixed(out, runSettings.epsilon);
    out += ")\n";

    out += " Iteration for convergence : ";
    appendInteger(out, r.iterations);
    // The per-unit blocks are separated by an empty line; the single
    // whole-file block ends the log with one line end.
    out += form == LogForm::perUnit ? "\n\n" : "\n";
    put(log, out);
}

}  // namespace tolven
