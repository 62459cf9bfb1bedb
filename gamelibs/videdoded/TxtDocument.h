// A loaded type file: its bytes (Windows-1252) and a token cursor over them.
//
// Tokens are found lazily as the cursor moves, so loading costs one check pass over
// the bytes and reading costs one pass more: each item is classified in the walk that
// finds its end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "rudu/HandleTable.h"
#include "videdoded.h"

namespace videdoded {

// Used only inside the library: its calls are direct, without the dynamic linker's
// indirection.
class __attribute__((visibility("hidden"))) TxtDocument : public rudu::HandleObject {
 public:
  // Takes the file's bytes; false with a text in error when the file holds a NUL byte
  // or an overlong line. The cursor then stands on the first token.
  bool Load(std::string bytes, bool remarksAsData, std::string& error);
  // As Load, over bytes the document does not own: `keep` holds them (unchanged) for as
  // long as the document lives. Lasting: they stay unchanged for as long as `keep`
  // lives, also past the document (see LastingBytes).
  bool LoadView(std::string_view bytes, std::shared_ptr<const void> keep, bool remarksAsData, std::string& error,
                bool lasting = false);
  // What keeps the bytes unchanged for as long as it is held, for a reader that keeps
  // texts where they stand (Kz_Value::at); null when they may change while held.
  std::shared_ptr<const void> LastingBytes() const { return lasting_ ? keep_ : nullptr; }
  std::string_view Bytes() const { return buf_; }

  int32_t TokenType() const { return cur_.kind; }
  // The current token classified (kind 0 rule); false at the end.
  bool TokenValue(Kz_Value& v) const;
  // Loads the next value of the kind asked; false with code and text on failure (the
  // cursor then stays where it was).
  bool LoadValue(int32_t kind, Kz_Value& v, int32_t& code, std::string& error);
  // The same for a caller value by value: a failure is the library's last error (its
  // code and text as above), so a value read costs no error text at all. 1 when a value
  // was read, else 0 (as the entry point gives it, which hands it on as it is).
  int32_t LoadValue(int32_t kind, Kz_Value& v);
  // The same, a text that stands as it is given by its place and length (see
  // kKzValuePlaced).
  int32_t LoadValuePlaced(int32_t kind, Kz_Value& v);
  // Loads up to n values as LoadValue would, one after another; gives how many. Fewer
  // than n: the next failed (the library's last error says why). kKzValuePlaced in
  // kind: as LoadValuePlaced would.
  size_t LoadValues(int32_t kind, Kz_Value* v, size_t n);
  // Moves past n tokens; false when the end came first.
  bool Advance(int32_t n);
  // 1-based line of the current token, 0 at the end.
  int32_t Line() const { return cur_.kind == kKzTokenEnd ? 0 : cur_.line; }

  // Whether a kind asked is a kind of value with kKzValuePlaced added.
  static bool AskedPlaced(int32_t kind) {
    return static_cast<uint32_t>(kind) - static_cast<uint32_t>(kKzValuePlaced) <= static_cast<uint32_t>(kKzValueText);
  }

  static bool ParseLong(const char* p, size_t n, int32_t& out);
  static bool ParseDouble(const char* p, size_t n, double& out);

 private:
  // An item's end (the ";" that closes it, or the line's end) is found when it is
  // read, in the same walk that classifies it.
  struct Cursor {
    int32_t kind = kKzTokenEnd;
    size_t begin = 0;     // item: first byte; continuation: where the next item begins
    size_t lineEnd = 0;   // end of the current line's content (before CR LF / LF)
    size_t nextLine = 0;  // first byte of the following line
    int32_t line = 0;
  };

  void Next();
  static bool ValidKind(int32_t kind);
  // LoadValue for a kind already checked.
  bool LoadChecked(int32_t kind, Kz_Value& v, int32_t& code, std::string& error);
  // LoadChecked off an item: on a continuation or at the end.
  bool LoadOffItem(int32_t kind, Kz_Value& v, int32_t& code, std::string& error);
  static bool BadKind(int32_t kind, int32_t& code, std::string& error);
  // The error for a text where a number was asked.
  bool NotANumber(const Kz_Value& v, int32_t& code, std::string& error) const;
  // LoadValue(kind, v) off its common path: a kind not valid, a continuation, the end,
  // a text where a number was asked, or a field that the quick walk leaves (on the last
  // line of the bytes, or a long number); sets the last error on failure.
  int32_t LoadValueRarely(int32_t kind, Kz_Value& v);
  // LoadValue and LoadValuePlaced, one body.
  template <bool Placed>
  int32_t LoadValueAs(int32_t kind, Kz_Value& v);
  // Off the common path of LoadValuePlaced: as LoadValueRarely (or LoadText), a text
  // read that stands as it is then given by its place.
  int32_t LoadPlacedRarely(int32_t kind, Kz_Value& v);
  // The ends of LoadValue(kind, v) off its common path, each giving 1: the text p..
  // read on from q (where its field ends when ended), an item read as a text, a
  // number's text kept, and the step from an item ending at end to the next item (or
  // the end).
  int32_t TextAndStep(Kz_Value& v, const char* p, const char* q, bool ended);
  int32_t PlacedTextAndStep(Kz_Value& v, const char* p, const char* q, bool ended);
  int32_t LoadText(Kz_Value& v);
  int32_t KeepTextAndStep(Kz_Value& v, const char* p, const char* end);
  int32_t StepOver(const char* end);
  // Reads the item under the cursor into v and moves to the next item (or the end);
  // false, the cursor unmoved, when a number was asked and the item is text.
  bool ReadItem(int32_t kind, Kz_Value& v, int32_t& code, std::string& error);
  // From an item ending at end to the next item, past a continuation, or the end.
  void StepOverItem(size_t end);
  void EnterLine(size_t start);
  size_t ItemEnd(size_t begin) const;
  bool OnlyBlanks(size_t from, size_t to) const;

  // Whether bytes can be a document's: false with the error text.
  static bool Check(std::string_view bytes, std::string& error);
  void Start(bool remarksAsData);

  std::shared_ptr<const void> keep_;  // what holds the bytes (the document's own, or another's)
  bool lasting_ = false;              // keep_ holds them unchanged (see LastingBytes)
  std::string_view buf_;
  bool remarksAsData_ = false;
  Cursor cur_;
};

}  // namespace videdoded
