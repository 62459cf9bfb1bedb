// kzxml::NodeTable: a value per node of a document, whatever the number of nodes and
// however their addresses fall.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include <pugixml.hpp>

#include "core/XMLNodeTable.h"

namespace {

// The nodes of a document made of `count` elements under a root, with a few attributes
// each (so that nodes are spread over many memory pages, not packed one after another).
std::vector<pugi::xml_node> Nodes(pugi::xml_document& doc, int count, int attributes) {
  std::vector<pugi::xml_node> nodes;
  pugi::xml_node root = doc.append_child("root");
  nodes.push_back(root);
  for (int i = 0; i < count; ++i) {
    pugi::xml_node n = root.append_child("o");
    for (int a = 0; a < attributes; ++a) n.append_attribute("a").set_value(a);
    nodes.push_back(n);
  }
  return nodes;
}

TEST(NodeTable, EveryNodeKeepsItsOwnValueOverManyPages) {
  // Packed nodes (no attributes: neighbours one node apart) and spread ones.
  for (int attributes : {0, 1, 7}) {
    pugi::xml_document doc;
    const std::vector<pugi::xml_node> nodes = Nodes(doc, 20000, attributes);
    kzxml::NodeTable<int32_t> table;
    EXPECT_TRUE(table.Empty());
    // Every third node gets a value, the others none.
    for (size_t i = 0; i < nodes.size(); i += 3) table.Set(nodes[i].internal_object(), static_cast<int32_t>(i + 1));
    EXPECT_EQ(table.Count(), (nodes.size() + 2) / 3);
    for (size_t i = 0; i < nodes.size(); ++i)
      ASSERT_EQ(table.Get(nodes[i].internal_object()), i % 3 == 0 ? static_cast<int32_t>(i + 1) : 0)
          << "node " << i << " with " << attributes << " attributes";
    // Taking values away (and setting none where there was none) keeps the count true.
    for (size_t i = 0; i < nodes.size(); i += 2) table.Set(nodes[i].internal_object(), 0);
    size_t left = 0;
    for (size_t i = 0; i < nodes.size(); ++i) {
      const int32_t want = (i % 3 == 0 && i % 2 != 0) ? static_cast<int32_t>(i + 1) : 0;
      ASSERT_EQ(table.Get(nodes[i].internal_object()), want) << "node " << i;
      left += want != 0;
    }
    EXPECT_EQ(table.Count(), left);
    table.Clear();
    EXPECT_TRUE(table.Empty());
    for (const pugi::xml_node& n : nodes) ASSERT_EQ(table.Get(n.internal_object()), 0);
  }
}

TEST(NodeTable, NodesOfSeveralDocumentsAndTheDocumentItself) {
  auto a = std::make_unique<pugi::xml_document>();
  auto b = std::make_unique<pugi::xml_document>();
  const std::vector<pugi::xml_node> na = Nodes(*a, 600, 2), nb = Nodes(*b, 600, 2);
  kzxml::NodeTable<uint8_t> table;
  table.Set(a->internal_object(), 9);
  for (size_t i = 0; i < na.size(); ++i) {
    table.Set(na[i].internal_object(), static_cast<uint8_t>(1 + i % 200));
    table.Set(nb[i].internal_object(), static_cast<uint8_t>(201 + i % 50));
  }
  EXPECT_EQ(table.Get(a->internal_object()), 9);
  EXPECT_EQ(table.Get(b->internal_object()), 0);
  for (size_t i = 0; i < na.size(); ++i) {
    ASSERT_EQ(table.Get(na[i].internal_object()), 1 + i % 200);
    ASSERT_EQ(table.Get(nb[i].internal_object()), 201 + i % 50);
  }
  EXPECT_EQ(table.Count(), 1 + 2 * na.size());
}

}  // namespace
