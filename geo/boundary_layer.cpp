#include "geo/boundary_layer.h"

#include <gdal_priv.h>
#include <ogr_geometry.h>
#include <ogrsf_frmts.h>

#include "geo/gdal_errors.h"

namespace tolven {

void GeometryDeleter::operator()(OGRGeometry* geometry) const {
    OGRGeometryFactory::destroyGeometry(geometry);
}

BoundaryLayer::BoundaryLayer() = default;
BoundaryLayer::~BoundaryLayer() = default;
BoundaryLayer::BoundaryLayer(BoundaryLayer&&) noexcept = default;
BoundaryLayer& BoundaryLayer::operator=(BoundaryLayer&&) noexcept = default;

namespace {

struct DatasetCloser {
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using DatasetPointer = std::unique_ptr<GDALDataset, DatasetCloser>;

DatasetPointer openVector(const std::string& path) {
    return DatasetPointer(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
}

enum class Shape { polygons, other, undeclared };

Shape shapeOf(OGRwkbGeometryType type) {
    switch (wkbFlatten(type)) {
        case wkbPolygon:
        case wkbMultiPolygon:
        case wkbCurvePolygon:
        case wkbMultiSurface:
        case wkbPolyhedralSurface:
        case wkbTIN:
        case wkbTriangle:
            return Shape::polygons;
        case wkbUnknown:
        case wkbGeometryCollection:
            return Shape::undeclared;
        default:
            return Shape::other;
    }
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string nameList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + quoted(name);
    return list.empty() ? "none" : list;
}

// Chooses the layer: the one named, else the only one, else the first whose
// declared type is polygons.
OGRLayer* chooseLayer(GDALDataset& dataset, const BoundarySource& source, std::string& note,
                      std::string& error) {
    std::vector<std::string> names;
    for (OGRLayer* layer : dataset.GetLayers()) names.emplace_back(layer->GetName());
    const std::string file = quoted(source.path);
    if (!source.layer.empty()) {
        OGRLayer* layer = dataset.GetLayerByName(source.layer.c_str());
        if (layer == nullptr) {
            error = "boundary file " + file + " has no layer " + quoted(source.layer) +
                    " (layers: " + nameList(names) + ")";
        }
        note = "the layer named";
        return layer;
    }
    if (names.empty()) {
        error = "boundary file " + file + " has no layer";
        return nullptr;
    }
    if (names.size() == 1) {
        note = "the only layer";
        return dataset.GetLayer(0);
    }
    for (OGRLayer* layer : dataset.GetLayers()) {
        if (shapeOf(layer->GetGeomType()) == Shape::polygons) {
            note = "the first polygon layer of " + std::to_string(names.size());
            return layer;
        }
    }
    error = "boundary file " + file + " has no polygon layer (layers: " + nameList(names) + ")";
    return nullptr;
}

int fieldIndex(OGRLayer& layer, const std::string& name, const std::string& role,
               const std::string& path, std::string& error) {
    OGRFeatureDefn* definition = layer.GetLayerDefn();
    const int index = definition->GetFieldIndex(name.c_str());
    if (index < 0) {
        std::vector<std::string> names;
        for (int i = 0; i < definition->GetFieldCount(); ++i) {
            names.emplace_back(definition->GetFieldDefn(i)->GetNameRef());
        }
        error = "layer " + quoted(layer.GetName()) + " of " + quoted(path) + " has no " + role +
                " field " + quoted(name) + " (fields: " + nameList(names) + ")";
    }
    return index;
}

std::string notPolygonsMessage(OGRLayer& layer, const std::string& path, OGRwkbGeometryType type) {
    return "layer " + quoted(layer.GetName()) + " of " + quoted(path) + " holds " +
           OGRGeometryTypeToName(type) + " geometries; boundaries must be polygons";
}

// The feature's geometry as a MultiPolygon, curves replaced by segments.
// Null for a missing or empty geometry; `other` is set for points or lines.
GeometryPointer multiPolygonOf(OGRFeature& feature, OGRwkbGeometryType& other) {
    OGRGeometry* geometry = feature.StealGeometry();
    if (geometry == nullptr) return nullptr;
    if (shapeOf(geometry->getGeometryType()) != Shape::polygons) {
        other = geometry->getGeometryType();
        OGRGeometryFactory::destroyGeometry(geometry);
        return nullptr;
    }
    if (geometry->hasCurveGeometry()) {
        OGRGeometry* linear = geometry->getLinearGeometry();
        OGRGeometryFactory::destroyGeometry(geometry);
        geometry = linear;
    }
    return GeometryPointer(OGRGeometryFactory::forceToMultiPolygon(geometry));
}

}  // namespace

std::string readBoundaryLayer(const BoundarySource& source, BoundaryLayer& result) {
    GdalErrorCapture capture;
    result = BoundaryLayer();
    const DatasetPointer dataset = openVector(source.path);
    if (!dataset) {
        return withGdalError("cannot open boundary file " + quoted(source.path), capture);
    }
    std::string error;
    OGRLayer* layer = chooseLayer(*dataset, source, result.layerNote, error);
    if (layer == nullptr) return error;
    if (shapeOf(layer->GetGeomType()) == Shape::other) {
        return notPolygonsMessage(*layer, source.path, layer->GetGeomType());
    }
    const int joinIndex = fieldIndex(*layer, source.joinField, "join", source.path, error);
    if (joinIndex < 0) return error;
    int labelIndex = -1;
    if (!source.labelField.empty()) {
        labelIndex = fieldIndex(*layer, source.labelField, "label", source.path, error);
        if (labelIndex < 0) return error;
    }
    const OGRFieldType joinType = layer->GetLayerDefn()->GetFieldDefn(joinIndex)->GetType();
    result.integerJoinField = joinType == OFTInteger || joinType == OFTInteger64;
    result.hasLabels = labelIndex >= 0;
    result.layerName = layer->GetName();
    if (const OGRSpatialReference* crs = layer->GetSpatialRef()) {
        char* wkt = nullptr;
        const char* const options[] = {"FORMAT=WKT2_2018", nullptr};
        if (crs->exportToWkt(&wkt, options) == OGRERR_NONE && wkt != nullptr) result.crsWkt = wkt;
        CPLFree(wkt);
    }

    layer->ResetReading();
    OGRFeature* raw = nullptr;
    while ((raw = layer->GetNextFeature()) != nullptr) {
        const std::unique_ptr<OGRFeature, void (*)(OGRFeature*)> feature(
            raw, [](OGRFeature* f) { OGRFeature::DestroyFeature(f); });
        ++result.featuresRead;
        OGRwkbGeometryType other = wkbUnknown;
        GeometryPointer geometry = multiPolygonOf(*feature, other);
        if (other != wkbUnknown) return notPolygonsMessage(*layer, source.path, other);
        if (!feature->IsFieldSetAndNotNull(joinIndex)) {
            ++result.featuresWithoutCode;
            continue;
        }
        const std::string code = result.integerJoinField
                                     ? std::to_string(feature->GetFieldAsInteger64(joinIndex))
                                     : std::string(feature->GetFieldAsString(joinIndex));
        if (code.empty()) {
            ++result.featuresWithoutCode;
            continue;
        }
        const auto [place, added] = result.featureOfKey.emplace(code, result.features.size());
        if (!added) {
            ++result.duplicateCodes;
            continue;
        }
        BoundaryFeature& kept = result.features.emplace_back();
        kept.code = code;
        if (labelIndex >= 0 && feature->IsFieldSetAndNotNull(labelIndex)) {
            kept.label = feature->GetFieldAsString(labelIndex);
            kept.hasLabel = true;
        }
        kept.geometry = std::move(geometry);
    }
    if (result.featuresRead == 0) {
        return "layer " + quoted(result.layerName) + " of " + quoted(source.path) +
               " has no feature";
    }
    return {};
}

}  // namespace tolven
