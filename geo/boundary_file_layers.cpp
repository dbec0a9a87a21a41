#include "geo/boundary_file_layers.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <memory>

#include "geo/gdal_errors.h"

namespace tolven {

bool listBoundaryFile(const std::string& path, BoundaryFileLayers& result) {
    result = {};
    const GdalErrorCapture capture;  // registers the drivers, keeps GDAL's messages off stderr
    const std::unique_ptr<GDALDataset, void (*)(GDALDataset*)> dataset(
        GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY),
        [](GDALDataset* d) { GDALClose(d); });
    if (!dataset) return false;
    for (OGRLayer* layer : dataset->GetLayers()) {
        BoundaryFileLayers::Layer& listed = result.layers.emplace_back();
        listed.name = layer->GetName();
        OGRFeatureDefn* definition = layer->GetLayerDefn();
        for (int i = 0; i < definition->GetFieldCount(); ++i)
            listed.fields.emplace_back(definition->GetFieldDefn(i)->GetNameRef());
    }
    return true;
}

}  // namespace tolven
