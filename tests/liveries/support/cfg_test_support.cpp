#include "tests/liveries/support/cfg_test_support.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fmt/format.h>

#include "foundation/file_header.h"
#include "foundation/log_file.h"
#include "foundation/version.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "tests/support/shared_data.h"

namespace skyloom::testing {
namespace {

// Models: airliners and freighters (Large, Heavy), the bizjet and light aircraft of the
// fixtures, the codes of the real files in ../shared. Airlines: "ZZZ" is the dbase's placeholder
// airline. Registrations: D-AIBA with an airline, D-EBVE and N172SP without one, N5XY short
// enough to be found inside a title.
constexpr std::string_view kDbaseBody = R"(
  <models>
    <m c="A319" w="34.1"/> <m c="A320" w="35.8"/> <m c="A20N" w="35.8"/> <m c="B738" w="35.8"/>
    <m c="B744" w="64.4"/> <m c="MD11" w="51.7"/> <m c="A332" w="60.3"/> <m c="BLCF" w="64.4"/>
    <m c="A30B" w="44.8"/> <m c="C25B" w="16.3"/> <m c="C172" w="11.0"/> <m c="E190" w="28.7"/>
  </models>
  <ICAO_airlines a="DLH,BAW,KLM,FDX,ZZZ,CAN,GTI,AHK,TPA,CMA,BCS,HKC,WZZ,MNB,CSC,THY"/>
  <ICAO_airlines a="DFC,DWW,CHN,AOJ,SCR,TKK,IXR,JAR"/>
  <modelfixes>
    <f w="B73H" c="B738"/>
    <f w="A32N" c="A20N"/>
  </modelfixes>
  <categories>
    <c n="Heavy" m="B744,MD11,A332,BLCF"/>
    <c n="Large" m="A319,A320,A20N,B738,E190,A30B"/>
    <c n="Bizjet" m="C25B"/>
  </categories>
  <registrations>
    <r g="D-AIBA" a="DLH" m="A319"/>
    <r g="N618FE" a="FDX" m="MD11" c="true"/>
    <r g="D-EBVE" m="C172"/>
    <r g="N172SP" m="C172"/>
    <r g="N5XY" a="FDX" m="MD11"/>
  </registrations>
)";

void lf_resetCodes() {
    gf_modelCodeTable().reset();
    gf_airlineCodeTable().reset();
    gf_publishDbase(nullptr);
}

} // namespace

CfgTestDbase::CfgTestDbase() {
    lf_resetCodes();
    writeCfgBytes(dir_ / "dbase.xml",
                  fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n"
                              "  <meta version=\"{}\" sim=\"2\" copyright=\"{}\" "
                              "program=\"Skyloom\"/>\n"
                              "  <dataset name=\"dbase\" version=\"2026.1.0\"/>\n{}\n</root>\n",
                              gf_programVersionText(), kMakerCopyright, kDbaseBody));
    gf_readDbase(dir_.path());
}

CfgTestDbase::~CfgTestDbase() {
    lf_resetCodes();
}

void writeCfgBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string readCfgBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::filesystem::path cfgFixtureDir() {
    return sourceDir() / "tests" / "liveries" / "data";
}

} // namespace skyloom::testing
