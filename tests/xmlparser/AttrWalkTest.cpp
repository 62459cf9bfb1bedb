// Walking a document's attributes in place: the walk reads what the library's own calls
// read, through every change the cursor makes to attributes, and it is the walk the
// library in use gets (else the layout tests would test only the calls).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/XMLAttrWalk.h"

namespace {

std::vector<std::string> ByCalls(pugi::xml_node e) {
  std::vector<std::string> out;
  for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute())
    out.push_back(std::string(a.name()) + "=" + a.value());
  return out;
}

std::vector<std::string> InPlace(pugi::xml_node e) {
  std::vector<std::string> out;
  for (kzxml::Attr a = kzxml::Attr::First(e); a; a = a.next()) {
    out.push_back(std::string(a.name()) + "=" + a.value());
  }
  return out;
}

TEST(AttrWalk, ReadsWhatTheLibraryReadsThroughEveryChange) {
  EXPECT_TRUE(kzxml::AttrRecordsReadable());
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string("<r><e a='1' b='&lt;x&gt;' c='' xmlns:p='u' p:d='4'/><f/></r>"));
  pugi::xml_node e = doc.child("r").child("e");
  pugi::xml_node f = doc.child("r").child("f");
  EXPECT_EQ(InPlace(e), ByCalls(e));
  EXPECT_FALSE(kzxml::Attr::First(f));
  EXPECT_FALSE(kzxml::Attr::First(pugi::xml_node()));
  EXPECT_STREQ(kzxml::Attr().name(), "");
  EXPECT_STREQ(kzxml::Attr().value(), "");
  EXPECT_FALSE(kzxml::Attr().next());
  e.attribute("a").set_value("a value far longer than the one read, so that it goes elsewhere");
  e.attribute("b").set_value("");
  e.remove_attribute("c");
  e.append_attribute("n").set_value("new");
  e.prepend_attribute("m").set_value("first");
  f.append_attribute("only").set_value("1");
  EXPECT_EQ(InPlace(e), ByCalls(e));
  EXPECT_EQ(InPlace(f), ByCalls(f));
  while (e.first_attribute()) e.remove_attribute(e.first_attribute());
  EXPECT_FALSE(kzxml::Attr::First(e));
}

}  // namespace
