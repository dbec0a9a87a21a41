#include "geo/smr_geopackage.h"

#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <ogr_geometry.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <unistd.h>

#include <cmath>
#include <memory>

#include "core/model/not_available.h"
#include "core/numerics/posterior.h"
#include "core/spatial/region_code.h"
#include "geo/gdal_errors.h"
#include "geo/smr_style.h"

namespace tolven {
namespace {

struct DatasetCloser {
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using DatasetPointer = std::unique_ptr<GDALDataset, DatasetCloser>;

struct FeatureDeleter {
    void operator()(OGRFeature* feature) const { OGRFeature::DestroyFeature(feature); }
};
using FeaturePointer = std::unique_ptr<OGRFeature, FeatureDeleter>;

// A GDAL memory file that is removed when it goes out of scope.
class MemoryFile {
public:
    MemoryFile() {
        static std::atomic<unsigned long> counter{0};
        path_ = "/vsimem/tolven-smr-" + std::to_string(::getpid()) + "-" +
                std::to_string(counter.fetch_add(1)) + ".gpkg";
    }
    ~MemoryFile() { VSIUnlink(path_.c_str()); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

bool isCancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

// Field indexes of the smr layer, in creation order.
struct SmrFields {
    int unit = -1, code = -1, label = -1, observed = -1, expected = -1, ratio = -1, ebMe = -1,
        ebMle = -1, lowerMe = -1, upperMe = -1, pMe = -1, lowerMle = -1, upperMle = -1, pMle = -1,
        ebLocal = -1, lowerLocal = -1, upperLocal = -1, pLocal = -1;
};

bool addField(OGRLayer& layer, const char* name, OGRFieldType type, int& index) {
    OGRFieldDefn definition(name, type);
    if (layer.CreateField(&definition) != OGRERR_NONE) return false;
    index = layer.GetLayerDefn()->GetFieldCount() - 1;
    return true;
}

bool addFields(OGRLayer& layer, bool labels, bool posterior, const LocalEbColumns* local,
               SmrFields& f) {
    bool ok =
        addField(layer, "unit", OFTInteger, f.unit) && addField(layer, "code", OFTString, f.code) &&
        (!labels || addField(layer, "label", OFTString, f.label)) &&
        addField(layer, "observed", OFTInteger, f.observed) &&
        addField(layer, "expected", OFTReal, f.expected) &&
        addField(layer, "ratio", OFTReal, f.ratio) && addField(layer, "eb_me", OFTReal, f.ebMe) &&
        addField(layer, SMR_STYLE_FIELD, OFTReal, f.ebMle);
    if (ok && posterior) {
        ok = addField(layer, "eb_lower_me", OFTReal, f.lowerMe) &&
             addField(layer, "eb_upper_me", OFTReal, f.upperMe) &&
             addField(layer, "p_me", OFTReal, f.pMe) &&
             addField(layer, "eb_lower_mle", OFTReal, f.lowerMle) &&
             addField(layer, "eb_upper_mle", OFTReal, f.upperMle) &&
             addField(layer, "p_mle", OFTReal, f.pMle);
    }
    if (ok && local != nullptr) ok = addField(layer, "eb_local", OFTReal, f.ebLocal);
    if (ok && local != nullptr && local->posterior) {
        ok = addField(layer, "eb_lower_local", OFTReal, f.lowerLocal) &&
             addField(layer, "eb_upper_local", OFTReal, f.upperLocal) &&
             addField(layer, "p_local", OFTReal, f.pLocal);
    }
    return ok;
}

// A number of the table, or NULL where the table has none to show.
void setNumber(OGRFeature& feature, int index, bool available, double value) {
    if (available && std::isfinite(value)) {
        feature.SetField(index, value);
    } else {
        feature.SetFieldNull(index);
    }
}

// The row's local estimate and its posterior, exactly as the local columns
// of the result table compute what they print.
void setLocalValues(OGRFeature& feature, const LocalEbColumns& columns, const SmrFields& f,
                    const InputTable& table, int row) {
    const bool shown = (*columns.shownOfRow)[row] != 0;
    const LocalEbEstimate& local = (*columns.estimateOfRow)[row];
    setNumber(feature, f.ebLocal, shown, local.estimate * 100.0);
    if (!columns.posterior) return;
    PosteriorSummary summary;
    const bool interval = shown && localEbPosterior(local, table.observed[row], table.expected[row],
                                                    columns.levelPercent / 100.0,
                                                    columns.thresholdPercent / 100.0, summary);
    setNumber(feature, f.lowerLocal, interval, summary.lower * 100.0);
    setNumber(feature, f.upperLocal, interval, summary.upper * 100.0);
    setNumber(feature, f.pLocal, interval, summary.exceedance);
}

// The row's values exactly as the result table computes what it prints.
void setValues(OGRFeature& feature, const SmrLayerContent& content, const SmrFields& f, int row) {
    const InputTable& table = *content.table;
    feature.SetField(f.unit, content.wholeFile ? -1 : table.unit[row]);
    feature.SetField(f.code, regionCodeAsUtf8(table.code[row]).c_str());
    feature.SetField(f.observed, table.observed[row]);
    setNumber(feature, f.expected, true, table.expected[row]);
    setNumber(feature, f.ratio, true, table.ratio[row] * 100.0);
    // As in the table, a missing moment ratio hides the other one too.
    const bool hasMe = table.ebRatioME[row] != NOT_AVAILABLE;
    const bool hasMle = hasMe && table.ebRatioMLE[row] != NOT_AVAILABLE;
    setNumber(feature, f.ebMe, hasMe, table.ebRatioME[row] * 100.0);
    setNumber(feature, f.ebMle, hasMle, table.ebRatioMLE[row] * 100.0);
    if (content.localEb != nullptr) setLocalValues(feature, *content.localEb, f, table, row);
    if (content.posterior == nullptr) return;
    const PosteriorColumns& columns = *content.posterior;
    const RegionPosteriors shown =
        regionPosteriors((*columns.priors)[(*columns.unitOfRow)[row]], table.observed[row],
                         table.expected[row], table.ebRatioME[row], table.ebRatioMLE[row],
                         columns.levelPercent / 100.0, columns.thresholdPercent / 100.0);
    setNumber(feature, f.lowerMe, shown.hasMoment, shown.moment.lower * 100.0);
    setNumber(feature, f.upperMe, shown.hasMoment, shown.moment.upper * 100.0);
    setNumber(feature, f.pMe, shown.hasMoment, shown.moment.exceedance);
    setNumber(feature, f.lowerMle, shown.hasLikelihood, shown.likelihood.lower * 100.0);
    setNumber(feature, f.upperMle, shown.hasLikelihood, shown.likelihood.upper * 100.0);
    setNumber(feature, f.pMle, shown.hasLikelihood, shown.likelihood.exceedance);
}

// The QGIS style table, with the layer's default style.
bool writeStyle(GDALDataset& dataset) {
    const char* const options[] = {"FID=id", nullptr};
    OGRLayer* styles =
        dataset.CreateLayer("layer_styles", nullptr, wkbNone, const_cast<char**>(options));
    if (styles == nullptr) return false;
    const std::pair<const char*, OGRFieldType> fields[] = {
        {"f_table_catalog", OFTString},
        {"f_table_schema", OFTString},
        {"f_table_name", OFTString},
        {"f_geometry_column", OFTString},
        {"styleName", OFTString},
        {"styleQML", OFTString},
        {"styleSLD", OFTString},
        {"useAsDefault", OFTInteger},
        {"description", OFTString},
        {"owner", OFTString},
        {"ui", OFTString},
        {"update_time", OFTDateTime},
    };
    for (const auto& [name, type] : fields) {
        OGRFieldDefn definition(name, type);
        if (type == OFTInteger) definition.SetSubType(OFSTBoolean);
        if (type == OFTDateTime) definition.SetDefault("CURRENT_TIMESTAMP");
        if (styles->CreateField(&definition) != OGRERR_NONE) return false;
    }
    FeaturePointer style(OGRFeature::CreateFeature(styles->GetLayerDefn()));
    style->SetField("f_table_catalog", "");
    style->SetField("f_table_schema", "");
    style->SetField("f_table_name", SMR_LAYER_NAME);
    style->SetField("f_geometry_column", "geom");
    style->SetField("styleName", SMR_LAYER_NAME);
    style->SetField("styleQML", graduatedRatioStyle(SMR_STYLE_FIELD).c_str());
    style->SetField("styleSLD", "");
    style->SetField("useAsDefault", 1);
    style->SetField("description", "EB ratio (MLE) in percent, in the map's classes");
    style->SetField("owner", "");
    style->SetField("ui", "");
    return styles->CreateFeature(style.get()) == OGRERR_NONE;
}

std::string writeDataset(const std::string& path, const SmrLayerContent& content,
                         const std::atomic<bool>* cancel, const GdalErrorCapture& capture) {
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    if (driver == nullptr) return "GDAL has no GeoPackage driver";
    DatasetPointer dataset(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    const std::string failed = "cannot write the GeoPackage";
    if (!dataset) return withGdalError(failed, capture);

    std::unique_ptr<OGRSpatialReference> crs;
    const BoundaryLayer& boundaries = *content.boundaries;
    if (!boundaries.crsWkt.empty()) {
        crs = std::make_unique<OGRSpatialReference>();
        if (crs->importFromWkt(boundaries.crsWkt.c_str()) != OGRERR_NONE) crs.reset();
        if (crs) crs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    }
    const char* const layerOptions[] = {"GEOMETRY_NAME=geom", nullptr};
    OGRLayer* layer = dataset->CreateLayer(SMR_LAYER_NAME, crs.get(), wkbMultiPolygon,
                                           const_cast<char**>(layerOptions));
    SmrFields fields;
    if (layer == nullptr || !addFields(*layer, boundaries.hasLabels, content.posterior != nullptr,
                                       content.localEb, fields)) {
        return withGdalError(failed, capture);
    }
    if (dataset->StartTransaction() != OGRERR_NONE) return withGdalError(failed, capture);
    const InputTable& table = *content.table;
    FeaturePointer feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
    for (int row = 1; row <= table.rowCount; ++row) {
        if (row % 4096 == 0 && isCancelled(cancel)) return {};
        feature->Reset();
        setValues(*feature, content, fields, row);
        const long index = content.join->featureOfRow[static_cast<std::size_t>(row)];
        if (index >= 0) {
            const BoundaryFeature& boundary = boundaries.features[static_cast<std::size_t>(index)];
            if (fields.label >= 0) {
                if (boundary.hasLabel) {
                    feature->SetField(fields.label, boundary.label.c_str());
                } else {
                    feature->SetFieldNull(fields.label);
                }
            }
            feature->SetGeometry(boundary.geometry.get());
        } else if (fields.label >= 0) {
            feature->SetFieldNull(fields.label);
        }
        feature->SetFID(OGRNullFID);
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE) {
            return withGdalError(failed, capture);
        }
    }
    if (!writeStyle(*dataset) || dataset->CommitTransaction() != OGRERR_NONE) {
        return withGdalError(failed, capture);
    }
    CPLErrorReset();
    dataset.reset();
    if (CPLGetLastErrorType() >= CE_Failure) return withGdalError(failed, capture);
    return {};
}

}  // namespace

std::string writeSmrGeoPackage(std::FILE* output, const SmrLayerContent& content,
                               const std::atomic<bool>* cancel) {
    GdalErrorCapture capture;
    const MemoryFile file;
    const std::string error = writeDataset(file.path(), content, cancel, capture);
    if (!error.empty() || isCancelled(cancel)) return error;
    vsi_l_offset length = 0;
    const GByte* bytes = VSIGetMemFileBuffer(file.path().c_str(), &length, FALSE);
    if (bytes == nullptr) return withGdalError("cannot write the GeoPackage", capture);
    std::fwrite(bytes, 1, static_cast<std::size_t>(length), output);
    return {};
}

}  // namespace tolven
