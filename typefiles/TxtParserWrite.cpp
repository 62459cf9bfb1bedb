// Writing type files: a save formed in memory (in parts by several threads for a large
// file) and handed to the file driver, each layout the inverse of its reader.
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/KzConst.h"
#include "core/LibBindings.h"
#include "core/PagePool.h"
#include "FileObject.h"
#include "rudu.h"
#include "typefiles/TxtParser.h"
#include "videdoded.h"
#include "TxtFields.h"

namespace {

// The least size of each part of a save formed by several threads.
std::atomic<size_t> g_savePartBytes{clsTxtParser::kDefaultSavePartBytes};
constexpr const char* kCrLf = "\r\n";

using kz::AppError;
using kz::Variant;
using namespace mdlKzConst;

// A value as the writer takes it.
bool ToKz(const Variant& v, Kz_Value& out) {
  switch (v.Kind()) {
    case kz::VariantKind::Empty: out.SetText(""); return true;
    case kz::VariantKind::Integer: out.SetLong(v.AsInteger()); return true;
    case kz::VariantKind::Long: out.SetLong(v.AsLong()); return true;
    case kz::VariantKind::Single: out.SetDouble(v.AsSingle()); return true;
    case kz::VariantKind::Double: out.SetDouble(v.AsDouble()); return true;
    case kz::VariantKind::String: out.SetText(v.AsString()); return true;
    case kz::VariantKind::Boolean: out.SetLong(v.AsBoolean() ? -1 : 0); return true;
    default: return false;
  }
}

// A whole number that a count or number field reads back as the same value.
bool WholeNumber(const Variant& v, int32_t& out) {
  if (!v.IsNumeric()) return false;
  double d = v.NumberValue();
  if (!std::isfinite(d) || d != std::floor(d) || d < std::numeric_limits<int32_t>::min() ||
      d > std::numeric_limits<int32_t>::max())
    return false;
  out = static_cast<int32_t>(d);
  return true;
}

std::string RecordLabel(const clsTXTObject& r) {
  return "record " + std::to_string(r.index + 1) + " (\"" + r.ObjectName() + "\")";
}

// The buffers the parts of a large save are formed in, kept for the next save (no more
// than kKeptPartBytes of them): a buffer taken anew costs the kernel a cleared page for
// every page formed into it, one formed into before costs nothing.
constexpr size_t kKeptPartBytes = size_t{64} << 20;
struct KeptParts {
  std::mutex mutex;
  std::vector<kz::LargeVector<char>> buffers;
  size_t bytes = 0;  // their capacity, all together
};
KeptParts& Kept() {
  static KeptParts* kept = new KeptParts;  // never destroyed: a save may run past the statics
  return *kept;
}

// An empty buffer with room for at least `room` bytes: the smallest kept one that has
// it, else the largest kept one (grown), else a new one.
kz::LargeVector<char> TakePartBuffer(size_t room) {
  kz::LargeVector<char> out;
  {
    KeptParts& k = Kept();
    std::lock_guard<std::mutex> lock(k.mutex);
    size_t pick = k.buffers.size();
    for (size_t i = 0; i < k.buffers.size(); ++i) {
      const size_t cap = k.buffers[i].capacity();
      if (pick == k.buffers.size()) {
        pick = i;
        continue;
      }
      const size_t best = k.buffers[pick].capacity();
      if (best >= room ? (cap >= room && cap < best) : cap > best) pick = i;
    }
    if (pick < k.buffers.size()) {
      out.swap(k.buffers[pick]);
      k.buffers.erase(k.buffers.begin() + static_cast<std::ptrdiff_t>(pick));
      k.bytes -= out.capacity();
    }
  }
  out.reserve(room);
  return out;
}

// Keeps a part's buffer for the next save, while the kept ones stay within
// kKeptPartBytes; else lets it go.
void GivePartBuffer(kz::LargeVector<char>& buffer) noexcept {
  kz::LargeVector<char> b;
  b.swap(buffer);
  b.clear();
  if (b.capacity() == 0 || b.capacity() > kKeptPartBytes) return;
  KeptParts& k = Kept();
  std::lock_guard<std::mutex> lock(k.mutex);
  if (k.bytes + b.capacity() > kKeptPartBytes) return;
  try {
    k.buffers.push_back(std::move(b));
    k.bytes += k.buffers.back().capacity();
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace

// Where a save's bytes are formed: a block that stays in the cache, handed on to the
// target (a string, or a write handle's content) whenever it fills and at the end.
class clsTxtParser::Sink {
 public:
  using Flush = void (*)(void* target, const char* bytes, size_t n);
  Sink(Flush flush, void* target) : flush_(flush), target_(target), block_(kBlock) {
    at_ = block_.data();
    end_ = at_ + block_.size();
  }
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  // Room for n bytes at the write position; Done(end) takes what was written there.
  char* Room(size_t n) {
    if (static_cast<size_t>(end_ - at_) < n) Spill(n);
    return at_;
  }
  void Done(char* to) { at_ = to; }
  // The end of the room at the write position.
  char* Limit() const { return end_; }
  void Put(char c) { *Room(1) = c, ++at_; }
  void Append(std::string_view text) {
    std::memcpy(Room(text.size()), text.data(), text.size());
    at_ += text.size();
  }
  // The bytes formed so far.
  size_t Size() const { return handed_ + static_cast<size_t>(at_ - block_.data()); }
  // Drops the last byte when it is c. Right after a field was formed it is in the block.
  void DropLast(char c) {
    if (at_ > block_.data() && at_[-1] == c) --at_;
  }
  // Hands on what is left in the block.
  void Finish() { Hand(); }
  // Hands on a large run of bytes as it stands (after what the block holds).
  void AppendWhole(std::string_view bytes) {
    Hand();
    if (!bytes.empty()) flush_(target_, bytes.data(), bytes.size());
    handed_ += bytes.size();
  }

  static void ToString(void* target, const char* bytes, size_t n) { static_cast<std::string*>(target)->append(bytes, n); }
  static void ToLarge(void* target, const char* bytes, size_t n) {
    auto* v = static_cast<kz::LargeVector<char>*>(target);
    v->insert(v->end(), bytes, bytes + n);
  }
  // A failed append is kept by the stream, and reported when the write ends.
  static void ToStream(void* target, const char* bytes, size_t n) {
    static_cast<rudu::ContentStream*>(target)->Append(bytes, n);
  }
  static void ToBytes(void* target, const char* bytes, size_t n) {
    auto* v = static_cast<std::vector<uint8_t>*>(target);
    const auto* p = reinterpret_cast<const uint8_t*>(bytes);
    v->insert(v->end(), p, p + n);
  }

 private:
  static constexpr size_t kBlock = size_t{64} << 10;

  void Hand() {
    const size_t n = static_cast<size_t>(at_ - block_.data());
    if (n) flush_(target_, block_.data(), n);
    handed_ += n;
    at_ = block_.data();
  }
  void Spill(size_t n) {
    Hand();
    if (block_.size() < n) block_.resize(n);
    at_ = block_.data();
    end_ = at_ + block_.size();
  }

  Flush flush_;
  void* target_;
  std::vector<char> block_;
  char* at_ = nullptr;
  char* end_ = nullptr;
  size_t handed_ = 0;
};

// A field's bytes as they stand, and its ";".
inline bool clsTxtParser::PutField(Sink& out, std::string_view bytes) {
  char* at = out.Room(bytes.size() + 1);
  std::memcpy(at, bytes.data(), bytes.size());
  at[bytes.size()] = ';';
  out.Done(at + bytes.size() + 1);
  return true;
}

// The common values are formed here with the writer's own rules (TxtFields.h); texts
// that are not plain ASCII, values the writer refuses and other kinds go through the
// library's formatter, which gives the same bytes and the reason of a refusal.
[[gnu::always_inline]] inline bool clsTxtParser::FormatView(const clsTXTObject::ValueView& v,
                                                           const clsTXTObject& record, int32_t field, Sink& out,
                                                           std::string& error) {
  switch (v.kind) {
    case kz::VariantKind::Empty: out.Put(';'); return true;
    case kz::VariantKind::Integer:
    case kz::VariantKind::Long:
    case kz::VariantKind::Boolean:
      if (v.textSize) return PutField(out, v.text());  // as it was read
      out.Done(videdoded::WriteLongField(out.Room(12), v.whole));
      return true;
    case kz::VariantKind::Single:
    case kz::VariantKind::Double:
      if (v.textSize) return PutField(out, v.text());
      if (char* end = videdoded::WriteDoubleField(out.Room(videdoded::kNumberFieldMax), v.number)) {
        out.Done(end);
        return true;
      }
      break;
    case kz::VariantKind::String:
      if (videdoded::PlainAsciiField(v.text())) return PutField(out, v.text());
      break;
    default: break;
  }
  return FormatValue(record.Value(field), out, record, field, error);
}

bool clsTxtParser::FormatCell(const clsTXTObject& record, int32_t field, Sink& out, std::string& error) {
  clsTXTObject::ValueView v;
  if (record.ViewValues(field, 1, &v) != 1) return FormatValue(record.Value(field), out, record, field, error);
  return FormatView(v, record, field, out, error);
}

bool clsTxtParser::FormatCells(const clsTXTObject& record, int32_t first, int32_t end, Sink& out,
                               std::string& error) {
  // Runs of common values are formed by the record itself; the others one by one here.
  constexpr size_t kRoom = 2 * videdoded::kNumberFieldMax;
  for (int32_t at = first; at < end;) {
    char* to = out.Room(kRoom);
    const int32_t next = record.FormFields(at, end, to, out.Limit());
    out.Done(to);
    if (next != at) {
      at = next;
    } else {
      if (!FormatCell(record, at, out, error)) return false;
      ++at;
    }
  }
  return true;
}

bool clsTxtParser::FormatValue(const Variant& v, Sink& out, const clsTXTObject& record, int32_t field,
                               std::string& error) {
  // Per thread: parts of a large file are formed by several at once.
  static thread_local Kz_Value value;
  static thread_local std::string spill;
  spill.clear();
  if (!ToKz(v, value) || Kz_TXTFormatValue(value, spill) == 0) {
    std::string why = v.IsObject() ? std::string("an object reference cannot be written") : LibraryError();
    error = "Cannot write " + RecordLabel(record) + ", field " + std::to_string(field) + ": " +
            (why.empty() ? "value refused" : why);
    return false;
  }
  out.Append(spill);
  return true;
}

bool clsTxtParser::WritableValue(const Variant& v, std::string& why) {
  Kz_Value value;
  std::string out;
  if (ToKz(v, value) && Kz_TXTFormatValue(value, out) != 0) return true;
  why = v.IsObject() ? std::string("An object reference cannot be written.") : LibraryError();
  if (why.empty()) why = "The value cannot be written.";
  return false;
}

bool clsTxtParser::FormatGeneric(Sink& out) {
  out.Append("// Created with " + kz::GetAppTitleVersion() + kCrLf);
  if (!FormatVersion(out)) return false;
  // The count as it was read while it still holds.
  if (!countText_.empty() && Count() == countRead_)
    out.Append(countText_ + ";");
  else if (!FormatValue(Variant(Count()), out, clsTXTObject(), 1, lastError_))
    return false;
  out.Append(kCrLf);
  std::vector<const clsTXTObject*> records;
  records.reserve(static_cast<size_t>(Count()));
  for (const auto& r : UnsortedObjects) records.push_back(r.get());
  return FormatLinesInParts(records, out);
}

bool clsTxtParser::FormatLines(const std::vector<const clsTXTObject*>& records, size_t from, size_t to, Sink& out,
                               std::string& error) {
  for (size_t k = from; k < to; ++k) {
    const clsTXTObject& r = *records[k];
    if (!FormatCells(r, 0, r.size(), out, error)) return false;
    out.Append(kCrLf);
  }
  return true;
}

void clsTxtParser::SetSavePartBytes(size_t bytes) noexcept { g_savePartBytes = bytes; }

namespace {

// The threads a save may form parts on: the processors this process may run on.
size_t SaveThreads() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return static_cast<size_t>(CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

// A large file is formed in parts, in file order, by this thread and up to three more.
// Each part is taken by whichever thread comes to it first: the others form theirs into
// a buffer of its own (kept for the next save, see TakePartBuffer), which this thread
// hands on when it comes to that part; a part this thread takes is formed straight into
// `out`. So this thread forms whenever no part is ready to be handed on, and never
// waits while a part is left to form. A refusal reported is the one of the first part
// that failed: the first in the file.
bool clsTxtParser::FormatLinesInParts(const std::vector<const clsTXTObject*>& records, Sink& out) {
  constexpr size_t kMostThreads = 4;
  constexpr size_t kMostParts = 64;
  const size_t n = records.size();
  const size_t bytes = n >= 64 ? SaveSizeHint() : 0;
  const size_t parts = std::min({bytes / std::max<size_t>(1, g_savePartBytes), kMostParts, n});
  const size_t helpers = std::min(SaveThreads(), kMostThreads) - 1;
  if (parts <= 1 || helpers == 0) return FormatLines(records, 0, n, out, lastError_);

  enum : int { kOpen, kTaken, kFormed };
  struct Part {
    std::atomic<int> state{kOpen};
    kz::LargeVector<char> bytes;
    std::string error;
    bool ok = false;
    std::exception_ptr thrown;
  };
  std::vector<Part> all(parts);
  std::atomic<size_t> next{1};
  std::atomic<bool> stop{false};
  auto first = [&](size_t k) { return n * k / parts; };
  auto take = [&all](size_t k) {
    int open = kOpen;
    return all[k].state.compare_exchange_strong(open, kTaken, std::memory_order_acq_rel);
  };
  // Forms part k, taken, into its buffer.
  auto formApart = [&, room = bytes / parts + 4096](size_t k) {
    Part& p = all[k];
    try {
      p.bytes = TakePartBuffer(room);
      Sink sink(Sink::ToLarge, &p.bytes);
      p.ok = FormatLines(records, first(k), first(k + 1), sink, p.error);
      sink.Finish();
    } catch (...) {
      p.thrown = std::current_exception();
    }
    p.state.store(kFormed, std::memory_order_release);
    p.state.notify_all();
  };
  // A helper: takes the next part no one has and forms it, and so on.
  auto help = [&] {
    for (size_t k; !stop.load(std::memory_order_relaxed) && (k = next.fetch_add(1)) < parts;)
      if (take(k)) formApart(k);
  };
  std::vector<std::thread> threads;
  struct JoinAll {
    std::vector<std::thread>& threads;
    std::vector<Part>& parts;
    std::atomic<bool>& stop;
    ~JoinAll() {
      stop = true;
      for (std::thread& t : threads) t.join();
      for (Part& p : parts) GivePartBuffer(p.bytes);
    }
  } joinAll{threads, all, stop};
  threads.reserve(helpers);
  for (size_t t = 0; t < helpers; ++t) {
    try {
      threads.emplace_back(help);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the parts left are formed here
    }
  }
  all[0].state.store(kTaken, std::memory_order_relaxed);
  for (size_t k = 0; k < parts;) {
    Part& p = all[k];
    if (k == 0 || take(k)) {
      if (!FormatLines(records, first(k), first(k + 1), out, lastError_)) return false;
      ++k;
      continue;
    }
    if (p.state.load(std::memory_order_acquire) == kTaken) {
      // Still being formed: a later part no one has is formed here meanwhile.
      if (const size_t later = next.fetch_add(1); later < parts) {
        if (take(later)) formApart(later);
        continue;
      }
      p.state.wait(kTaken, std::memory_order_acquire);
    }
    ++k;
    if (p.thrown) std::rethrow_exception(p.thrown);
    if (!p.ok) {
      SetError(std::move(p.error));
      return false;
    }
    out.AppendWhole(std::string_view(p.bytes.data(), p.bytes.size()));
    GivePartBuffer(p.bytes);
  }
  return true;
}

// The version as it was read (it does not change).
bool clsTxtParser::FormatVersion(Sink& out) {
  if (versionText_.empty()) return FormatValue(Variant(version_), out, clsTXTObject(), 0, lastError_);
  out.Append(versionText_ + ";");
  return true;
}

bool clsTxtParser::FormatJobs(Sink& out) {
  if (!FormatVersion(out)) return false;
  out.Append(kCrLf);
  for (const auto& r : UnsortedObjects) {
    int32_t n = r->size();
    if (n == 0) {
      SetError("Cannot write " + RecordLabel(*r) + ": the record has no values");
      return false;
    }
    if (!FormatCells(*r, 0, n - 1, out, lastError_)) return false;
    // The last field stands as it was read: without a separator after it. A last field
    // that is empty or only blanks keeps its separator: without it the reader would
    // find no field there and take the next line's first field in its place.
    size_t mark = out.Size();
    if (!FormatCell(*r, n - 1, out, lastError_)) return false;
    const kz::VariantKind lastKind = r->KindAt(n - 1);
    const bool blankLast = (lastKind == kz::VariantKind::Empty || lastKind == kz::VariantKind::String) &&
                           r->TextAt(n - 1).find_first_not_of(" \t") == std::string_view::npos;
    if (out.Size() > mark && !blankLast) out.DropLast(';');
    out.Append(kCrLf);
  }
  return true;
}

bool clsTxtParser::FormatJobWings(Sink& out) {
  out.Append("// Created with " + kz::GetAppTitleVersion() + kCrLf);
  for (const auto& r : UnsortedObjects) {
    const std::vector<Variant> values = r->Values();
    if (values.size() < 2) {
      SetError("Cannot write " + RecordLabel(*r) + ": a job wing needs a number and at least one item");
      return false;
    }
    for (size_t i = 0; i < values.size(); ++i) {
      int32_t n = 0;
      if (!WholeNumber(values[i], n)) {
        SetError("Cannot write " + RecordLabel(*r) + ", field " + std::to_string(i) + ": " + kz::CStr(values[i]) +
                 " is not a whole number");
        return false;
      }
      // A whole number keeps the text it was read from.
      const int32_t field = static_cast<int32_t>(i);
      const bool asRead = !r->NumberTextAt(field).empty() && r->KindAt(field) == kz::VariantKind::Long;
      if (!(asRead ? FormatCell(*r, field, out, lastError_) : FormatValue(Variant(n), out, *r, field, lastError_)))
        return false;
    }
    out.Append(kCrLf);
  }
  return true;
}

bool clsTxtParser::FormatWareLists(Sink& out) {
  out.Append("// Created with " + kz::GetAppTitleVersion() + kCrLf);
  if (!FormatValue(Variant(Count()), out, clsTXTObject(), 0, lastError_)) return false;
  out.Append(kCrLf);
  for (const auto& r : UnsortedObjects) {
    if (!FormatValue(Variant(r->size()), out, *r, -1, lastError_)) return false;
    for (int32_t i = 0, n = r->size(); i < n; ++i) {
      bool ok = r->KindAt(i) == kz::VariantKind::String ? FormatCell(*r, i, out, lastError_)
                                                        : FormatValue(Variant(kz::CStr(r->Value(i))), out, *r, i, lastError_);
      if (!ok) return false;
    }
    out.Append(kCrLf);
  }
  return true;
}

bool clsTxtParser::FormatTo(Sink& out) {
  switch (otype_) {
    case kIconData:
      SetError("IconData files cannot be saved: their layout is read only in part.");
      return false;
    case kJobs: return FormatJobs(out);
    case kJobWings: return FormatJobWings(out);
    case kWareLists: return FormatWareLists(out);
    default: return FormatGeneric(out);
  }
}

bool clsTxtParser::FormatFile(std::string& out) {
  out.clear();
  out.reserve(SaveSizeHint());
  Sink sink(Sink::ToString, &out);
  if (!FormatTo(sink)) return false;
  sink.Finish();
  lastSaveSize_ = out.size();
  return true;
}

size_t clsTxtParser::SaveSizeHint() {
  const size_t count = static_cast<size_t>(Count());
  if (lastSaveSize_ != 0) return lastSaveSize_ + lastSaveSize_ / 32 + 256;
  constexpr size_t kSample = 32;
  if (count < kSample * 4) return count * 128 + 256;
  // The lines of records spread over the file, formed once to be measured.
  std::string sample;
  Sink sink(Sink::ToString, &sample);
  std::string ignored;  // a refusal is reported by the save itself
  size_t measured = 0;
  for (size_t k = 0; k < kSample; ++k) {
    const clsTXTObject& r = *UnsortedObjects.Item(static_cast<int32_t>(k * count / kSample) + 1);
    FormatCells(r, 0, r.size(), sink, ignored);
    measured += 2;  // the line end
  }
  measured += sink.Size();
  return measured * count / kSample + measured * count / kSample / 16 + 256;
}

bool clsTxtParser::Save(int32_t fileHandle) {
  // A failed save leaves the target as it was: the write handle is dropped without
  // committing, so closing it afterwards writes nothing.
  auto fail = [&](std::string text) {
    SetError(std::move(text));
    rudu::DiscardFile(fileHandle);
    return false;
  };
  auto driverError = [] {
    std::string error = kz::GetRuDUError();
    return error.empty() ? std::string("Error writing file.") : error;
  };
  try {
    // The save goes straight to the file's temporary file as it is formed, which the
    // handle puts in place when it commits at close (a plain file), or it is formed whole
    // in the write handle's content, written when the handle commits.
    if (rudu::ContentStream* stream = rudu::BeginWriteThrough(fileHandle)) {
      Sink sink(Sink::ToStream, stream);
      if (!FormatTo(sink)) return fail(lastError_);
      sink.Finish();
      lastSaveSize_ = sink.Size();
      if (rudu::EndWriteThrough(fileHandle) == 0) return fail(driverError());
    } else if (std::vector<uint8_t>* content = rudu::BeginWriteInPlace(fileHandle, SaveSizeHint())) {
      Sink sink(Sink::ToBytes, content);
      if (!FormatTo(sink)) return fail(lastError_);
      sink.Finish();
      lastSaveSize_ = sink.Size();
      if (rudu::EndWriteInPlace(fileHandle) == 0) return fail(driverError());
    } else {
      // Not a live write handle: the content is formed first, so that a refused value is
      // reported before the driver's own complaint about the handle.
      std::string out;
      if (!FormatFile(out)) return fail(lastError_);
      constexpr size_t kChunk = size_t{1} << 24;
      for (size_t at = 0; at < out.size(); at += kChunk) {
        int32_t n = static_cast<int32_t>(std::min(kChunk, out.size() - at));
        if (RuDU_WriteFile(fileHandle, out.data() + at, n) != n) return fail(driverError());
      }
      if (RuDU_SetEndOfFile(fileHandle) == 0) return fail(driverError());
    }
  } catch (const std::bad_alloc&) {
    return fail("Out of memory");
  } catch (const AppError& e) {
    return fail(e.Description);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  modified_ = false;
  for (auto& r : UnsortedObjects) r->Dirty = false;
  for (auto& r : objects) r->Dirty = false;
  return true;
}
