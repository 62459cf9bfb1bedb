#include "SampleData.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

#include "rudu/rudu.h"

namespace kzsample {

namespace {

std::map<std::string, Generator>& Generators() {
  static std::map<std::string, Generator> g;
  return g;
}

std::string DriverError() {
  int32_t code = RuDU_GetLastError();
  int32_t needed = 0;
  RuDU_TranslateError(code, nullptr, 0, &needed);
  if (needed <= 0) return "unknown error";
  std::string text(static_cast<size_t>(needed), ' ');
  RuDU_TranslateError(code, text.data(), needed, &needed);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  return text;
}

bool MakeFolders(const std::string& path, std::string& error) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at < path.size() && path[at] != '/') continue;
    std::string part = path.substr(0, at);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
      error = "Cannot create folder \"" + part + "\": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

}  // namespace

bool RegisterGenerator(const char* name, Generator fn) {
  Generators()[name] = fn;
  return true;
}

SampleWriter::SampleWriter(std::string root) : root_(std::move(root)) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
}

bool SampleWriter::MakeFolder(const std::string& rel) { return MakeFolders(root_ + "/" + rel, error_); }

bool SampleWriter::Write(const std::string& path, std::string_view content, int form) {
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && path.find("::") == std::string::npos && !MakeFolders(path.substr(0, slash), error_))
    return false;
  int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, form);
  if (f == 0) {
    error_ = "Cannot write \"" + path + "\": " + DriverError();
    return false;
  }
  const int32_t n = static_cast<int32_t>(content.size());
  if ((n > 0 && RuDU_WriteFile(f, content.data(), n) != n) || !RuDU_SetEndOfFile(f) || !RuDU_CloseFile(f)) {
    error_ = "Cannot write \"" + path + "\": " + DriverError();
    return false;
  }
  ++written_;
  return true;
}

bool SampleWriter::WritePlain(const std::string& rel, std::string_view content) {
  return Write(root_ + "/" + rel, content, 1);
}

bool SampleWriter::WritePacked(const std::string& rel, std::string_view content) {
  return Write(root_ + "/" + rel, content, 2);
}

bool SampleWriter::WriteCatalog(const std::string& rel, const std::vector<Entry>& entries) {
  const std::string cat = root_ + "/" + rel;
  size_t slash = cat.rfind('/');
  if (!MakeFolders(cat.substr(0, slash), error_)) return false;
  // Start afresh so that running again does not add lines to the catalog.
  std::string dat = cat.substr(0, cat.size() - (cat.size() >= 4 && cat.compare(cat.size() - 4, 4, ".cat") == 0 ? 4 : 0)) + ".dat";
  for (const std::string& p : {cat, dat})
    if (RuDU_FileExists(p.c_str()) && !RuDU_DeleteFile(p.c_str())) {
      error_ = "Cannot replace \"" + p + "\": " + DriverError();
      return false;
    }
  for (const Entry& e : entries)
    if (!Write(cat + "::" + e.inner, e.content, e.packed ? 2 : 1)) return false;
  return true;
}

std::string TypeFileText(int version, const std::vector<std::vector<std::string>>& records) {
  std::string out = "// Sample data written by kz_sampledata\r\n";
  out += std::to_string(version) + ";" + std::to_string(records.size()) + ";\r\n";
  for (const auto& r : records) {
    for (const std::string& v : r) out += v + ";";
    out += "\r\n";
  }
  return out;
}

bool WriteSampleData(const std::string& root, std::string& error, int& files) {
  SampleWriter out(root);
  if (!MakeFolders(out.Root(), error)) return false;
  for (const auto& [name, fn] : Generators()) {
    if (!fn(out)) {
      error = name + ": " + out.Error();
      return false;
    }
  }
  files = out.FilesWritten();
  return true;
}

}  // namespace kzsample
