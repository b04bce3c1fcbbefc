// skyloom_airport_fixture: writes the airport file (docs/simworld-facilities.md) of a real
// airport for the simulated world, from public data read where it lies: the reference
// position, elevation and name from OurAirports' airports.csv, the runways with a START at
// each end from its runways.csv, and the taxi parkings from a FlightGear parking file.
//
//   skyloom_airport_fixture <ICAO> <airports.csv> <runways.csv> [<parking.xml>] <out.json|->
//
// Exit codes: 0 written, 1 the data cannot be used, 2 bad arguments.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "foundation/text_files.h"
#include "platform/simworld/facility_file.h"
#include "platform/simworld/facility_import.h"

int main(int argc, char** argv) {
    using namespace skyloom::simworld;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() != 4 && args.size() != 5) {
        std::cerr << "usage: skyloom_airport_fixture <ICAO> <airports.csv> <runways.csv> "
                     "[<parking.xml>] <out.json|->\n";
        return 2;
    }
    FacilityImportSources sources;
    sources.airportsCsv = args[1];
    sources.runwaysCsv = args[2];
    if (args.size() == 5) {
        sources.parkingXml = args[3];
    }
    const std::string& out = args.back();
    try {
        const AirportFacilitySetup airport = gf_importAirportFacilities(args[0], sources);
        const std::string text = gf_airportFileText(airport);
        if (out == "-") {
            std::cout << text;
        } else if (!skyloom::gf_writeFile(text, out, false)) {
            std::cerr << fmt::format("skyloom_airport_fixture: {} cannot be written\n", out);
            return 1;
        }
        std::cerr << fmt::format("{}: {} runways, {} starts, {} taxi parkings\n", airport.icao,
                                 airport.runways.size(), airport.starts.size(),
                                 airport.taxiParkings.size());
    } catch (const std::exception& e) {
        std::cerr << "skyloom_airport_fixture: " << e.what() << '\n';
        return 1;
    }
    return EXIT_SUCCESS;
}
