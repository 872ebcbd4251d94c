#pragma once
// What the GIS reader and writer share of GDAL, private to them: the quiet
// error handler, the features of a batch and the reader's open layer.

#include "engine/formats/gisfile.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_api.h>

#include <vector>

namespace veltrane {

// GDAL's messages kept from standard error while it lives; the last one is
// read with lastMessage().
class QuietGdal {
public:
    QuietGdal()
    {
        registerGisDrivers();
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal &) = delete;
    QuietGdal &operator=(const QuietGdal &) = delete;

    static QString lastMessage(const char *otherwise)
    {
        const char *message = CPLGetLastErrorMsg();
        return QString::fromUtf8(message && *message ? message : otherwise);
    }
};

class GisFeatures {
public:
    ~GisFeatures()
    {
        for (OGRFeatureH feature : features)
            OGR_F_Destroy(feature);
    }
    std::vector<OGRFeatureH> features;
};

struct GisPointReader::Layer {
    ~Layer()
    {
        if (dataset)
            GDALClose(dataset);
    }
    GDALDatasetH dataset = nullptr;
    OGRLayerH layer = nullptr;
    int idField = -1;      // -1: the feature id
    int heightField = -1;  // -1: Z of the geometry
    bool hasHeights = false;
    uint64_t featuresRead = 0;
    std::vector<int> passFields;  // with keepPassFields()
};

}  // namespace veltrane
