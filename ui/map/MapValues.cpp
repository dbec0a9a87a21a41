#include "ui/map/MapValues.h"

#include <cmath>

#include "core/model/not_available.h"
#include "reports/moment_prior_label.h"

namespace tolven {

namespace {

bool hasValue(double value) { return std::isfinite(value) && value != NOT_AVAILABLE; }

QString meLabel(const RunOutcome& outcome) {
    return QString::fromLatin1(momentPriorLabel(outcome.excludeZero));
}

}  // namespace

std::vector<MapValue> availableMapValues(const RunOutcome& outcome) {
    std::vector<MapValue> values{MapValue::Ratio, MapValue::EbMe, MapValue::EbMle};
    if (outcome.posteriorOutput) {
        values.push_back(MapValue::ProbabilityMe);
        values.push_back(MapValue::ProbabilityMle);
    }
    if (outcome.localEb) {
        values.push_back(MapValue::EbLocal);
        if (outcome.posteriorOutput) values.push_back(MapValue::ProbabilityLocal);
    }
    return values;
}

bool isProbabilityValue(MapValue value) {
    return value == MapValue::ProbabilityMe || value == MapValue::ProbabilityMle ||
           value == MapValue::ProbabilityLocal;
}

double mapValueOf(const RegionOutcome& region, MapValue value) {
    // NOT_AVAILABLE ("***") and NaN stay out of every class.
    const auto percent = [](double ratio) { return hasValue(ratio) ? ratio * 100.0 : NAN; };
    const auto probability = [](double p) { return hasValue(p) ? p : NAN; };
    switch (value) {
        case MapValue::Ratio:
            return percent(region.ratio);
        case MapValue::EbMe:
            return percent(region.ebRatioME);
        case MapValue::EbMle:
            return percent(region.ebRatioMLE);
        case MapValue::ProbabilityMe:
            return probability(region.exceedanceME);
        case MapValue::ProbabilityMle:
            return probability(region.exceedanceMLE);
        case MapValue::EbLocal:
            return percent(region.ebLocal);
        case MapValue::ProbabilityLocal:
            return probability(region.exceedanceLocal);
    }
    return NAN;
}

QString mapValueName(const RunOutcome& outcome, MapValue value) {
    const QString threshold = QString::number(outcome.threshold, 'g', 15);
    switch (value) {
        case MapValue::Ratio:
            return QStringLiteral("比(%)");
        case MapValue::EbMe:
            return QStringLiteral("EB(%1)(%)").arg(meLabel(outcome));
        case MapValue::EbMle:
            return QStringLiteral("EB(MLE)(%)");
        case MapValue::ProbabilityMe:
            return QStringLiteral("P(>%1%)(%2)").arg(threshold, meLabel(outcome));
        case MapValue::ProbabilityMle:
            return QStringLiteral("P(>%1%)(MLE)").arg(threshold);
        case MapValue::EbLocal:
            return QStringLiteral("EB(Local)(%)");
        case MapValue::ProbabilityLocal:
            return QStringLiteral("P(>%1%)(Local)").arg(threshold);
    }
    return {};
}

}  // namespace tolven
