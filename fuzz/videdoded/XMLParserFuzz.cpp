// The XML document cursor's open: any text loads or fails with a message; what loads
// is walked, edited and saved without a crash, and its text loads again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/XMLParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  clsXMLParser x;
  std::string text(reinterpret_cast<const char*>(data), size);
  if (!x.LoadText(text)) {
    if (x.GetLastError().rfind("Error: ", 0) != 0) abort();
    return 0;
  }
  int32_t b = x.AddBookmark();
  x.Push();
  for (int i = 0; i < 64 && x.Down(); ++i) x.AddBookmark();
  x.NextNode();
  x.GetNodeValue();
  for (int32_t k = 1; k <= x.GetNodeAttrCount(); ++k) x.GetAttrName(kz::Variant(k));
  x.SelectRoot();
  x.DeleteNode("//*[2]");
  x.SelectBookmark(b);
  x.Pop();
  for (int32_t k = 1; k < 8; ++k) x.SelectBookmark(k);
  x.CreateNode("added", kz::Variant("t"));
  clsXMLParser y;
  if (!y.LoadText(x.GetXML())) abort();
  return 0;
}
