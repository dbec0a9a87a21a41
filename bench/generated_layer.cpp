#include "bench/generated_layer.h"

#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>

namespace tolven::bench {

std::unique_ptr<GDALDataset> createCodedLayer(const std::string& path, const char* name,
                                              OGRFieldType codeType, OGRLayer*& layer) {
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    std::unique_ptr<GDALDataset> dataset(
        driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!dataset) return nullptr;
    OGRSpatialReference crs;
    crs.importFromEPSG(32654);
    layer = dataset->CreateLayer(name, &crs, wkbPolygon, nullptr);
    OGRFieldDefn code("code", codeType);
    if (layer == nullptr || layer->CreateField(&code) != OGRERR_NONE) return nullptr;
    return dataset;
}

std::string regionCode(int region) {
    char code[16];
    std::snprintf(code, sizeof code, "R%04d", region);
    return code;
}

// A 40 x 50 grid of round regions, each a ring of VERTICES_PER_POLYGON
// vertices (the last closes it) with a jagged radius, in UTM zone 54N.
bool writeGeneratedLayer(const std::string& path) {
    OGRLayer* layer = nullptr;
    const std::unique_ptr<GDALDataset> dataset =
        createCodedLayer(path, "regions", OFTString, layer);
    if (!dataset) return false;
    std::mt19937 random(20260402);
    std::uniform_real_distribution<double> jag(0.85, 1.0);
    dataset->StartTransaction();
    for (int region = 1; region <= POLYGONS; ++region) {
        const double cx = 500000.0 + ((region - 1) % 40) * 1000.0;
        const double cy = 4000000.0 + ((region - 1) / 40) * 1000.0;
        OGRLinearRing ring;
        for (int k = 0; k < VERTICES_PER_POLYGON - 1; ++k) {
            const double angle = 2.0 * M_PI * k / (VERTICES_PER_POLYGON - 1);
            const double radius = 500.0 * jag(random);
            ring.addPoint(cx + radius * std::cos(angle), cy + radius * std::sin(angle));
        }
        ring.closeRings();
        OGRPolygon polygon;
        polygon.addRing(&ring);
        std::unique_ptr<OGRFeature> feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        feature->SetField(0, regionCode(region).c_str());
        feature->SetGeometry(&polygon);
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE) return false;
    }
    return dataset->CommitTransaction() == OGRERR_NONE;
}

}  // namespace tolven::bench
