#include "ui/dialogs/CExtendedSettingDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <string>

#include "core/text/extended_setting_text.h"
#include "ui/platform/PathBytes.h"
#include "ui/platform/Platform.h"
#include "ui_CExtendedSettingDlg.h"

namespace {

// The whole text is checked: a value shown in plain fixed notation may be
// longer than the estimation settings' 255 characters (a threshold of 1e-300
// has some 300 digits) and must still be read back as shown.
std::string fieldText(const QLineEdit* field) {
    // Anything beyond ASCII becomes bytes that no check accepts, as intended.
    return field->text().toStdString();
}

QString shown(double value) { return QString::fromStdString(tolven::shortestFixedText(value)); }

}  // namespace

CExtendedSettingDlg::CExtendedSettingDlg(tolven::ExtendedSettings& settings, QWidget* parent,
                                         SpatialSettings* spatial)
    : QDialog(parent),
      settings_(settings),
      spatial_(spatial),
      ui_(std::make_unique<Ui::CExtendedSettingDlg>()) {
    ui_->setupUi(this);
    if (spatial_ != nullptr) buildSpatialControls();
    connect(ui_->okButton, &QPushButton::clicked, this, &CExtendedSettingDlg::OnOK);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->resetButton, &QPushButton::clicked, this, &CExtendedSettingDlg::OnReset);
    showSettings();
    ui_->okButton->setFocus();
}

CExtendedSettingDlg::~CExtendedSettingDlg() = default;

void CExtendedSettingDlg::showSettings() {
    ui_->posteriorCheck->setChecked(settings_.posteriorOutput);
    ui_->levelEdit->setText(shown(settings_.intervalLevel));
    ui_->thresholdEdit->setText(shown(settings_.threshold));
    const bool safeguarded = settings_.fitMode == tolven::FitMode::safeguarded;
    ui_->newtonRadio->setChecked(!safeguarded);
    ui_->safeguardedRadio->setChecked(safeguarded);
}

void CExtendedSettingDlg::OnReset() {
    tolven::setDefaultExtendedSettings(settings_);
    showSettings();
    if (spatial_ != nullptr) {
        *spatial_ = SpatialSettings();
        showSpatialSettings();
    }
}

void CExtendedSettingDlg::refuse(QLineEdit* field, const char* message) {
    tolven::platform().messageBoxes->showError(this, QString::fromUtf8(message));
    field->setFocus();
}

void CExtendedSettingDlg::OnOK() {
    settings_.posteriorOutput = ui_->posteriorCheck->isChecked();
    settings_.fitMode =
        ui_->safeguardedRadio->isChecked() ? tolven::FitMode::safeguarded : tolven::FitMode::newton;
    const std::string level = fieldText(ui_->levelEdit);
    const std::string threshold = fieldText(ui_->thresholdEdit);
    if (const auto refused = tolven::applyExtendedSettingTexts({level, threshold}, settings_)) {
        QLineEdit* const field =
            *refused == tolven::ExtendedSettingField::level ? ui_->levelEdit : ui_->thresholdEdit;
        return refuse(field, tolven::extendedSettingMessage(*refused));
    }
    if (spatial_ != nullptr && !storeSpatialSettings()) return;
    accept();
}

namespace {

using tolven::fromPathBytes;
using tolven::toPathBytes;

// The selected name of a field list; empty for "（なし）" or no selection.
std::string chosenName(const QComboBox* choice) {
    return choice->currentData().toString().toStdString();
}

void selectName(QComboBox* choice, const std::string& name) {
    const int index = choice->findData(QString::fromStdString(name));
    choice->setCurrentIndex(index >= 0 ? index : 0);
}

}  // namespace

void CExtendedSettingDlg::buildSpatialControls() {
    auto* boundaries = new QGroupBox(QStringLiteral("境界（地図）"), this);
    auto* grid = new QGridLayout(boundaries);
    boundaryEdit_ = new QLineEdit(boundaries);
    boundaryEdit_->setObjectName(QStringLiteral("boundaryEdit"));
    auto* browse = new QPushButton(QStringLiteral("参照"), boundaries);
    browse->setObjectName(QStringLiteral("boundaryBrowseButton"));
    layerChoice_ = new QComboBox(boundaries);
    layerChoice_->setObjectName(QStringLiteral("layerChoice"));
    joinChoice_ = new QComboBox(boundaries);
    joinChoice_->setObjectName(QStringLiteral("joinFieldChoice"));
    labelChoice_ = new QComboBox(boundaries);
    labelChoice_->setObjectName(QStringLiteral("labelFieldChoice"));
    grid->addWidget(new QLabel(QStringLiteral("境界ファイル"), boundaries), 0, 0);
    grid->addWidget(boundaryEdit_, 0, 1);
    grid->addWidget(browse, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("レイヤ"), boundaries), 1, 0);
    grid->addWidget(layerChoice_, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("結合フィールド"), boundaries), 2, 0);
    grid->addWidget(joinChoice_, 2, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("ラベルフィールド"), boundaries), 3, 0);
    grid->addWidget(labelChoice_, 3, 1, 1, 2);

    auto* neighbours = new QGroupBox(QStringLiteral("近傍"), this);
    auto* nGrid = new QGridLayout(neighbours);
    const char* names[] = {"なし", "クイーン", "ルーク", "GALファイル"};
    auto* radios = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        neighbourRadios_[i] = new QRadioButton(QString::fromUtf8(names[i]), neighbours);
        neighbourRadios_[i]->setObjectName(QStringLiteral("neighbourRadio%1").arg(i));
        radios->addWidget(neighbourRadios_[i]);
    }
    nGrid->addLayout(radios, 0, 0, 1, 3);
    galEdit_ = new QLineEdit(neighbours);
    galEdit_->setObjectName(QStringLiteral("galEdit"));
    auto* galBrowse = new QPushButton(QStringLiteral("参照"), neighbours);
    galBrowse->setObjectName(QStringLiteral("galBrowseButton"));
    nGrid->addWidget(new QLabel(QStringLiteral("GALファイル"), neighbours), 1, 0);
    nGrid->addWidget(galEdit_, 1, 1);
    nGrid->addWidget(galBrowse, 1, 2);
    localEbCheck_ = new QCheckBox(QStringLiteral("局所EB"), neighbours);
    localEbCheck_->setObjectName(QStringLiteral("localEbCheck"));
    moranCheck_ = new QCheckBox(QStringLiteral("Moran's I"), neighbours);
    moranCheck_->setObjectName(QStringLiteral("moranCheck"));
    nGrid->addWidget(localEbCheck_, 2, 0);
    nGrid->addWidget(moranCheck_, 2, 1);
    permutationsEdit_ = new QLineEdit(neighbours);
    permutationsEdit_->setObjectName(QStringLiteral("permutationsEdit"));
    nGrid->addWidget(new QLabel(QStringLiteral("並べ替え回数"), neighbours), 3, 0);
    nGrid->addWidget(permutationsEdit_, 3, 1);

    // Above the buttons' row.
    const int buttons = ui_->settingLayout->count() - 1;
    ui_->settingLayout->insertWidget(buttons, boundaries);
    ui_->settingLayout->insertWidget(buttons + 1, neighbours);

    connect(browse, &QPushButton::clicked, this, [this] {
        chooseFile(boundaryEdit_, QStringLiteral("境界ファイル(*.shp *.gpkg *.geojson *.json)"));
        fillBoundaryLists();
    });
    connect(boundaryEdit_, &QLineEdit::editingFinished, this,
            &CExtendedSettingDlg::fillBoundaryLists);
    connect(layerChoice_, &QComboBox::currentIndexChanged, this,
            &CExtendedSettingDlg::fillFieldLists);
    connect(galBrowse, &QPushButton::clicked, this, [this] {
        chooseFile(galEdit_, QStringLiteral("GALファイル(*.gal)"));
        neighbourRadios_[3]->setChecked(true);
    });
    showSpatialSettings();
}

void CExtendedSettingDlg::chooseFile(QLineEdit* edit, const QString& filter) {
    FileChooserRequest request;
    request.kind = FileChooserRequest::Kind::Open;
    request.filters = QStringList{filter, QStringLiteral("すべてのファイル(*.*)")};
    request.initialName = edit->text();
    if (const std::optional<QString> path = tolven::platform().fileChooser->choose(this, request))
        edit->setText(*path);
}

void CExtendedSettingDlg::fillBoundaryLists() {
    const QString wanted = layerChoice_->currentData().toString();
    listed_ = {};
    const QString path = boundaryEdit_->text();
    if (!path.isEmpty()) tolven::listBoundaryFile(toPathBytes(path), listed_);
    const QSignalBlocker block(layerChoice_);
    layerChoice_->clear();
    layerChoice_->addItem(QStringLiteral("（既定）"), QString());
    for (const auto& layer : listed_.layers) {
        const QString name = QString::fromStdString(layer.name);
        layerChoice_->addItem(name, name);
    }
    const int index = layerChoice_->findData(wanted);
    layerChoice_->setCurrentIndex(index >= 0 ? index : 0);
    fillFieldLists();
}

void CExtendedSettingDlg::fillFieldLists() {
    const std::string join = chosenName(joinChoice_), label = chosenName(labelChoice_);
    // The fields of the chosen layer, or of the default one (the only or first).
    const std::string layer = chosenName(layerChoice_);
    const tolven::BoundaryFileLayers::Layer* shown = nullptr;
    for (const auto& listed : listed_.layers)
        if (listed.name == layer || (layer.empty() && shown == nullptr)) shown = &listed;
    joinChoice_->clear();
    labelChoice_->clear();
    joinChoice_->addItem(QString(), QString());
    labelChoice_->addItem(QStringLiteral("（なし）"), QString());
    if (shown != nullptr) {
        for (const std::string& field : shown->fields) {
            const QString name = QString::fromStdString(field);
            joinChoice_->addItem(name, name);
            labelChoice_->addItem(name, name);
        }
    }
    selectName(joinChoice_, join);
    selectName(labelChoice_, label);
}

void CExtendedSettingDlg::showSpatialSettings() {
    const tolven::BoundarySource& source = spatial_->boundaries;
    boundaryEdit_->setText(fromPathBytes(source.path));
    fillBoundaryLists();
    // A stored name stays chosen even when the file cannot be listed now.
    const auto keep = [](QComboBox* choice, const std::string& name) {
        if (name.empty()) return;
        if (choice->findData(QString::fromStdString(name)) < 0)
            choice->addItem(QString::fromStdString(name), QString::fromStdString(name));
        selectName(choice, name);
    };
    keep(layerChoice_, source.layer);
    keep(joinChoice_, source.joinField);
    keep(labelChoice_, source.labelField);
    neighbourRadios_[static_cast<int>(spatial_->neighbours)]->setChecked(true);
    galEdit_->setText(fromPathBytes(spatial_->galPath));
    localEbCheck_->setChecked(spatial_->localEb);
    moranCheck_->setChecked(spatial_->moran);
    permutationsEdit_->setText(QString::number(spatial_->permutations));
}

bool CExtendedSettingDlg::storeSpatialSettings() {
    const auto refuseWith = [this](QWidget* field, const QString& message) {
        tolven::platform().messageBoxes->showError(this, message);
        field->setFocus();
        return false;
    };
    SpatialSettings chosen;
    chosen.boundaries.path = toPathBytes(boundaryEdit_->text().trimmed());
    chosen.boundaries.layer = chosenName(layerChoice_);
    chosen.boundaries.joinField = chosenName(joinChoice_);
    chosen.boundaries.labelField = chosenName(labelChoice_);
    for (int i = 0; i < 4; ++i)
        if (neighbourRadios_[i]->isChecked())
            chosen.neighbours = static_cast<SpatialSettings::Neighbours>(i);
    chosen.galPath = toPathBytes(galEdit_->text().trimmed());
    chosen.localEb = localEbCheck_->isChecked();
    chosen.moran = moranCheck_->isChecked();
    bool number = false;
    chosen.permutations = permutationsEdit_->text().trimmed().toInt(&number);
    if (!chosen.boundaries.path.empty() && chosen.boundaries.joinField.empty())
        return refuseWith(
            joinChoice_,
            QStringLiteral(
                "ERROR!! : 結合フィールド\n境界ファイルの結合フィールドを選んでください"));
    using N = SpatialSettings::Neighbours;
    if ((chosen.neighbours == N::Queen || chosen.neighbours == N::Rook) &&
        chosen.boundaries.path.empty())
        return refuseWith(
            boundaryEdit_,
            QStringLiteral("ERROR!! : 近傍\nクイーン近傍とルーク近傍には境界ファイルが必要です"));
    if (chosen.neighbours == N::GalFile && chosen.galPath.empty())
        return refuseWith(galEdit_,
                          QStringLiteral("ERROR!! : 近傍\nGALファイルを指定してください"));
    if ((chosen.localEb || chosen.moran) && chosen.neighbours == N::None)
        return refuseWith(
            neighbourRadios_[0],
            QStringLiteral("ERROR!! : 近傍\n局所EBとMoran's Iには近傍の指定が必要です"));
    if (!number || chosen.permutations < 1 || chosen.permutations > 99999)
        return refuseWith(
            permutationsEdit_,
            QStringLiteral("ERROR!! : 並べ替え回数\n1 から 99999 までの整数を入力してください"));
    *spatial_ = chosen;
    return true;
}
