#include "core/container_core.h"

#include <limits.h>
#include <string.h>

#include "core/core32.h"
#include "core/fatal.h"

namespace {

intptr_t address(ListLink* node) { return reinterpret_cast<intptr_t>(node); }
ListLink* nodeAt(intptr_t position) { return reinterpret_cast<ListLink*>(position); }

int positiveModulo(int n, int m) {
  const int k = n % m;
  return k < 0 ? k + m : k;
}

// Bytes for `slots` slots of `size` bytes; a count that cannot be
// represented is the out-of-memory report.
size_t blockBytes(int slots, size_t size) {
  const size_t limit = (sizeof(size_t) < 8) ? 0x7FFFFFFFu : size_t(uint64_t(1) << 48);
  if (slots < 0 || size_t(slots) > limit / size) outOfMemory(slots < 0 ? 0 : size_t(-1));
  return size_t(slots) * size;
}

// n + add without passing INT_MAX.
int addCapped(int n, int add) { return n > INT_MAX - add ? INT_MAX : n + add; }

}  // namespace

CollectionCore::CollectionCore(const ElementOps& ops) : ops_(&ops) {
  if (ops.inList) chain_ = Chain{nullptr, nullptr};
  else arrayResetFields();
}

void CollectionCore::destroyElements() {
  if (ops_->inList) listClear();
  else arrayClear();
}

void CollectionCore::constructElement(void* at, const void* from) const {
  if (!ops_->isPlain()) ops_->construct(at, from);
  else if (from != nullptr) memcpy(at, from, ops_->size);
  else memset(at, 0, ops_->size);
}

// A class element in a heap block of its own.
void* CollectionCore::newElement(const void* from) const {
  void* element = allocateOrDie(ops_->size);
  ops_->construct(element, from);
  return element;
}

void CollectionCore::destroyElement(void* element) const {
  if (!ops_->isPlain()) ops_->destroy(element);
}

void CollectionCore::addCopies(const CollectionCore& source, bool front) {
  const int n = source.count_;
  ListLink* node = nullptr;
  if (source.ops_->inList) node = front ? source.chain_.tail : source.chain_.head;
  for (int k = 0; k < n; ++k) {
    // The next source element is found before adding: adding to this very
    // collection links new nodes at the end the walk moves away from, and
    // prepending to this very array puts the next original at n - 1.
    const void* element;
    if (source.ops_->inList) {
      element = listElement(node);
      node = front ? node->previous : node->next;
    } else if (front) {
      element = source.arrayAt(&source == this ? n - 1 : n - 1 - k);
    } else {
      element = source.arrayAt(k);
    }
    if (ops_->inList) listInsertAfter(front ? nullptr : chain_.tail, element);
    else arrayInsertAt(front ? 0 : count_, element);
  }
}

void CollectionCore::addCopiesBack(const CollectionCore& source) { addCopies(source, false); }
void CollectionCore::addCopiesFront(const CollectionCore& source) { addCopies(source, true); }

void CollectionCore::releaseTaken(void* element) {
  destroyElement(element);
  if (ops_->inList) {
    freeBlock(static_cast<char*>(element) - ListNodeElementOffset);
  } else if (!ops_->isPlain()) {
    freeBlock(element);
  } else {
    // A plain value is read in its slot, which closes only now.
    const uintptr_t offset = reinterpret_cast<uintptr_t>(element) - reinterpret_cast<uintptr_t>(slot(0));
    arrayRemoveAt(int(offset / ops_->size));
  }
}

// ---------------------------------------------------------------------------
// List

bool CollectionCore::listIterateForward(Iterator& it) {
  it = Iterator{0, address(chain_.head), 0};
  return chain_.head != nullptr;
}

bool CollectionCore::listIterateBackward(Iterator& it) {
  it = Iterator{0, 0, address(chain_.tail)};
  return chain_.tail != nullptr;
}

void* CollectionCore::listLand(Iterator& it, ListLink* node) {
  if (node == nullptr) {
    it = Iterator{};
    return nullptr;
  }
  it = Iterator{address(node), address(node->next), address(node->previous)};
  return listElement(node);
}

void* CollectionCore::listFirst(Iterator& it) { return listLand(it, chain_.head); }
void* CollectionCore::listLast(Iterator& it) { return listLand(it, chain_.tail); }

void* CollectionCore::listNext(Iterator& it) {
  ListLink* node = nodeAt(it.next);
  if (node == nullptr) {
    it.previous = it.current;
    it.current = 0;
    return nullptr;
  }
  return listLand(it, node);
}

void* CollectionCore::listPrevious(Iterator& it) {
  ListLink* node = nodeAt(it.previous);
  if (node == nullptr) {
    it.next = it.current;
    it.current = 0;
    return nullptr;
  }
  return listLand(it, node);
}

void* CollectionCore::listFirstElement() { return listElement(chain_.head); }
void* CollectionCore::listLastElement() { return listElement(chain_.tail); }
void* CollectionCore::listCurrent(Iterator& it) { return listElement(nodeAt(it.current)); }
void* CollectionCore::listPeekNext(Iterator& it) { return listElement(nodeAt(it.next)); }
void* CollectionCore::listPeekPrevious(Iterator& it) { return listElement(nodeAt(it.previous)); }

ListLink* CollectionCore::listLink(ListLink* after, ListLink* node) {
  node->previous = after;
  node->next = after ? after->next : chain_.head;
  if (node->next) node->next->previous = node;
  else chain_.tail = node;
  if (after) after->next = node;
  else chain_.head = node;
  ++count_;
  return node;
}

ListLink* CollectionCore::listUnlink(ListLink* node) {
  if (node->previous) node->previous->next = node->next;
  else chain_.head = node->next;
  if (node->next) node->next->previous = node->previous;
  else chain_.tail = node->previous;
  node->previous = node->next = nullptr;
  --count_;
  return node;
}

ListLink* CollectionCore::listInsertAfter(ListLink* after, const void* from) {
  // Constructed before it is linked: from may be an element of this list.
  ListLink* node = static_cast<ListLink*>(allocateOrDie(ListNodeElementOffset + ops_->size));
  constructElement(listElement(node), from);
  return listLink(after, node);
}

void* CollectionCore::listAddLast(const void* from) {
  return listElement(listInsertAfter(chain_.tail, from));
}

void* CollectionCore::listAddFirst(const void* from) {
  return listElement(listInsertAfter(nullptr, from));
}

void CollectionCore::listClear() {
  while (chain_.head != nullptr) releaseTaken(listTakeFirst());
}

void* CollectionCore::listTake(ListLink* node) {
  return node ? listElement(listUnlink(node)) : nullptr;
}

void* CollectionCore::listTakeFirst() { return listTake(chain_.head); }
void* CollectionCore::listTakeLast() { return listTake(chain_.tail); }

void* CollectionCore::listTakeCurrent(Iterator& it) {
  ListLink* node = nodeAt(it.current);
  if (node == nullptr) return nullptr;
  it = Iterator{0, address(node->next), address(node->previous)};
  return listTake(node);
}

bool CollectionCore::listRemoveCurrent(Iterator& it) {
  void* element = listTakeCurrent(it);
  if (element == nullptr) return false;
  releaseTaken(element);
  return true;
}

int CollectionCore::listRemoveFirstN(int n) {
  int removed = 0;
  for (; removed < n && count_ > 0; ++removed) releaseTaken(listTakeFirst());
  return removed;
}

int CollectionCore::listRemoveLastN(int n) {
  int removed = 0;
  for (; removed < n && count_ > 0; ++removed) releaseTaken(listTakeLast());
  return removed;
}

bool CollectionCore::listRemoveFirst() { return listRemoveFirstN(1) == 1; }
bool CollectionCore::listRemoveLast() { return listRemoveLastN(1) == 1; }

void CollectionCore::listTruncate(int n) {
  if (n < 1) n = 0;
  if (count_ > n) listRemoveLastN(count_ - n);
}

// Closes the ring, steps the head on by n mod count, and opens the ring
// before it.
void CollectionCore::listRotateLeft(int n) {
  if (count_ < 2) return;
  ListLink* head = chain_.head;
  chain_.tail->next = head;
  head->previous = chain_.tail;
  for (int k = positiveModulo(n, count_); k > 0; --k) head = head->next;
  chain_.head = head;
  chain_.tail = head->previous;
  chain_.tail->next = nullptr;
  head->previous = nullptr;
}

void CollectionCore::listRotateRight(int n) {
  if (count_ > 1) listRotateLeft(-(n % count_));
}

void CollectionCore::listTakeOver(CollectionCore& other) {
  chain_ = other.chain_;
  count_ = other.count_;
  other.chain_ = Chain{nullptr, nullptr};
  other.count_ = 0;
}

// ---------------------------------------------------------------------------
// Array: access and iteration

bool CollectionCore::arrayIterateForward(Iterator& it) {
  it = Iterator{0, count_ > 0 ? 1 : 0, 0};
  return count_ > 0;
}

bool CollectionCore::arrayIterateBackward(Iterator& it) {
  it = Iterator{0, 0, count_};
  return count_ > 0;
}

void* CollectionCore::arrayAtPosition(intptr_t p) const {
  return validPosition(p) ? arrayAt(int(p - 1)) : nullptr;
}

void* CollectionCore::arrayLand(Iterator& it, intptr_t p) {
  if (!validPosition(p)) {
    it = Iterator{};
    return nullptr;
  }
  it = Iterator{p, p < count_ ? p + 1 : 0, p - 1};
  return arrayAt(int(p - 1));
}

void* CollectionCore::arrayFirst(Iterator& it) { return arrayLand(it, 1); }
void* CollectionCore::arrayLast(Iterator& it) { return arrayLand(it, count_); }

void* CollectionCore::arrayNext(Iterator& it) {
  if (!validPosition(it.next)) {
    it = Iterator{0, 0, it.current};
    return nullptr;
  }
  return arrayLand(it, it.next);
}

void* CollectionCore::arrayPrevious(Iterator& it) {
  if (!validPosition(it.previous)) {
    it = Iterator{0, it.current, 0};
    return nullptr;
  }
  return arrayLand(it, it.previous);
}

void* CollectionCore::arrayFirstElement() { return arrayAtPosition(1); }
void* CollectionCore::arrayLastElement() { return arrayAtPosition(count_); }
void* CollectionCore::arrayCurrent(Iterator& it) { return arrayAtPosition(it.current); }
void* CollectionCore::arrayPeekNext(Iterator& it) { return arrayAtPosition(it.next); }
void* CollectionCore::arrayPeekPrevious(Iterator& it) { return arrayAtPosition(it.previous); }

void CollectionCore::arrayCheckIndex(int i) const {
  if (!validIndex(i)) fatalError("Vector<%s>[%d]\nmax_index = %d", ops_->name, i, count_ - 1);
}

void* CollectionCore::arrayElementAt(int i) {
  arrayCheckIndex(i);
  return arrayAt(i);
}

// ---------------------------------------------------------------------------
// Array: storage

void CollectionCore::moveSlots(int to, int from, int n) {
  memmove(rawSlot(to), rawSlot(from), size_t(n) * slotSize());
}

void CollectionCore::destroyRange(int from, int n) {
  if (ops_->isPlain()) return;
  for (int i = from; i < from + n; ++i) {
    void* element = arrayAt(i);
    destroyElement(element);
    freeBlock(element);
  }
}

void CollectionCore::moveValues(int newFirst) {
  moveSlots(newFirst, slots_.first, count_);
  slots_.first = newFirst;
}

// Moves the slots into a new block of `capacity` slots, the first at `first`.
void CollectionCore::relocate(int capacity, int first) {
  const size_t size = slotSize();
  char* block = static_cast<char*>(allocateOrDie(blockBytes(capacity, size)));
  if (count_ > 0) memcpy(block + size_t(first) * size, slot(0), size_t(count_) * size);
  freeBlock(slots_.storage);
  slots_ = Slots{block, first, capacity};
}

// The capacity policy of plain values, for n >= 1: 6 when 3n < 14; else 3n/2
// when that many values take at most 8,192 bytes; else n + 2048.
int CollectionCore::valueCapacity(int n) const {
  if (n <= 4) return 6;
  const int most = int(8192 / ops_->size);  // also keeps 3n from overflowing
  if (n <= most && 3 * n / 2 <= most) return 3 * n / 2;
  return addCapped(n, 2048);
}

void CollectionCore::arrayReserve(int n) {
  if (n <= 0) return;
  if (ops_->isPlain()) {
    const int wanted = valueCapacity(n);
    if (slots_.capacity < n) {
      slots_.storage = reallocateOrDie(slots_.storage, blockBytes(wanted, ops_->size));
      slots_.capacity = wanted;
    } else if (slots_.capacity - wanted > int(8191 / ops_->size)) {  // more than 8,191 bytes spare
      relocate(wanted, (wanted - n) / 4);
    }
    if (slots_.first + n > slots_.capacity) moveValues((slots_.capacity - n) / 4);
  } else {
    if (slots_.capacity < n || (n > 500 && n < slots_.capacity / 4)) {
      relocate(addCapped(n, n / 2), n / 4);
    } else if (slots_.first + n > slots_.capacity) {
      moveValues((slots_.capacity - n) / 2);
    }
  }
}

void CollectionCore::arraySetCount(int n) {
  if (n <= 0) {
    arrayClear();
    return;
  }
  arrayRemoveRange(n, count_ - 1);
  arrayReserve(n);
  // Appending after the reservation moves no slot.
  while (count_ < n) arrayInsertAt(count_, nullptr);
}

void CollectionCore::arrayEnsureCount(int n) {
  if (count_ < n) arraySetCount(n);
}

void CollectionCore::arrayClear() {
  destroyRange(0, count_);
  freeBlock(slots_.storage);
  arrayResetFields();
}

void CollectionCore::arrayClearAndSetCount(int n) {
  arrayClear();
  arraySetCount(n);
}

void CollectionCore::arrayResetFields() {
  count_ = 0;
  slots_ = Slots{nullptr, 0, 0};
}

void CollectionCore::arrayFillFrom(const CollectionCore& source) {
  if (&source == this) return;
  arrayClear();
  arrayReserve(source.count_);
  addCopies(source, false);
}

void CollectionCore::arrayTakeOver(CollectionCore& other) {
  slots_ = other.slots_;
  count_ = other.count_;
  other.arrayResetFields();
}

// ---------------------------------------------------------------------------
// Array: inserting

// Opens slot i (0 .. count) for a plain value and counts it.
char* CollectionCore::openValueSlot(int i) {
  const int count = count_;
  if (count == slots_.capacity) {
    const int wanted = valueCapacity(count + 1);
    const bool firstAllocation = slots_.storage == nullptr;
    slots_.storage = reallocateOrDie(slots_.storage, blockBytes(wanted, ops_->size));
    slots_.capacity = wanted;
    if (firstAllocation) slots_.first = (wanted - count - 1) / 4;
  }
  const int capacity = slots_.capacity;
  const int spare = capacity - count - 1;  // >= 0
  const bool roomBehind = slots_.first + count < capacity;
  if (count == 0) {
    if (!roomBehind) slots_.first = 0;
  } else if (i >= count) {
    if (!roomBehind) moveValues(clampInt(spare / 4, 0, spare));
  } else if (i <= 0) {
    if (slots_.first == 0) moveValues(clampInt(spare / 4, 1, capacity - count));
    --slots_.first;
  } else if (slots_.first == 0 || (i >= count / 2 && roomBehind)) {
    moveSlots(slots_.first + i + 1, slots_.first + i, count - i);
  } else {
    moveSlots(slots_.first - 1, slots_.first, i);
    --slots_.first;
  }
  ++count_;
  return slot(i);
}

// Opens slot i (0 .. count) for an element pointer and counts it.
char* CollectionCore::openPointerSlot(int i) {
  const int count = count_;
  if (count == slots_.capacity) arrayReserve(count + 1);
  // Into the front gap when there is no room behind, at the front, or when
  // the gap is larger than half of the free slots; appending with room
  // behind never shifts.
  const int free = slots_.capacity - count;
  const int first = slots_.first;
  const bool roomBehind = first + count < slots_.capacity;
  const bool down = first > 0 && (!roomBehind || i == 0 || (i < count && first > free / 2));
  if (down) {
    moveSlots(first - 1, first, i);
    --slots_.first;
  } else {
    moveSlots(first + i + 1, first + i, count - i);
  }
  ++count_;
  return slot(i);
}

void* CollectionCore::arrayInsertAt(int i, const void* from) {
  if (i < 0) i = 0;
  if (i > count_) i = count_;
  if (!ops_->isPlain()) {
    // Class elements never move, so from stays valid while the slots do.
    void* element = newElement(from);
    *reinterpret_cast<void**>(openPointerSlot(i)) = element;
    return element;
  }
  // A value of this very array moves (or goes with a reallocation) when the
  // slot opens: find it again by its index, which grows by one from i on.
  int source = -1;
  if (from != nullptr && count_ > 0) {
    const uintptr_t begin = reinterpret_cast<uintptr_t>(slot(0));
    const uintptr_t p = reinterpret_cast<uintptr_t>(from);
    if (p >= begin && p < begin + size_t(count_) * ops_->size) source = int((p - begin) / ops_->size);
  }
  char* opened = openValueSlot(i);
  if (source >= 0) from = slot(source < i ? source : source + 1);
  constructElement(opened, from);
  return opened;
}

void* CollectionCore::arrayAddLast(const void* from) { return arrayInsertAt(count_, from); }
void* CollectionCore::arrayAddFirst(const void* from) { return arrayInsertAt(0, from); }
void* CollectionCore::arrayInsertNew(int i) { return arrayInsertAt(i, nullptr); }
void* CollectionCore::arrayAppendNew() { return arrayInsertAt(count_, nullptr); }

// ---------------------------------------------------------------------------
// Array: removing

bool CollectionCore::arrayRemoveRange(int first, int last) { return removeSlots(first, last, true); }

// Removes the slots first to last (clamped), destroying their elements or
// not; false when the range is empty.
bool CollectionCore::removeSlots(int first, int last, bool destroy) {
  if (first < 0) first = 0;
  if (last > count_ - 1) last = count_ - 1;
  if (first > last) return false;
  const int n = last - first + 1;
  if (destroy) destroyRange(first, n);
  if (first == 0) slots_.first += n;
  else moveSlots(slots_.first + first, slots_.first + last + 1, count_ - last - 1);
  count_ -= n;
  if (count_ == 0) slots_.first = ops_->isPlain() ? 0 : slots_.capacity / 4;
  return true;
}

bool CollectionCore::arrayRemoveAt(int i) { return arrayRemoveRange(i, i); }

// The iterator as removeCurrent leaves it after element i went.
void CollectionCore::pointAfterRemoval(Iterator& it, int i, int countAfter) const {
  it = Iterator{0, i < countAfter ? i + 1 : 0, i};
}

bool CollectionCore::arrayRemoveCurrent(Iterator& it) {
  if (!validPosition(it.current)) return false;
  const int i = int(it.current - 1);
  arrayRemoveRange(i, i);
  pointAfterRemoval(it, i, count_);
  return true;
}

void* CollectionCore::arrayTakeAt(int i) {
  if (!validIndex(i)) return nullptr;
  // A plain value stays in its slot until releaseTaken; a class element
  // leaves its slot now.
  void* element = arrayAt(i);
  if (!ops_->isPlain()) removeSlots(i, i, false);
  return element;
}

void* CollectionCore::arrayTakeCurrent(Iterator& it) {
  if (!validPosition(it.current)) return nullptr;
  const int i = int(it.current - 1);
  pointAfterRemoval(it, i, count_ - 1);
  return arrayTakeAt(i);
}

int CollectionCore::arrayRemoveFirstN(int n) {
  if (n > count_) n = count_;
  return n > 0 && arrayRemoveRange(0, n - 1) ? n : 0;
}

int CollectionCore::arrayRemoveLastN(int n) {
  if (n > count_) n = count_;
  return n > 0 && arrayRemoveRange(count_ - n, count_ - 1) ? n : 0;
}

bool CollectionCore::arrayRemoveFirst() { return arrayRemoveFirstN(1) == 1; }
bool CollectionCore::arrayRemoveLast() { return arrayRemoveLastN(1) == 1; }

void CollectionCore::arrayTruncate(int n) {
  if (n < 1) arrayClear();
  else if (n < count_) arrayRemoveRange(n, count_ - 1);
}

// ---------------------------------------------------------------------------
// Array: reordering

void CollectionCore::swapSlots(int i, int j) {
  char* a = slot(i);
  char* b = slot(j);
  for (size_t k = slotSize(); k > 0; --k, ++a, ++b) {
    const char t = *a;
    *a = *b;
    *b = t;
  }
}

void CollectionCore::reverseSlots(int lo, int hi) {
  for (; lo < hi; ++lo, --hi) swapSlots(lo, hi);
}

// Moves the element at `from` to `to`, shifting those between by one.
bool CollectionCore::moveSlot(int from, int to) {
  if (!validIndex(from) || !validIndex(to)) return false;
  const int step = from < to ? 1 : -1;
  for (int i = from; i != to; i += step) swapSlots(i, i + step);
  return true;
}

bool CollectionCore::arrayMoveForward(int from, int to) { return from < to && moveSlot(from, to); }
bool CollectionCore::arrayMoveBackward(int from, int to) { return to < from && moveSlot(from, to); }

bool CollectionCore::arraySwap(int i, int j) {
  if (!validIndex(i) || !validIndex(j)) return false;
  if (i != j) swapSlots(i, j);
  return true;
}

void CollectionCore::arrayRotateLeft(int n) {
  const int count = count_;
  if (count < 2) return;
  const int k = positiveModulo(n, count);
  if (k == 0) return;
  // Into a new block of count + count/2 slots at count/4, then the first k
  // to the back by three reversals.
  relocate(count + count / 2, count / 4);
  reverseSlots(0, k - 1);
  reverseSlots(k, count - 1);
  reverseSlots(0, count - 1);
}

void CollectionCore::arrayRotateRight(int n) {
  if (count_ > 1) arrayRotateLeft(-(n % count_));
}

void CollectionCore::arraySort(ElementCompare compare, const void* context) {
  if (count_ > 1) quickSort(0, count_ - 1, compare, context);
}

void CollectionCore::quickSort(int lo, int hi, ElementCompare compare, const void* context) {
  while (lo < hi) {
    // The pivot is the middle slot's element, followed while slots swap.
    int pivot = lo + (hi - lo) / 2;
    int i = lo;
    int j = hi;
    while (i <= j) {
      while (i < hi && compare(arrayAt(i), arrayAt(pivot), context) < 0) ++i;
      while (j > lo && compare(arrayAt(j), arrayAt(pivot), context) > 0) --j;
      if (i <= j) {
        if (i != j) {
          swapSlots(i, j);
          if (pivot == i) pivot = j;
          else if (pivot == j) pivot = i;
        }
        ++i;
        --j;
      }
    }
    // Recurse into the smaller part so that the depth stays logarithmic.
    if (j - lo < hi - i) {
      quickSort(lo, j, compare, context);
      lo = i;
    } else {
      quickSort(i, hi, compare, context);
      hi = j;
    }
  }
}
