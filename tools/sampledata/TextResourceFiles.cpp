// Text resource files to try the text resource editor on, inside the catalog 04.cat:
// an English file (plain) and a German one (packed) with several pages, references
// within and across pages, escapes and a voice page, in pages that no other sample
// file uses.
#include <string>

#include "SampleData.h"

namespace {

std::string EnglishEditorFile() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<language id=\"44\">\r\n"
         "  <page id=\"300\" title=\"Briefings\" descr=\"Mission briefings\" voice=\"1\">\r\n"
         "    <t id=\"1\">Fly to {7,1} and dock at the {17,2202}.</t>\r\n"
         "    <t id=\"2\">Buy one {17,1201}.\\nThen report back.</t>\r\n"
         "    <t id=\"3\">Reward: {4} credits</t>\r\n"
         "    <t id=\"4\">25000</t>\r\n"
         "    <t id=\"12\">Escort the Big Ship</t>\r\n"
         "    <t id=\"112\">Curly braces: \\{not a reference\\}</t>\r\n"
         "  </page>\r\n"
         "  <page id=\"301\" title=\"Messages\" descr=\"\" voice=\"0\">\r\n"
         "    <t id=\"1\">Welcome, pilot.\\tGood luck.</t>\r\n"
         "    <t id=\"2\">{300,1}</t>\r\n"
         "  </page>\r\n"
         "  <page id=\"302\" title=\"Empty page\" descr=\"A page without strings\" voice=\"0\">\r\n"
         "  </page>\r\n"
         "</language>\r\n";
}

std::string GermanEditorFile() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<language id=\"49\">\r\n"
         "  <page id=\"300\" title=\"Einsatzbesprechungen\" descr=\"\" voice=\"1\">\r\n"
         "    <t id=\"1\">Fliegen Sie nach {7,1} und docken Sie an der {17,2202} an.</t>\r\n"
         "    <t id=\"3\">Belohnung: {300,4} Credits</t>\r\n"
         "    <t id=\"4\">25000</t>\r\n"
         "  </page>\r\n"
         "  <page id=\"301\" title=\"Nachrichten\" descr=\"\" voice=\"0\">\r\n"
         "    <t id=\"1\">Willkommen, Pilot.\\nViel Gl\xc3\xbc" "ck.</t>\r\n"
         "  </page>\r\n"
         "</language>\r\n";
}

}  // namespace

KZ_SAMPLE_GENERATOR(A41_TextResourceEditorFiles) {
  return out.WriteCatalog("04.cat", {{"t\\440003.xml", EnglishEditorFile(), false},
                                     {"t\\490003.pck", GermanEditorFile(), true}});
}
