#include "ui/map/batch_maps.h"

#include <QGuiApplication>
#include <cstdlib>
#include <utility>

#include "ui/map/MapBoundaries.h"
#include "ui/map/MapExport.h"

namespace tolven {
namespace {

// The process's Qt application when it has none yet: kept to its end.
void ensureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "tolven-batch";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

PlotFileFormat fileFormat(BatchMapFormat format) {
    switch (format) {
        case BatchMapFormat::svg:
            return PlotFileFormat::Svg;
        case BatchMapFormat::pdf:
            return PlotFileFormat::Pdf;
        case BatchMapFormat::png:
            break;
    }
    return PlotFileFormat::Png;
}

MapValue mapValue(BatchMapValue value) {
    switch (value) {
        case BatchMapValue::ratio:
            return MapValue::Ratio;
        case BatchMapValue::ebMe:
            return MapValue::EbMe;
        case BatchMapValue::pMe:
            return MapValue::ProbabilityMe;
        case BatchMapValue::pMle:
            return MapValue::ProbabilityMle;
        case BatchMapValue::ebLocal:
            return MapValue::EbLocal;
        case BatchMapValue::pLocal:
            return MapValue::ProbabilityLocal;
        case BatchMapValue::ebMle:
            break;
    }
    return MapValue::EbMle;
}

}  // namespace

struct BatchMapRenderer::State {
    MapBoundaries boundaries;
    PlotFileFormat format = PlotFileFormat::Png;
    MapValue value = MapValue::EbMle;
    QString footer;
};

const char* batchMapExtension(BatchMapFormat format) {
    switch (format) {
        case BatchMapFormat::svg:
            return "svg";
        case BatchMapFormat::pdf:
            return "pdf";
        case BatchMapFormat::png:
            break;
    }
    return "png";
}

BatchMapRenderer::BatchMapRenderer(const BoundaryLayer& layer, BatchMapFormat format,
                                   BatchMapValue value, std::string footer)
    : state_(std::make_unique<State>()) {
    ensureGuiApplication();
    // The maps join by code and draw the outlines: the geometries stay with
    // the caller.
    BoundaryLayer& joined = state_->boundaries.layer;
    joined.layerName = layer.layerName;
    joined.crsWkt = layer.crsWkt;
    joined.integerJoinField = layer.integerJoinField;
    joined.hasLabels = layer.hasLabels;
    joined.featuresRead = layer.featuresRead;
    joined.features.resize(layer.features.size());
    for (std::size_t i = 0; i < layer.features.size(); ++i) {
        joined.features[i].code = layer.features[i].code;
        joined.features[i].label = layer.features[i].label;
        joined.features[i].hasLabel = layer.features[i].hasLabel;
    }
    joined.featureOfKey = layer.featureOfKey;
    state_->boundaries.outlines = layerOutlines(layer);
    state_->format = fileFormat(format);
    state_->value = mapValue(value);
    state_->footer = QString::fromStdString(footer);
}

BatchMapRenderer::~BatchMapRenderer() = default;

std::string BatchMapRenderer::render(const RunOutcome& outcome, std::size_t unit) const {
    const QByteArray bytes =
        renderUnitMapFile(outcome, outcome.units.at(unit), state_->boundaries, state_->value,
                          MapClassing::Fixed, state_->format, state_->footer);
    return bytes.toStdString();
}

}  // namespace tolven
