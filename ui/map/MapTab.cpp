#include "ui/map/MapTab.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "core/spatial/region_code.h"
#include "ui/map/MapExport.h"
#include "ui/map/MapWidget.h"
#include "ui/platform/Platform.h"
#include "ui/plots/PlotExport.h"

namespace tolven {

namespace {

QString numberText(double value, bool probability) {
    if (!std::isfinite(value)) return QStringLiteral("***");
    return QString::number(value, 'f', probability ? 4 : 1);
}

QString unitFileStem(const RunOutcome& outcome, const UnitOutcome& unit) {
    return outcome.wholeFile ? QStringLiteral("unit_all")
                             : QStringLiteral("unit_%1").arg(unit.unitNumber);
}

}  // namespace

MapTab::MapTab(const RunOutcome& outcome, const MapBoundaries& boundaries, QString inputName,
               QWidget* parent)
    : QWidget(parent),
      outcome_(outcome),
      boundaries_(boundaries),
      inputName_(std::move(inputName)),
      valueChoice_(new QComboBox(this)),
      classingChoice_(new QComboBox(this)),
      widget_(new MapWidget(this)) {
    valueChoice_->setObjectName(QStringLiteral("mapValueChoice"));
    for (MapValue value : availableMapValues(outcome))
        valueChoice_->addItem(mapValueName(outcome, value), static_cast<int>(value));
    valueChoice_->setCurrentIndex(valueChoice_->findData(static_cast<int>(MapValue::EbMle)));
    classingChoice_->setObjectName(QStringLiteral("mapClassingChoice"));
    classingChoice_->addItem(QStringLiteral("固定区分"), static_cast<int>(MapClassing::Fixed));
    classingChoice_->addItem(QStringLiteral("五分位"), static_cast<int>(MapClassing::Quintiles));
    auto* whole = new QPushButton(QStringLiteral("全体表示"), this);
    whole->setObjectName(QStringLiteral("mapWholeButton"));
    auto* saveAll = new QPushButton(QStringLiteral("全グループを保存"), this);
    saveAll->setObjectName(QStringLiteral("mapSaveAllButton"));

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("表示する値"), this));
    controls->addWidget(valueChoice_);
    controls->addWidget(new QLabel(QStringLiteral("区分"), this));
    controls->addWidget(classingChoice_);
    controls->addStretch();
    controls->addWidget(whole);
    controls->addWidget(saveAll);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(widget_, 1);

    widget_->setHoverText([this](long feature) { return hoverText(feature); });
    if (!boundaries_.neighboursOfFeature.empty())
        widget_->setNeighbours(&boundaries_.neighboursOfFeature);
    connect(valueChoice_, &QComboBox::currentIndexChanged, this, [this] { redraw(); });
    connect(classingChoice_, &QComboBox::currentIndexChanged, this, [this] { redraw(); });
    connect(whole, &QPushButton::clicked, widget_, &MapWidget::showWholeUnit);
    connect(saveAll, &QPushButton::clicked, this, &MapTab::saveAllUnits);
}

MapTab::~MapTab() = default;

MapValue MapTab::value() const {
    return static_cast<MapValue>(valueChoice_->currentData().toInt());
}

MapClassing MapTab::classing() const {
    return static_cast<MapClassing>(classingChoice_->currentData().toInt());
}

void MapTab::showUnit(const UnitOutcome& unit) {
    if (unit_ != &unit) {
        unit_ = &unit;
        widget_->setMap(nullptr, nullptr);
        map_.reset();
        // A geographic layer is projected about each unit; a projected one is
        // drawn as it is, so its outlines and paths serve every unit.
        if (!plane_ || boundaries_.outlines.geographic) {
            cache_.reset();
            plane_ = std::make_unique<PlaneOutlines>(planeOutlines(
                boundaries_.outlines, featuresOfUnit(outcome_, unit, boundaries_.layer)));
            cache_ = std::make_unique<MapPathCache>(*plane_);
        }
    }
    redraw();
}

void MapTab::redraw() {
    if (unit_ == nullptr || !plane_) return;
    notes_.clear();
    if (!plane_->error.empty()) {
        notes_ << QString::fromStdString(plane_->error);
        widget_->setMap(nullptr, nullptr);
        return;
    }
    auto map = std::make_unique<UnitMap>(
        buildUnitMap(outcome_, *unit_, boundaries_.layer, *plane_, value(), classing()));
    if (map->repeatedCodes > 0)
        notes_ << QStringLiteral(
                      "同じ地域コードの行のうち %1 行は地図に描いていません（最初の行を描きます）")
                      .arg(map->repeatedCodes);
    if (map->unitFeatures.empty())
        notes_ << QStringLiteral("このグループの地域コードは境界ファイルにありません");
    widget_->setMap(map.get(), cache_.get());
    map_ = std::move(map);
}

QString MapTab::hoverText(long feature) const {
    if (!map_ || feature < 0) return {};
    const long regionIndex = map_->regionOfFeature[static_cast<std::size_t>(feature)];
    if (regionIndex < 0) return {};
    const RegionOutcome& region = outcome_.regions[static_cast<std::size_t>(regionIndex)];
    const BoundaryFeature& boundary = boundaries_.layer.features[static_cast<std::size_t>(feature)];
    QString text = QString::fromStdString(regionCodeAsUtf8(region.code));
    if (boundary.hasLabel) text += QStringLiteral("  ") + QString::fromStdString(boundary.label);
    text += QStringLiteral("\n観測数 %1\n期待数 %2\n%3 %4")
                .arg(region.observed)
                .arg(region.expected, 0, 'f', 4)
                .arg(map_->valueName,
                     numberText(mapValueOf(region, map_->value), isProbabilityValue(map_->value)));
    return text;
}

void MapTab::save() {
    if (!map_ || unit_ == nullptr) return;
    const std::optional<PlotFile> file =
        choosePlotFile(this, QStringLiteral("map_%1.png").arg(unitFileStem(outcome_, *unit_)));
    if (!file) return;
    savePlotFile(
        this, file->path,
        renderMapFile(file->format, *map_, *cache_, widget_->view(), widget_->mapArea().size(),
                      mapTitle(outcome_, *unit_, *map_), inputName_));
}

void MapTab::saveAllUnits() {
    FileChooserRequest request;
    request.kind = FileChooserRequest::Kind::Folder;
    request.title = QStringLiteral("全グループの地図を保存するフォルダ");
    const std::optional<QString> folder = platform().fileChooser->choose(this, request);
    if (!folder) return;
    for (const UnitOutcome& unit : outcome_.units) {
        const QString path =
            QDir(*folder).filePath(unitFileStem(outcome_, unit) + QStringLiteral(".png"));
        const QByteArray bytes = renderUnitMapFile(outcome_, unit, boundaries_, value(), classing(),
                                                   PlotFileFormat::Png, inputName_);
        if (!savePlotFile(this, path, bytes)) return;
    }
}

}  // namespace tolven
