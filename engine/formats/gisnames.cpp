#include "engine/formats/gisfile.h"

#include <QFileInfo>
#include <gdal.h>

#include <map>
#include <mutex>

// Which files are GIS files and which GDAL driver writes them.

namespace veltrane {

namespace {

const std::map<QString, QString> &driversByExtension()
{
    static const std::map<QString, QString> drivers = {
        {"gpkg", "GPKG"},    {"shp", "ESRI Shapefile"}, {"geojson", "GeoJSON"},
        {"json", "GeoJSON"}, {"fgb", "FlatGeobuf"},     {"gml", "GML"},
        {"dxf", "DXF"},
    };
    return drivers;
}

}  // namespace

void registerGisDrivers()
{
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
}

QString gisExtensionForDriver(const QString &driver)
{
    for (const auto &[extension, name] : driversByExtension()) {
        if (name == driver)
            return extension;
    }
    registerGisDrivers();
    GDALDriverH handle = GDALGetDriverByName(driver.toUtf8().constData());
    const char *extension = handle ? GDALGetMetadataItem(handle, GDAL_DMD_EXTENSION, nullptr) : nullptr;
    return QString::fromUtf8(extension ? extension : "");
}

QString gisWorkName(const QString &driver, const QString &path, QString &error)
{
    const QFileInfo name(path);
    const QString extension = gisExtensionForDriver(driver);
    if (extension.isEmpty() || name.suffix().compare(extension, Qt::CaseInsensitive) == 0)
        return name.fileName();
    if (driver == QLatin1String("ESRI Shapefile") || driver == QLatin1String("MapInfo File")) {
        error = QStringLiteral("%1 writes several files, named *.%2").arg(driver, extension);
        return QString();
    }
    const QString base = name.completeBaseName().isEmpty() ? QStringLiteral("points") : name.completeBaseName();
    return base + QLatin1Char('.') + extension;
}

bool isGisFileName(const QString &path)
{
    return !gisDriverForName(path).isEmpty();
}

QString gisDriverForName(const QString &path)
{
    const auto driver = driversByExtension().find(QFileInfo(path).suffix().toLower());
    return driver == driversByExtension().end() ? QString() : driver->second;
}

}  // namespace veltrane
