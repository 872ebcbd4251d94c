// Converts points given on the command line with the sample network and
// prints them as veltrane-convert writes them:
//   convert_points CORS96_CONTROL.csv CORS96a_CONTROL.csv LON LAT H [LON LAT H ...]
#include <veltrane/veltrane.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc < 6 || (argc - 3) % 3 != 0) {
        std::fprintf(stderr, "usage: %s SOURCE_CONTROLS TARGET_CONTROLS LON LAT H [LON LAT H ...]\n", argv[0]);
        return 2;
    }
    try {
        const veltrane::Network network({argv[1], argv[2]});
        std::vector<double> lon, lat, h;
        std::vector<std::string> ids;
        for (int i = 3; i + 2 < argc; i += 3) {
            lon.push_back(std::atof(argv[i]));
            lat.push_back(std::atof(argv[i + 1]));
            h.push_back(std::atof(argv[i + 2]));
            ids.push_back("P" + std::to_string(ids.size() + 1));
        }
        veltrane::Shifts shifts(lon.size());
        network.convert(lon.data(), lat.data(), h.data(), lon.size(), shifts.arrays());
        std::fputs(veltrane::Network::header().c_str(), stdout);
        std::fputs(network.format(ids, lon.data(), lat.data(), h.data(), shifts.view(), lon.size()).c_str(), stdout);
    } catch (const veltrane::Error &error) {
        std::fprintf(stderr, "convert_points: %s\n", error.what());
        return 1;
    }
    return 0;
}
