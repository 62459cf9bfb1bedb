// A sample universe map for the galaxy editor: three sectors joined by gates, with a
// background, a sun, a dock holding groups and a docked ship, and flying ships. Written
// plain and packed.
#include "SampleData.h"

namespace {

const char* kSampleUniverse =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<universe xmlns=\"KZUNIVERS.xsd\">\n"
    "  <o t=\"1\" s=\"0\" x=\"0\" y=\"0\" r=\"1\" color=\"16744448\" ff=\"0\" fc=\"0\" fn=\"0\" m=\"3\">\n"
    "    <o t=\"2\" s=\"0\"/>\n"
    "    <o t=\"3\" s=\"0\" x=\"1000000\" y=\"0\" z=\"-250000\"/>\n"
    "    <o t=\"5\" s=\"0\" x=\"20000\" y=\"0\" z=\"499000\" r=\"1\" a=\"0\" b=\"16384\" g=\"0\">\n"
    "      <o t=\"23\" s=\"8\"/>\n"
    "      <o t=\"23\" s=\"5\">\n"
    "        <o t=\"7\" s=\"0\" r=\"1\"/>\n"
    "      </o>\n"
    "    </o>\n"
    "    <o t=\"18\" s=\"0\" gid=\"2\" gx=\"1\" gy=\"0\" gtid=\"3\" x=\"0\" y=\"0\" z=\"3000000\" r=\"1\"/>\n"
    "    <o t=\"7\" s=\"1\" x=\"5000\" y=\"-2000\" z=\"0\" r=\"3\"/>\n"
    "  </o>\n"
    "  <o t=\"1\" s=\"1\" x=\"1\" y=\"0\" r=\"2\" color=\"255\" ff=\"0\" fc=\"0\" fn=\"0\">\n"
    "    <o t=\"2\" s=\"1\"/>\n"
    "    <o t=\"18\" s=\"0\" gid=\"3\" gx=\"0\" gy=\"0\" gtid=\"2\" x=\"0\" y=\"0\" z=\"-3000000\" r=\"2\"/>\n"
    "    <o t=\"18\" s=\"0\" gid=\"1\" gx=\"1\" gy=\"1\" gtid=\"0\" x=\"3000000\" y=\"0\" z=\"0\" r=\"2\"/>\n"
    "    <o t=\"17\" s=\"0\" atype=\"2\" aamount=\"17\" x=\"100000\" y=\"2000\" z=\"40000\"/>\n"
    "  </o>\n"
    "  <o t=\"1\" s=\"0\" x=\"1\" y=\"1\" r=\"8\" color=\"8421504\">\n"
    "    <o t=\"18\" s=\"0\" gid=\"0\" gx=\"1\" gy=\"0\" gtid=\"1\" x=\"-3000000\" y=\"0\" z=\"0\" r=\"8\"/>\n"
    "    <o t=\"7\" s=\"2\" x=\"0\" y=\"0\" z=\"0\" r=\"8\" n=\"2500\"/>\n"
    "  </o>\n"
    "</universe>\n";

}  // namespace

KZ_SAMPLE_GENERATOR(GalaxyMaps) {
  return out.WritePlain("maps/sample_universe.xml", kSampleUniverse) &&
         out.WritePacked("maps/sample_universe.pck", kSampleUniverse);
}
