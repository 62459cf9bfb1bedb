#include "PackedData.h"

#include <zlib.h>

#include <algorithm>

namespace rudu {

bool PackedData::IsPacked(const uint8_t* data, size_t size) {
  return size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
}

bool PackedData::Unpack(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& why) {
  out.clear();
  if (!IsPacked(data, size)) {
    why = "the data is not packed";
    return false;
  }
  if (size > kMaxSize) {
    why = "the packed data is too large";
    return false;
  }
  // The trailer's length field (modulo 2^32) is a good first guess of the size.
  size_t guess = size * 4;
  if (size >= 18) {
    const uint8_t* t = data + size - 4;
    size_t isize = static_cast<size_t>(t[0]) | static_cast<size_t>(t[1]) << 8 |
                   static_cast<size_t>(t[2]) << 16 | static_cast<size_t>(t[3]) << 24;
    if (isize <= size * 1100 + 1024) guess = isize;
  }
  guess = std::clamp<size_t>(guess, 64, kMaxSize);
  out.resize(guess);

  z_stream z{};
  if (inflateInit2(&z, 15 + 16) != Z_OK) {
    why = "the unpacker could not start";
    return false;
  }
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  size_t produced = 0;
  bool ok = false;
  for (;;) {
    if (produced == out.size()) {
      if (out.size() >= kMaxSize) {
        why = "the unpacked content is larger than 2^31-1 bytes";
        break;
      }
      out.resize(std::min(kMaxSize, out.size() * 2));
    }
    z.next_out = out.data() + produced;
    z.avail_out = static_cast<uInt>(std::min<size_t>(out.size() - produced, 0x40000000));
    const uInt before = z.avail_out;
    int rc = inflate(&z, Z_NO_FLUSH);
    produced += before - z.avail_out;
    if (rc == Z_STREAM_END) {
      if (z.avail_in == 0) {
        ok = true;
        break;
      }
      if (!IsPacked(z.next_in, z.avail_in)) {
        why = "there are " + std::to_string(z.avail_in) + " bytes after the packed data";
        break;
      }
      inflateReset(&z);
      continue;
    }
    if (rc == Z_OK) continue;
    if (rc == Z_BUF_ERROR && z.avail_out == 0) continue;
    if (rc == Z_BUF_ERROR) {
      why = "the packed data is truncated";
    } else if (rc == Z_MEM_ERROR) {
      why = "out of memory while unpacking";
    } else {
      why = std::string("the packed data is corrupt (") + (z.msg ? z.msg : "bad stream") + ")";
    }
    break;
  }
  inflateEnd(&z);
  if (!ok) {
    out.clear();
    return false;
  }
  out.resize(produced);
  return true;
}

bool PackedData::Pack(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& why) {
  out.clear();
  if (size > kMaxSize) {
    why = "the content is larger than 2^31-1 bytes";
    return false;
  }
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    why = "the packer could not start";
    return false;
  }
  out.resize(deflateBound(&z, static_cast<uLong>(size)) + 64);
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  int rc = deflate(&z, Z_FINISH);
  size_t produced = out.size() - z.avail_out;
  deflateEnd(&z);
  if (rc != Z_STREAM_END) {
    out.clear();
    why = "the content could not be packed";
    return false;
  }
  out.resize(produced);
  return true;
}

}  // namespace rudu
