#include "core/containers.h"

void StringSet::reset(int n) {
  if (n < 0) n = 0;
  buckets_.clearAndSetCount(n);
  count_ = 0;
  head_ = tail_ = nullptr;
}

List<StringSet::Entry>* StringSet::bucketFor(const String& key) {
  const int n = buckets_.count();
  if (n <= 0) return nullptr;
  return &buckets_[static_cast<int>(key.checksum() % static_cast<uint32_t>(n))];
}

StringSet::Entry* StringSet::find(const String& key) {
  List<Entry>* list = bucketFor(key);
  if (list == nullptr) return nullptr;
  for (Entry& entry : *list)
    if (entry.key == key) return &entry;
  return nullptr;
}

bool StringSet::insert(const String& key, bool flag) {
  List<Entry>* list = bucketFor(key);
  if (list == nullptr) return false;
  for (Entry& entry : *list) {
    if (entry.key == key) {
      entry.value = flag;
      return false;
    }
  }
  Entry* entry = list->addLast(Entry{key, list, nullptr, head_, flag});
  if (head_ != nullptr) head_->previous = entry;
  else tail_ = entry;
  head_ = entry;
  ++count_;
  return true;
}
