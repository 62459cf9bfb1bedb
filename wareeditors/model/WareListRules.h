#pragma once
// The rows and columns of a ware list as the ware-list viewer and the ware-list page
// show it: one row per value of the record (the ware's display name, its ID), two
// columns fitted to their widest text, or one "not found" column.
#include <cstdint>
#include <string>
#include <vector>

#include "typefiles/TXTObject.h"
#include "typefiles/WareCollection.h"

namespace mdlWareListView {

// Narrowest width of a fitted column, and what a column adds to its widest text
// (twips).
constexpr int32_t kMinColumnTwips = 2000;
constexpr int32_t kColumnPaddingTwips = 200;

struct WareRow {
  std::string name;  // the ware's display name (the ID when the ware is unknown)
  std::string id;    // the value as stored
};

// One row per value of the ware list, in order.
std::vector<WareRow> WareListRows(const clsTXTObject& list, const clsWareCollection& wares);

// The same rows with the ID in both columns (no look-up).
std::vector<WareRow> WareListRowsByID(const clsTXTObject& list);

// Width of a fitted column from its widest text measured plus the padding: that
// width when it exceeds the narrowest, else the narrowest.
int32_t FittedColumnWidth(int32_t widestTwips);

// Caption of the single column shown when there is no ware list: "Ware list <n> not found".
// Why the ware-list page makes no new record: jobs and ships name a ware list by its
// place in the file, and the page has no way to fill one.
inline constexpr const char* kNoNewWareListText = "Ware lists cannot be created on the ware list page.";
std::string NotFoundCaption(const std::string& what);
std::string NotFoundCaption(int32_t index);

// The page's name of a ware list: its 0-based position in the file.
std::string WareListObjectName(const clsTXTObject& list);

}  // namespace mdlWareListView
