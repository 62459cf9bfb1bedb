#include "PackedReader.h"

#include <algorithm>
#include <cstring>

#include "PackedData.h"

namespace rudu {

namespace {
// zlib counts in 32-bit units: hand it at most this much at a time.
constexpr size_t kStep = 0x40000000;

std::string ZlibWhy(int rc, const z_stream& z) {
  if (rc == Z_BUF_ERROR) return "the packed data is truncated";
  if (rc == Z_MEM_ERROR) return "out of memory while unpacking";
  return std::string("the packed data is corrupt (") + (z.msg ? z.msg : "bad stream") + ")";
}
}  // namespace

PackedReader::~PackedReader() {
  if (started_) inflateEnd(&z_);
}

bool PackedReader::Start(std::string& why) {
  if (started_) {
    inflateEnd(&z_);
    started_ = false;
  }
  z_ = z_stream{};
  if (inflateInit2(&z_, 15 + 16) != Z_OK) {
    why = "the unpacker could not start";
    return false;
  }
  started_ = true;
  z_.next_in = packed_.data();
  z_.avail_in = static_cast<uInt>(packed_.size());
  streamPos_ = 0;
  windowStart_ = 0;
  window_.clear();
  return true;
}

bool PackedReader::Produce(uint8_t* out, size_t count, std::string& why) {
  while (count > 0) {
    z_.next_out = out;
    z_.avail_out = static_cast<uInt>(std::min(count, kStep));
    const uInt before = z_.avail_out;
    const int rc = inflate(&z_, Z_NO_FLUSH);
    const size_t made = before - z_.avail_out;
    out += made;
    count -= made;
    streamPos_ += made;
    if (rc == Z_STREAM_END) {
      if (z_.avail_in == 0 || !PackedData::IsPacked(z_.next_in, z_.avail_in)) {
        if (count == 0) return true;
        why = "the packed data ends early";
        return false;
      }
      inflateReset(&z_);  // the next member goes on with the content
      continue;
    }
    if (rc == Z_OK || (rc == Z_BUF_ERROR && z_.avail_out == 0)) continue;
    why = ZlibWhy(rc, z_);
    return false;
  }
  return true;
}

bool PackedReader::Open(std::vector<uint8_t> packed, std::string& why) {
  packed_ = std::move(packed);
  size_ = 0;
  if (!PackedData::IsPacked(packed_.data(), packed_.size())) {
    why = "the data is not packed";
    return false;
  }
  if (packed_.size() > PackedData::kMaxSize) {
    why = "the packed data is too large";
    return false;
  }
  if (!Start(why)) return false;
  std::vector<uint8_t> scratch(256 * 1024);
  for (;;) {
    z_.next_out = scratch.data();
    z_.avail_out = static_cast<uInt>(scratch.size());
    const int rc = inflate(&z_, Z_NO_FLUSH);
    size_ += scratch.size() - z_.avail_out;
    if (size_ > PackedData::kMaxSize) {
      why = "the unpacked content is larger than 2^31-1 bytes";
      return false;
    }
    if (rc == Z_STREAM_END) {
      if (z_.avail_in == 0) break;
      if (!PackedData::IsPacked(z_.next_in, z_.avail_in)) {
        why = "there are " + std::to_string(z_.avail_in) + " bytes after the packed data";
        return false;
      }
      inflateReset(&z_);
      continue;
    }
    if (rc == Z_OK || (rc == Z_BUF_ERROR && z_.avail_out == 0)) continue;
    why = ZlibWhy(rc, z_);
    return false;
  }
  return Start(why);
}

bool PackedReader::Read(size_t at, uint8_t* out, size_t count, std::string& why) {
  if (at >= windowStart_ && at < streamPos_) {
    const size_t n = std::min(count, streamPos_ - at);
    std::memcpy(out, window_.data() + (at - windowStart_), n);
    at += n;
    out += n;
    count -= n;
  }
  if (count == 0) return true;
  if (at < streamPos_ && !Start(why)) return false;
  while (streamPos_ < at) {  // skip to the offset, keeping the last bytes passed
    const size_t n = std::min(kWindow, at - streamPos_);
    window_.resize(n);
    windowStart_ = streamPos_;
    if (!Produce(window_.data(), n, why)) return false;
  }
  if (!Produce(out, count, why)) return false;
  const size_t keep = std::min(count, kWindow);
  window_.assign(out + count - keep, out + count);
  windowStart_ = streamPos_ - keep;
  return true;
}

}  // namespace rudu
