// videdoded: the game object library.
//
// Type-file tokens and writing, text resource documents (documents, pages and
// strings), the description-server store, XML file decoding and encoding and
// command-line splitting. Every object the library hands out is a handle in the
// one handle space shared with rudu and zuzer (gamelibs/rudu/HandleTable.h):
// handles are never reused, 0 means failure or none, and the description store is
// always handle 1.
//
// Conventions of every entry:
//  - the last error is cleared on entry (except Kz_GetLastError and
//    Kz_TranslateError), so Kz_GetLastError() right after a call tells whether
//    that call failed;
//  - a wrong, stale or wrong-typed handle gives 0 (or -1 where noted) and an error,
//    never a crash;
//  - texts are UTF-8; texts handed back go through std::string&.
//
// ---------------------------------------------------------------------------
// Type files (Kz_LoadFromFile mode 0 or 1, Kz_TXT*)
//
//  - A record is a line; every value ends with ";". Lines end with CR LF when
//    written and with LF or CR LF when read. A last piece of a line after its last
//    ";" is a value too, unless it is empty or only blanks and tabs. Empty lines
//    hold no tokens.
//  - A line that begins with "//" is a remark: skipped when the document was loaded
//    while Kz_TXTIgnoreRemarks(0) was in force (the default), split into values like
//    any other line when it was loaded under Kz_TXTIgnoreRemarks(1).
//  - Tokens: every value is an item token (kind 6). Between two values of the same
//    line stands a continuation token (kind 2), which carries no value. After the
//    last token the kind is -1 (end). Kz_TXTLoadValue steps over continuation tokens
//    before its value and over the one right after it, so a reader that only loads
//    values never sees them; a reader that walks tokens (Kz_TXTGetTokenType,
//    Kz_TXTGetTokenValue, Kz_TXTAdvance) sees where a line goes on: after an item,
//    kind 2 means "another value of the same record follows", anything else means
//    the record (line) ended. A line written as value, value, ..., CR LF therefore
//    reads back as item, continuation, item, ..., and the next line's first item.
//  - A token is a whole number (Kz_Value::Long) when it is an optional "-" and
//    digits whose value fits 32 bits; a floating-point number (Kz_Value::Double)
//    when it holds a "." and reads wholly as a plain decimal number (optional "-",
//    digits and one "."; no blanks, exponent, locale, inf, nan or hex); otherwise
//    text (Kz_Value::Text), kept exactly as it stands.
//  - Value kinds asked of Kz_TXTLoadValue: 1 a number (whole or floating; a text
//    token fails), 3 a text (the token's text whatever it looks like), 0 any (the
//    token as classified above).
//  - The writer writes a whole number in decimal, a floating-point number in the
//    shortest plain decimal form that reads back to the same value (always with a
//    "."), a text unchanged; each followed by ";". A text holding ";", CR, LF or NUL,
//    or beginning with "//", is refused with an error (it would shift the fields of
//    the file), and so is a text with a character that Windows-1252 cannot hold.
//  - On disk type files are Windows-1252; inside they are UTF-8. The five bytes that
//    Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) read as U+0081,
//    U+008D, U+008F, U+0090, U+009D and write back as those bytes, so every byte of
//    a file survives a round trip.
//  - A file holding a NUL byte, or a line longer than kTxtMaxLine bytes, is refused
//    at load with an error naming the line.
//
// ---------------------------------------------------------------------------
// Text resource documents (Kz_LoadFromFile mode 3, Kz_TRE*, object types 7/8/9)
//
//  - XML, UTF-8:
//        <?xml version="1.0" encoding="UTF-8"?>
//        <language id="44">
//          <page id="17" title="..." descr="..." voice="0">
//            <t id="1">raw text</t>
//          </page>
//        </language>
//    Pages and strings keep file order; new ones are appended. Unknown elements and
//    attributes are ignored. A missing or non-numeric id (language, page or t) is an
//    error naming its line. voice is 1 when it is a non-zero number, else 0.
//    Kz_SaveToFile writes this layout (CR LF between elements); characters that XML
//    would not give back as they are (CR, tabs and line ends in attributes, control
//    characters) are written as character references.
//  - Packed text resource files are gzip; rudu unpacks them on reading and packs
//    them when the write handle was opened packed.
//  - Raw text and processed text: "\n" is a line end (LF), "\t" a tab, "\\", "\{"
//    and "\}" the characters themselves; any other "\" stays as written. "{ID}"
//    stands for the processed text of string ID of the same page, "{PAGE,ID}" for
//    string ID of page PAGE (blanks allowed around the numbers). A reference is
//    looked up first in the string's own document, then in the store when the
//    store's language is the document's. A reference that resolves to nothing, runs
//    in a cycle or nests deeper than kTreMaxDepth stays as written; look-ups never
//    fail. A processed text is cut at kTreMaxText bytes (at a character boundary).
//  - New pages and strings have the ID -1 and empty texts until they are set.
//  - The store (handle 1): Kz_TREDescServerLoadFile merges a file's pages into it by
//    page ID; a string whose ID the page already holds is replaced (in place) by the
//    later file's. Kz_TREDescServerTranslateStrings readies every string: each
//    processed text is worked out on its first look-up and kept until the store
//    changes; Kz_TREDescServerUnload empties it (pages, strings and the language).
//    The store is read-only through the Kz_TRESet*, Kz_CreateObject and
//    Kz_DeleteHandle entries.
//
// ---------------------------------------------------------------------------
// XML files: Kz_DecodeXMLFile reads a plain or packed XML file (through rudu) and
// hands back its text in UTF-8, honouring a byte-order mark or the declared encoding
// (UTF-8, UTF-16, ISO-8859-1, Windows-1252, US-ASCII); a converted text's
// declaration is changed to say UTF-8. Kz_EncodeXMLFile writes a text plain (mode 1) or packed (2);
// the file is committed only when the whole text was written.
//
// Command lines: Kz_CommandLineToArgV splits at blanks and tabs outside double
// quotes; a double quote starts or ends a quoted part ("a b" is one word); inside
// quotes "" is one literal quote; "\" is always literal (it separates folders). An
// unclosed quote runs to the end of the line. Kz_ArgVToCommandLine is the inverse:
// it quotes every word that is empty or holds a blank, a tab or a quote, so that
// splitting its result gives the words back exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__GNUC__)
#define VIDEDODED_API __attribute__((visibility("default")))
#else
#define VIDEDODED_API
#endif

// ---------------------------------------------------------------------------
// Values

// One value of a type file. Cheap to reuse: loading into the same Kz_Value keeps
// its text buffer, so a reader that reuses one value allocates nothing for short
// texts and little for long ones.
struct Kz_Value {
  enum Kind : int32_t { Empty = 0, Long = 1, Double = 2, Text = 3 };
  int32_t kind = Empty;
  int32_t l = 0;    // Long
  double d = 0.0;   // Double
  // Text (UTF-8). For a number read from a type file: the token's text when the
  // writer would form the number otherwise ("007", "0.050000", ".5"), else empty, so
  // that a reader can write an untouched number back as it stood. The writer always
  // forms numbers anew.
  std::string s;
  // A text read from a type file whose bytes are the text as it stands (plain ASCII),
  // or a number that keeps its text in s: where those bytes are in the document, else
  // null. Valid while the document's bytes live (Kz_TXTLastingBytes tells a reader that
  // may hold on to them).
  const char* at = nullptr;

  Kz_Value() = default;
  static Kz_Value FromLong(int32_t v) { Kz_Value r; r.kind = Long; r.l = v; return r; }
  static Kz_Value FromDouble(double v) { Kz_Value r; r.kind = Double; r.d = v; return r; }
  static Kz_Value FromText(std::string v) { Kz_Value r; r.kind = Text; r.s = std::move(v); return r; }
  void SetLong(int32_t v) { kind = Long; l = v; }
  void SetDouble(double v) { kind = Double; d = v; }
  void SetText(std::string_view v) { kind = Text; s.assign(v.data(), v.size()); }
  void Clear() { kind = Empty; l = 0; d = 0.0; s.clear(); at = nullptr; }
};

// Object types (Kz_GetObjectType, Kz_CreateObject).
enum : int32_t {
  kKzTypeFile = 3,       // a loaded type file
  kKzTreDocument = 7,    // a text resource document
  kKzTrePage = 8,        // a page of a document (or of the store)
  kKzTreString = 9,      // a string of a page
  kKzTreStore = 10,      // the description store (handle 1)
};

// Token kinds (Kz_TXTGetTokenType).
enum : int32_t { kKzTokenEnd = -1, kKzTokenContinuation = 2, kKzTokenItem = 6 };

// Value kinds asked of Kz_TXTLoadValue.
enum : int32_t { kKzValueAny = 0, kKzValueNumber = 1, kKzValueText = 3 };
// Added to the kind asked of Kz_TXTLoadValues and Kz_TXTLoadLineValues: a text whose
// bytes stand as they are in the document (Kz_Value::at set) is given by its place
// alone, its length in Kz_Value::l and Kz_Value::s left empty, so that a reader that
// keeps or copies it from there is spared a copy into s. Numbers and other texts are
// given as without it.
inline constexpr int32_t kKzValuePlaced = 0x100;

// Kz_LoadFromFile modes.
enum : int32_t { kKzLoadTypeFile = 1, kKzLoadTextResource = 3 };

// The store's fixed handle.
inline constexpr int32_t kKzStoreHandle = 1;

// Limits.
inline constexpr size_t kTxtMaxLine = 1u << 20;     // bytes in one type-file line
inline constexpr int kTreMaxDepth = 8;              // nesting of string references
inline constexpr size_t kTreMaxText = 64u * 1024u;  // bytes of one processed text

// Error codes (Kz_GetLastError); Kz_TranslateError gives the text.
enum : int32_t {
  kKzErrNone = 0,
  kKzErrInvalidHandle = 1,   // not a live handle
  kKzErrWrongType = 2,       // a live handle of another kind than the entry needs
  kKzErrArgument = 3,        // a bad argument (mode, kind, count, type)
  kKzErrRead = 4,            // the file could not be read
  kKzErrWrite = 5,           // the file could not be written
  kKzErrSyntax = 6,          // a malformed type file or text resource file
  kKzErrXml = 7,             // malformed XML or an unsupported encoding
  kKzErrValue = 8,           // a value of the wrong kind (a text where a number is asked)
  kKzErrEnd = 9,             // no more tokens
  kKzErrRefused = 10,        // a value the writer refuses
  kKzErrNotChild = 11,       // the object is not a child of that parent
  kKzErrReadOnly = 12,       // the store cannot be changed through this entry
  kKzErrMemory = 13,         // out of memory
};

// ---------------------------------------------------------------------------
// Errors

// The code of the last error of this thread (0 = none).
VIDEDODED_API int32_t Kz_GetLastError();
// The text of an error code into buffer (at most size bytes, NUL added when there is
// room); needed (when not null) receives the text's length without the NUL. A call
// with no buffer and size 0 only asks the length. For the last error's own code the
// text is the detailed one (naming lines, values, handles). Returns the number of
// bytes written (0 for a size query).
VIDEDODED_API int32_t Kz_TranslateError(int32_t code, char* buffer, int32_t size, int32_t* needed);

// ---------------------------------------------------------------------------
// Documents and handles

// Loads a document from an open rudu read handle, read from its current position to
// its end: mode 0 or 1 a type file, 3 a text resource document. The document is
// the caller's (free it with Kz_DeleteHandle(0, doc)); it does not refer to the file.
VIDEDODED_API int32_t Kz_LoadFromFile(int32_t file, int32_t mode);
// As Kz_LoadFromFile, then closes the file handle (also on failure). A type file's
// bytes are taken from a read handle rather than copied, so that a large file is not
// held twice while it is loaded.
VIDEDODED_API int32_t Kz_LoadFromFileAndClose(int32_t file, int32_t mode);
// The same from bytes in memory (a type file in Windows-1252, or a text resource
// file in XML).
VIDEDODED_API int32_t Kz_LoadFromBuffer(const void* data, size_t size, int32_t mode);
// The object type of a handle (kKzTypeFile, kKzTreDocument, ...); 0 for no object.
VIDEDODED_API int32_t Kz_GetObjectType(int32_t handle);
// Parent 0: frees the object (a document with all its pages and strings; a page or a
// string is taken out of its parent first). Parent given: takes the child out of that
// parent (a page out of its document, a string out of its page) and frees it; fails
// when the object is not that parent's child. Every handle below a freed object
// becomes stale. Deleting 0 is harmless (returns 1). Nonzero on success.
VIDEDODED_API int32_t Kz_DeleteHandle(int32_t parent, int32_t handle);
// Creates an object: (0, 7) a new empty document; (document, 8) a new page appended to
// it; (page, 9) a new string appended to it. The last argument is reserved (0).
VIDEDODED_API int32_t Kz_CreateObject(int32_t parent, int32_t type, int32_t reserved);
// The children of a container, in order: the pages of a document (or of the store,
// handle 1) or the strings of a page. count (when not null) receives their number;
// when first is not null, min(capacity, count) handles are written there. Nonzero on
// success.
VIDEDODED_API int32_t Kz_EnumObjects(int32_t container, int32_t* first, int32_t capacity, int32_t* count);
// Writes a whole text resource document into an open rudu write handle at its
// position and ends the file after it (older content behind it is cut off). Nonzero
// when every byte was written.
VIDEDODED_API int32_t Kz_SaveToFile(int32_t file, int32_t document);
// The same into a text (the file's bytes).
VIDEDODED_API int32_t Kz_SaveToBuffer(int32_t document, std::string& out);

// ---------------------------------------------------------------------------
// Type files

// Sets the remark flag used by the following loads (0: remark lines are skipped;
// 1: they are data). Returns the previous flag.
VIDEDODED_API int32_t Kz_TXTIgnoreRemarks(int32_t flag);
// Loads the next value (kind 1 number, 3 text, 0 any) into v and moves past it.
// 0 on failure (at the end, or a text where a number is asked); the position stays.
VIDEDODED_API int32_t Kz_TXTLoadValue(int32_t doc, int32_t kind, Kz_Value& v);
// Loads up to `count` values of one kind into values[0..count) as Kz_TXTLoadValue
// would one after another, and gives how many it loaded. Fewer than `count` means the
// next value failed as Kz_TXTLoadValue fails (its error is the last error, the
// position stays before it); 0 with an error on a bad handle or kind.
VIDEDODED_API int32_t Kz_TXTLoadValues(int32_t doc, int32_t kind, Kz_Value* values, int32_t count);
// As Kz_TXTLoadValues, but only values of the current token's line: it stops where that
// line ends, without an error (the position is then the next line's first item, or the
// end). Fewer than `count` with Kz_GetLastError() 0: the line ended; with an error: the
// next value failed. At the end of the file it loads nothing (no error).
VIDEDODED_API int32_t Kz_TXTLoadLineValues(int32_t doc, int32_t kind, Kz_Value* values, int32_t count);
// The kind of the current token: -1 end, 6 item, 2 continuation; 0 on a bad handle.
VIDEDODED_API int32_t Kz_TXTGetTokenType(int32_t doc);
// The current token's value (classified as for kind 0), without moving. A
// continuation token gives an empty text. 0 at the end.
VIDEDODED_API int32_t Kz_TXTGetTokenValue(int32_t doc, Kz_Value& v);
// Moves past n tokens (n >= 0). 0 when the end came first (the position is then the
// end) or on a bad argument.
VIDEDODED_API int32_t Kz_TXTAdvance(int32_t doc, int32_t n);
// The 1-based line of the current token (0 at the end or on a bad handle); for the
// error texts of readers.
VIDEDODED_API int32_t Kz_TXTGetLine(int32_t doc);
// The document's bytes, for a reader that keeps texts where they stand (Kz_Value::at):
// true with the bytes and what keeps them unchanged for as long as it is held, also
// after the document is deleted; false (nothing set) when they may change meanwhile
// (a mapped file that another program could write over) or on a bad handle.
VIDEDODED_API bool Kz_TXTLastingBytes(int32_t doc, std::string_view& bytes, std::shared_ptr<const void>& keep);
// Appends one field (the value and ";") to an open rudu write handle.
VIDEDODED_API int32_t Kz_TXTWriteValue(int32_t file, const Kz_Value& v);
// Appends `count` fields as Kz_TXTWriteValue would one after another, in one driver
// call; gives how many were written. Fewer than `count` means the next was refused or
// the write failed (the last error says which); the fields before it are written.
VIDEDODED_API int32_t Kz_TXTWriteValues(int32_t file, const Kz_Value* values, int32_t count);
// Appends a text unchanged (converted to Windows-1252). Nonzero = done.
VIDEDODED_API int32_t Kz_TXTWriteFile(int32_t file, const std::string& text);
// Appends one field to a byte buffer in the file's encoding, as Kz_TXTWriteValue
// would write it; 0 (and nothing appended) when the value is refused.
VIDEDODED_API int32_t Kz_TXTFormatValue(const Kz_Value& v, std::string& out);

// ---------------------------------------------------------------------------
// Text resources

// The store (handle 1).
VIDEDODED_API int32_t Kz_TREDescServerUnload();
VIDEDODED_API int32_t Kz_TREDescServerLoadFile(int32_t file);
VIDEDODED_API int32_t Kz_TREDescServerLoadBuffer(const void* data, size_t size);
VIDEDODED_API int32_t Kz_TREDescServerTranslateStrings();

// Language of a document, or of the store (handle 1). Kz_TREGetLangID gives 0 on a
// bad handle.
VIDEDODED_API int32_t Kz_TRESetLangID(int32_t handle, int32_t lang);
VIDEDODED_API int32_t Kz_TREGetLangID(int32_t handle);

// The string of a page ID and string ID in a document or the store (1); 0 when
// absent (absence is not an error: Kz_GetLastError stays 0).
VIDEDODED_API int32_t Kz_TREFindString(int32_t container, int32_t page, int32_t id);
// The IDs of a document's (or the store's) pages, or of a page's strings, in their
// order; no handles are handed out for them.
VIDEDODED_API int32_t Kz_TREGetIds(int32_t container, std::vector<int32_t>& ids);
// A string's ID, raw text and processed text.
VIDEDODED_API int32_t Kz_TREGetStringInfo(int32_t str, int32_t& id, std::string& raw, std::string& text);
// Sets a string's ID and raw text; the string must belong to that page. A text with a
// control character other than tab, line feed and carriage return is refused (XML 1.0
// cannot carry it), and so are such characters in a page's title and description.
VIDEDODED_API int32_t Kz_TRESetStringInfo(int32_t page, int32_t str, int32_t id, const std::string& raw);
// The processed form of a raw text as if it stood on that page.
VIDEDODED_API int32_t Kz_TRETranslateString(int32_t page, const std::string& raw, std::string& text);
// A page's ID, title, description and voice flag (1 or 0).
VIDEDODED_API int32_t Kz_TREGetPageInfo(int32_t page, int32_t& id, std::string& title, std::string& desc,
                                        int32_t& voice);
VIDEDODED_API int32_t Kz_TRESetPageInfo(int32_t page, int32_t id, const std::string& title,
                                        const std::string& desc, int32_t voice);

// ---------------------------------------------------------------------------
// XML files and command lines

// Reads a plain or packed XML file into its text (UTF-8). Nonzero on success. With
// byteOrderMark, tells whether the file began with a UTF-8 byte-order mark (which the
// text goes without).
VIDEDODED_API int32_t Kz_DecodeXMLFile(const std::string& path, std::string& text, bool* byteOrderMark = nullptr);
// The same for bytes in memory (the decoding step alone).
VIDEDODED_API int32_t Kz_DecodeXMLBuffer(const void* data, size_t size, std::string& text);
// Writes a text to a file, plain (mode 1) or packed (mode 2). Nonzero when committed.
VIDEDODED_API int32_t Kz_EncodeXMLFile(const std::string& path, const std::string& text, int32_t mode);
// Splits a command line into words (see above). Returns the number of words.
VIDEDODED_API int32_t Kz_CommandLineToArgV(const std::string& cmd, std::vector<std::string>& args);
// Joins words into a command line that Kz_CommandLineToArgV splits back exactly.
VIDEDODED_API int32_t Kz_ArgVToCommandLine(const std::vector<std::string>& args, std::string& cmd);

// The library's version ("major.minor.revision").
extern "C" VIDEDODED_API const char* KzLibraryVersion(void);
