// A check by eye and by clock, not run by ctest: shows the plot dialog on the
// README's example (examples/area.txt, its figures as the result table and
// log print them), writes a screenshot of each tab into the folder given, and
// prints how long the dialog takes to open on large units.
//
//   xvfb-run -a build/tools/plot_check /tmp/shots
#include <qcustomplot.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTabWidget>
#include <boost/math/distributions/gamma.hpp>
#include <cstdio>
#include <utility>

#include "tests/ui/PlotOutcomes.h"
#include "ui/plots/CPlotDlg.h"
#include "ui/plots/PlotExport.h"

namespace {

struct ExampleLine {
    const char* code;
    int observed;
    double expected, ebME, ebMLE;  // percent, as the result table prints them
};

// Adds the posterior summaries of one prior (Gamma(beta + O, rate alpha + E)).
void posterior(const tolven::RunOutcome& outcome, double alpha, double beta,
               tolven::RegionOutcome& r, double& lower, double& upper, double& exceedance) {
    const boost::math::gamma_distribution<> post(beta + r.observed, 1.0 / (alpha + r.expected));
    const double level = outcome.intervalLevel / 100.0;
    lower = boost::math::quantile(post, (1.0 - level) / 2.0);
    upper = boost::math::quantile(post, (1.0 + level) / 2.0);
    exceedance = boost::math::cdf(boost::math::complement(post, outcome.threshold / 100.0));
}

tolven::RunOutcome readmeExample() {
    const ExampleLine unit1[] = {
        {"A01", 0, 2.0, 54.588959, 64.289902},    {"A02", 1, 3.0, 64.359578, 71.658513},
        {"A03", 5, 4.0, 123.789011, 127.821308},  {"A04", 12, 5.0, 210.467080, 211.396853},
        {"A05", 3, 3.5, 96.960500, 102.366183},   {"A06", 0, 1.5, 63.260167, 73.896176},
        {"A07", 8, 4.5, 162.519750, 165.022729},  {"A08", 2, 2.5, 96.227686, 102.910604},
        {"A09", 20, 6.0, 287.553245, 286.414025}, {"A10", 4, 3.0, 128.907444, 133.562105},
    };
    tolven::RunOutcome outcome;
    outcome.posteriorOutput = true;
    tolven::UnitOutcome first{1, 0, 10, 1.647714, 1.991249, 1.846245, 2.472747};
    for (const ExampleLine& line : unit1) {
        tolven::RegionOutcome r;
        r.code = line.code;
        r.observed = line.observed;
        r.expected = line.expected;
        r.ratio = line.observed / line.expected;
        r.ebRatioME = line.ebME / 100.0;
        r.ebRatioMLE = line.ebMLE / 100.0;
        posterior(outcome, first.meAlpha, first.meBeta, r, r.lowerME, r.upperME, r.exceedanceME);
        posterior(outcome, first.mleAlpha, first.mleBeta, r, r.lowerMLE, r.upperMLE,
                  r.exceedanceMLE);
        outcome.regions.push_back(r);
    }
    outcome.units.push_back(first);
    tolven::RegionOutcome b01;
    b01.code = "B01";
    b01.observed = 2;
    b01.expected = 1.5;
    b01.ratio = 2 / 1.5;
    b01.ebRatioME = b01.ebRatioMLE = tolven::NOT_AVAILABLE;
    outcome.regions.push_back(b01);
    outcome.units.push_back({2, 10, 1, tolven::NOT_AVAILABLE, tolven::NOT_AVAILABLE,
                             tolven::NOT_AVAILABLE, tolven::NOT_AVAILABLE});
    return outcome;
}

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// Milliseconds from constructing the dialog to its first complete paint,
// then to each further tab's.
void timeOpening(const char* what, const tolven::RunOutcome& outcome, const QString& shots) {
    QElapsedTimer clock;
    clock.start();
    CPlotDlg dlg(outcome);
    dlg.show();
    dlg.repaint();
    settle();
    std::printf("%s: open %lld ms", what, static_cast<long long>(clock.elapsed()));
    dlg.grab().save(QStringLiteral("%1_tab1.png").arg(shots));
    auto* tabs = dlg.findChild<QTabWidget*>("tabs");
    for (int tab = 1; tab < 3; ++tab) {
        clock.restart();
        tabs->setCurrentIndex(tab);
        dlg.repaint();
        settle();
        std::printf(", tab %d %lld ms", tab + 1, static_cast<long long>(clock.elapsed()));
        dlg.grab().save(QStringLiteral("%1_tab%2.png").arg(shots).arg(tab + 1));
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("VL Gothic"), 9));
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(base);

    const tolven::RunOutcome example = readmeExample();
    const tolven::RunOutcome crowded = plot_outcomes::crowdedOutcome();
    for (const tolven::RunOutcome* outcome : {&example, &crowded}) {
        const QString folder = outcome == &example ? base : base + QStringLiteral("/crowded");
        QDir().mkpath(folder);
        CPlotDlg dlg(*outcome);
        dlg.show();
        settle();
        auto* tabs = dlg.findChild<QTabWidget*>("tabs");
        const char* names[] = {"rank", "shrinkage", "funnel"};
        for (int tab = 0; tab < 3; ++tab) {
            tabs->setCurrentIndex(tab);
            settle();
            dlg.grab().save(QStringLiteral("%1/%2.png").arg(folder, QLatin1String(names[tab])));
            // The files "保存…" writes, at the printed size.
            auto* plot = dlg.findChild<QCustomPlot*>(QLatin1String(names[tab]) + "Plot");
            for (const auto& [format, suffix] : {std::pair{tolven::PlotFileFormat::Png, "png"},
                                                 std::pair{tolven::PlotFileFormat::Svg, "svg"},
                                                 std::pair{tolven::PlotFileFormat::Pdf, "pdf"}})
                tolven::writeFileWhole(
                    QStringLiteral("%1/saved_%2.%3")
                        .arg(folder, QLatin1String(names[tab]), QLatin1String(suffix)),
                    tolven::renderPlot(*plot, format));
        }
        // The one-region unit B01: no estimates, a note instead.
        if (outcome != &example) continue;
        dlg.findChild<QPushButton*>("nextButton")->click();
        for (int tab = 0; tab < 3; ++tab) {
            tabs->setCurrentIndex(tab);
            settle();
            dlg.grab().save(
                QStringLiteral("%1/%2_unit2.png").arg(folder, QLatin1String(names[tab])));
        }
    }

    // Large units: the first unit shown is the large one.
    for (const std::size_t regions : {std::size_t{4000}, std::size_t{1000000}}) {
        tolven::RunOutcome large;
        large.posteriorOutput = true;
        large.wholeFile = regions > 4000;
        plot_outcomes::addUnit(large, large.wholeFile ? -1 : 1, regions, false, true);
        timeOpening(regions > 4000 ? "1000000 regions" : "4000 regions", large,
                    QStringLiteral("%1/regions%2").arg(base).arg(regions));
    }
    return 0;
}
