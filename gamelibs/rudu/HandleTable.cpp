#include "HandleTable.h"

#include <mutex>
#include <unordered_map>

namespace rudu {

HandleObject::~HandleObject() = default;

namespace {

struct Entry {
  std::shared_ptr<HandleObject> object;
  int32_t kind;
};

struct Table {
  std::mutex lock;
  std::unordered_map<int32_t, Entry> entries;
  int32_t next = 2;  // 1 is the description store's
};

Table& table() {
  static Table* t = new Table;  // never destroyed: handles may be closed during exit
  return *t;
}

}  // namespace

int32_t HandleAdd(std::shared_ptr<HandleObject> object, int32_t kind) {
  if (!object) return 0;
  Table& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  if (t.next == INT32_MAX) return 0;
  int32_t h = t.next++;
  t.entries.emplace(h, Entry{std::move(object), kind});
  return h;
}

bool HandleAddFixed(int32_t handle, std::shared_ptr<HandleObject> object, int32_t kind) {
  if (!object || handle <= 0 || handle >= 2) return false;
  Table& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  return t.entries.emplace(handle, Entry{std::move(object), kind}).second;
}

std::shared_ptr<HandleObject> HandleGet(int32_t handle, int32_t kind) {
  if (handle == 0) return nullptr;
  Table& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  auto it = t.entries.find(handle);
  if (it == t.entries.end()) return nullptr;
  if (kind != kAnyKind && it->second.kind != kind) return nullptr;
  return it->second.object;
}

int32_t HandleKindOf(int32_t handle) {
  Table& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  auto it = t.entries.find(handle);
  return it == t.entries.end() ? 0 : it->second.kind;
}

bool HandleRemove(int32_t handle) {
  std::shared_ptr<HandleObject> keep;  // released outside the lock
  Table& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  auto it = t.entries.find(handle);
  if (it == t.entries.end()) return false;
  keep = std::move(it->second.object);
  t.entries.erase(it);
  return true;
}

int32_t HandleCount() {
  Table& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  return static_cast<int32_t>(t.entries.size());
}

}  // namespace rudu
