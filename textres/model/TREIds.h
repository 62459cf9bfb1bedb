#pragma once
// The IDs of a text resource document's pages and strings as the dialogs and the open
// check need them: whether an ID is taken, and which IDs a document holds twice. Read
// from the game object library without handing out handles for the strings.
#include <cstdint>
#include <string>

namespace tre {

// True when a page of the document holds the ID.
bool PageIdTaken(int32_t document, int32_t id);
// True when a string of the page holds the ID.
bool StringIdTaken(int32_t page, int32_t id);
// The message on the IDs the document holds more than once (DuplicateIdsText), "" when
// every page and every text of a page has an ID of its own.
std::string DuplicateIdsMessage(int32_t document);

}  // namespace tre
