// The container templates: the abstract Collection, the doubly linked List,
// the Stack on it, the indexed Vector with its Array implementation, and the
// StringSet whose buckets are lists of Bucket elements.
//
// Containers own their elements: adding copies the element in, removing
// destroys it. Positions and counts out of range are absorbed (clamped, or the
// result is null, 0 or false), except elementAt, operator[] and checkIndex on
// a Vector and pop on an empty Stack, which are fatal errors naming the
// element type (see TypeName).
//
// Iteration goes through an Iterator record that the caller owns; any
// change to the collection other than through that iterator's removeCurrent
// or takeCurrent invalidates it.
#pragma once

#include <stdint.h>
#include <string.h>

#include <type_traits>
#include <utility>

#include "core/core32.h"
#include "core/fatal.h"

// The printable name of an element type, used in the fatal texts
// "Vector<%s>[%d]\nmax_index = %d" and "Stack<%s>::pop". Every element type of
// an Array or Stack needs one: declare it with TESSA_TYPE_NAME at global scope.
template <class T>
struct TypeName;

#define TESSA_TYPE_NAME(Type, text)                 \
  template <>                                       \
  struct TypeName<Type> {                           \
    static constexpr const char* value = text;      \
  }

// The program's only pointer elements are registry key handles, so pointers
// print as "HKEY" unless a full specialisation names them otherwise.
template <class T>
struct TypeName<T*> {
  static constexpr const char* value = "HKEY";
};

TESSA_TYPE_NAME(int, "int");
TESSA_TYPE_NAME(String, "String");

// A position record for the iteration operations. Each field is 0 for "none";
// otherwise an Array stores index + 1 and a List a node address.
struct Iterator {
  intptr_t current = 0;
  intptr_t next = 0;
  intptr_t previous = 0;
};

template <class T>
class Collection {
 public:
  using Element = T;

  virtual ~Collection() = default;

  int count() const { return count_; }
  bool isEmpty() const { return count_ <= 0; }

  virtual bool iterateForward(Iterator& it) = 0;   // before the first element
  virtual bool iterateBackward(Iterator& it) = 0;  // behind the last element
  virtual T* first(Iterator& it) = 0;
  virtual T* next(Iterator& it) = 0;  // null at the end
  virtual T* last(Iterator& it) = 0;
  virtual T* previous(Iterator& it) = 0;  // null at the start
  virtual T* firstElement() = 0;
  virtual T* lastElement() = 0;
  virtual T* current(Iterator& it) = 0;
  virtual T* peekNext(Iterator& it) = 0;
  virtual T* peekPrevious(Iterator& it) = 0;
  virtual T* addLast(const T& value) = 0;
  virtual T* addLast(const T* value) = 0;  // null adds a default element
  virtual void addAll(const Collection& other) = 0;
  virtual T* addFirst(const T& value) = 0;
  virtual T* addFirst(const T* value) = 0;
  virtual void addAllFront(const Collection& other) = 0;  // keeps their order
  virtual void clear() = 0;
  // Removes the iterator's element; the iterator's next position becomes the
  // removed one's successor and current becomes none.
  virtual bool removeCurrent(Iterator& it) = 0;
  virtual int removeFirstN(int n) = 0;
  virtual bool removeFirst() = 0;
  virtual int removeLastN(int n) = 0;
  virtual bool removeLast() = 0;
  virtual void truncate(int n) = 0;  // keep the first n; n < 1 clears
  virtual T takeFirst() = 0;  // a default element when empty
  virtual T takeLast() = 0;
  virtual T takeCurrent(Iterator& it) = 0;
  virtual void rotateLeft(int n) = 0;  // first n mod count go to the back
  virtual void rotateRight(int n) = 0;

  const T* firstElement() const { return const_cast<Collection*>(this)->firstElement(); }
  const T* lastElement() const { return const_cast<Collection*>(this)->lastElement(); }

 protected:
  Collection() = default;
  Collection(const Collection&) = default;
  Collection& operator=(const Collection&) = default;

  int count_ = 0;
};

// ---------------------------------------------------------------------------
// List

template <class T>
class List : public Collection<T> {
 public:
  struct Node {
    Node* previous;
    Node* next;
    T element;
    template <class... A>
    explicit Node(A&&... args) : previous(nullptr), next(nullptr), element(std::forward<A>(args)...) {}
  };

  List() = default;
  List(const List& other) : Collection<T>() { addAll(other); }
  List(List&& other) noexcept { takeOver(other); }
  List& operator=(const List& other) {
    if (this != &other) {
      clear();
      addAll(other);
    }
    return *this;
  }
  List& operator=(List&& other) noexcept {
    if (this != &other) {
      clear();
      takeOver(other);
    }
    return *this;
  }
  ~List() override { clear(); }

  using Collection<T>::firstElement;
  using Collection<T>::lastElement;

  bool iterateForward(Iterator& it) override {
    it = Iterator{0, address(head_), 0};
    return head_ != nullptr;
  }
  bool iterateBackward(Iterator& it) override {
    it = Iterator{0, 0, address(tail_)};
    return tail_ != nullptr;
  }
  T* first(Iterator& it) override { return land(it, head_); }
  T* next(Iterator& it) override {
    Node* n = node(it.next);
    if (n == nullptr) {
      it.previous = it.current;
      it.current = 0;
      return nullptr;
    }
    return land(it, n);
  }
  T* last(Iterator& it) override { return land(it, tail_); }
  T* previous(Iterator& it) override {
    Node* n = node(it.previous);
    if (n == nullptr) {
      it.next = it.current;
      it.current = 0;
      return nullptr;
    }
    return land(it, n);
  }
  T* firstElement() override { return head_ ? &head_->element : nullptr; }
  T* lastElement() override { return tail_ ? &tail_->element : nullptr; }
  T* current(Iterator& it) override { return element(node(it.current)); }
  T* peekNext(Iterator& it) override { return element(node(it.next)); }
  T* peekPrevious(Iterator& it) override { return element(node(it.previous)); }

  T* addLast(const T& value) override { return &linkAfter(tail_, new Node(value))->element; }
  T* addLast(const T* value) override { return &linkAfter(tail_, make(value))->element; }
  void addAll(const Collection<T>& other) override {
    Collection<T>& source = const_cast<Collection<T>&>(other);
    Iterator it;
    source.iterateForward(it);
    for (int n = source.count(); n > 0; --n) addLast(*source.next(it));
  }
  T* addFirst(const T& value) override { return &linkAfter(nullptr, new Node(value))->element; }
  T* addFirst(const T* value) override { return &linkAfter(nullptr, make(value))->element; }
  void addAllFront(const Collection<T>& other) override {
    Collection<T>& source = const_cast<Collection<T>&>(other);
    Iterator it;
    source.iterateBackward(it);
    for (int n = source.count(); n > 0; --n) addFirst(*source.previous(it));
  }
  void clear() override {
    while (head_ != nullptr) destroy(head_);
  }
  bool removeCurrent(Iterator& it) override {
    Node* n = node(it.current);
    if (n == nullptr) return false;
    it = Iterator{0, address(n->next), address(n->previous)};
    destroy(n);
    return true;
  }
  int removeFirstN(int n) override {
    int removed = 0;
    while (removed < n && head_ != nullptr) {
      destroy(head_);
      ++removed;
    }
    return removed;
  }
  bool removeFirst() override { return removeFirstN(1) == 1; }
  int removeLastN(int n) override {
    int removed = 0;
    while (removed < n && tail_ != nullptr) {
      destroy(tail_);
      ++removed;
    }
    return removed;
  }
  bool removeLast() override { return removeLastN(1) == 1; }
  void truncate(int n) override {
    if (n < 1) n = 0;
    if (this->count_ > n) removeLastN(this->count_ - n);
  }
  T takeFirst() override { return take(head_); }
  T takeLast() override { return take(tail_); }
  T takeCurrent(Iterator& it) override {
    Node* n = node(it.current);
    if (n == nullptr) return T();
    it = Iterator{0, address(n->next), address(n->previous)};
    return take(n);
  }
  void rotateLeft(int n) override {
    if (this->count_ < 2) return;
    for (int k = positiveModulo(n, this->count_); k > 0; --k) {
      Node* moved = unlink(head_);
      linkAfter(tail_, moved);
    }
  }
  void rotateRight(int n) override {
    if (this->count_ < 2) return;
    for (int k = positiveModulo(n, this->count_); k > 0; --k) {
      Node* moved = unlink(tail_);
      linkAfter(nullptr, moved);
    }
  }

  // Range-for support.
  template <class E, class N>
  class Cursor {
   public:
    explicit Cursor(N* n) : node_(n) {}
    E& operator*() const { return node_->element; }
    E* operator->() const { return &node_->element; }
    Cursor& operator++() {
      node_ = node_->next;
      return *this;
    }
    bool operator!=(const Cursor& other) const { return node_ != other.node_; }

   private:
    N* node_;
  };
  Cursor<T, Node> begin() { return Cursor<T, Node>(head_); }
  Cursor<T, Node> end() { return Cursor<T, Node>(nullptr); }
  Cursor<const T, const Node> begin() const { return Cursor<const T, const Node>(head_); }
  Cursor<const T, const Node> end() const { return Cursor<const T, const Node>(nullptr); }

 protected:
  static int positiveModulo(int n, int m) {
    int k = n % m;
    return k < 0 ? k + m : k;
  }

 private:
  static intptr_t address(Node* n) { return reinterpret_cast<intptr_t>(n); }
  static Node* node(intptr_t a) { return reinterpret_cast<Node*>(a); }
  static T* element(Node* n) { return n ? &n->element : nullptr; }
  static Node* make(const T* value) { return value ? new Node(*value) : new Node(); }

  T* land(Iterator& it, Node* n) {
    if (n == nullptr) {
      it = Iterator{};
      return nullptr;
    }
    it = Iterator{address(n), address(n->next), address(n->previous)};
    return &n->element;
  }
  // Links n behind `after` (at the front for null) and returns it.
  Node* linkAfter(Node* after, Node* n) {
    n->previous = after;
    n->next = after ? after->next : head_;
    if (n->next) n->next->previous = n;
    else tail_ = n;
    if (after) after->next = n;
    else head_ = n;
    ++this->count_;
    return n;
  }
  Node* unlink(Node* n) {
    if (n->previous) n->previous->next = n->next;
    else head_ = n->next;
    if (n->next) n->next->previous = n->previous;
    else tail_ = n->previous;
    n->previous = n->next = nullptr;
    --this->count_;
    return n;
  }
  void destroy(Node* n) { delete unlink(n); }
  T take(Node* n) {
    if (n == nullptr) return T();
    T value(std::move(n->element));
    destroy(n);
    return value;
  }
  void takeOver(List& other) {
    head_ = other.head_;
    tail_ = other.tail_;
    this->count_ = other.count_;
    other.head_ = other.tail_ = nullptr;
    other.count_ = 0;
  }

  Node* head_ = nullptr;
  Node* tail_ = nullptr;
};

template <class T>
class Stack : public List<T> {
 public:
  T* push(const T& value) { return this->addLast(value); }
  // Fatal "Stack<%s>::pop" on an empty stack.
  T pop() {
    if (this->count_ <= 0) fatalError("Stack<%s>::pop", TypeName<T>::value);
    return this->takeLast();
  }
  T* top() { return this->lastElement(); }
};

// ---------------------------------------------------------------------------
// Vector and Array

template <class T>
class Vector : public Collection<T> {
 public:
  virtual T* elementAt(int i) = 0;  // fatal outside 0 .. count-1
  virtual bool removeRange(int first, int last) = 0;  // inclusive, clamped
  virtual bool removeAt(int i) = 0;
  virtual void ensureCount(int n) = 0;
  virtual T* appendNew() = 0;
  // Zeroes count and storage without freeing: for after the storage was
  // handed over to someone else.
  virtual void resetFields() = 0;
  virtual T* insertAt(int i, const T* value) = 0;  // null inserts a default
  virtual T* insertAt(int i, const T& value) = 0;
  virtual T* insertNew(int i) = 0;  // i clamped into 0 .. count
  virtual T& operator[](int i) = 0;  // fatal outside 0 .. count-1
  virtual T takeAt(int i) = 0;  // a default element for a bad index
  virtual void setCount(int n) = 0;
  virtual bool moveForward(int from, int to) = 0;   // from < to
  virtual bool moveBackward(int from, int to) = 0;  // to < from
  virtual void clearAndSetCount(int n) = 0;
  virtual bool swap(int i, int j) = 0;
  virtual void checkIndex(int i) const = 0;

  const T* elementAt(int i) const { return const_cast<Vector*>(this)->elementAt(i); }
  const T& operator[](int i) const { return *elementAt(i); }

  bool isValidIndex(int i) const { return i >= 0 && i < this->count_; }
};

namespace containers_detail {
// Bytes for `slots` elements of `size` bytes; failure when it cannot be
// represented is the out-of-memory report.
inline size_t blockBytes(int64_t slots, size_t size) {
  const uint64_t limit = (sizeof(size_t) < 8) ? 0x7FFFFFFFu : (uint64_t(1) << 48);
  if (slots < 0 || uint64_t(slots) > limit / size) outOfMemory(slots < 0 ? 0 : size_t(-1));
  return size_t(slots) * size;
}
}  // namespace containers_detail

// Elements that are plain values (ints, handles, POD records) live in place;
// others are separate heap objects behind pointer slots.
template <class T>
constexpr bool IsPlainElement =
    std::is_trivially_copyable<T>::value && std::is_trivially_default_constructible<T>::value;

template <class T, bool Plain = IsPlainElement<T>>
class Array : public Vector<T> {
  using Slot = typename std::conditional<Plain, T, T*>::type;

 public:
  Array() = default;
  explicit Array(int n) { setCount(n); }
  Array(const Array& other) : Vector<T>() { fillFrom(other); }
  Array(Array&& other) noexcept { takeOver(other); }
  Array& operator=(const Array& other) {
    if (this != &other) {
      clear();
      fillFrom(other);
    }
    return *this;
  }
  Array& operator=(Array&& other) noexcept {
    if (this != &other) {
      clear();
      takeOver(other);
    }
    return *this;
  }
  ~Array() override { clear(); }

  using Collection<T>::firstElement;
  using Collection<T>::lastElement;

  int capacity() const { return capacity_; }

  // Collection
  bool iterateForward(Iterator& it) override {
    it = Iterator{0, this->count_ > 0 ? 1 : 0, 0};
    return this->count_ > 0;
  }
  bool iterateBackward(Iterator& it) override {
    it = Iterator{0, 0, this->count_};
    return this->count_ > 0;
  }
  T* first(Iterator& it) override { return land(it, 1); }
  T* next(Iterator& it) override {
    if (!validPosition(it.next)) {
      it.previous = it.current;
      it.current = 0;
      it.next = 0;
      return nullptr;
    }
    return land(it, it.next);
  }
  T* last(Iterator& it) override { return land(it, this->count_); }
  T* previous(Iterator& it) override {
    if (!validPosition(it.previous)) {
      it.next = it.current;
      it.current = 0;
      it.previous = 0;
      return nullptr;
    }
    return land(it, it.previous);
  }
  T* firstElement() override { return this->count_ > 0 ? slot(0) : nullptr; }
  T* lastElement() override { return this->count_ > 0 ? slot(this->count_ - 1) : nullptr; }
  T* current(Iterator& it) override { return atPosition(it.current); }
  T* peekNext(Iterator& it) override { return atPosition(it.next); }
  T* peekPrevious(Iterator& it) override { return atPosition(it.previous); }

  T* addLast(const T& value) override { return insertAt(this->count_, value); }
  T* addLast(const T* value) override { return insertAt(this->count_, value); }
  void addAll(const Collection<T>& other) override {
    if (&other == this) {
      Array copy(*this);
      addAll(copy);
      return;
    }
    Collection<T>& source = const_cast<Collection<T>&>(other);
    Iterator it;
    source.iterateForward(it);
    for (int n = source.count(); n > 0; --n) addLast(*source.next(it));
  }
  T* addFirst(const T& value) override { return insertAt(0, value); }
  T* addFirst(const T* value) override { return insertAt(0, value); }
  void addAllFront(const Collection<T>& other) override {
    if (&other == this) {
      Array copy(*this);
      addAllFront(copy);
      return;
    }
    Collection<T>& source = const_cast<Collection<T>&>(other);
    Iterator it;
    source.iterateBackward(it);
    for (int n = source.count(); n > 0; --n) addFirst(*source.previous(it));
  }
  void clear() override {
    destroyRange(0, this->count_);
    freeBlock(storage_);
    resetFields();
  }
  bool removeCurrent(Iterator& it) override {
    if (!validPosition(it.current)) return false;
    int i = int(it.current - 1);
    removeAt(i);
    it = Iterator{0, i < this->count_ ? i + 1 : 0, i};
    return true;
  }
  int removeFirstN(int n) override {
    if (n <= 0 || this->count_ <= 0) return 0;
    if (n > this->count_) n = this->count_;
    removeRange(0, n - 1);
    return n;
  }
  bool removeFirst() override { return removeFirstN(1) == 1; }
  int removeLastN(int n) override {
    if (n <= 0 || this->count_ <= 0) return 0;
    if (n > this->count_) n = this->count_;
    removeRange(this->count_ - n, this->count_ - 1);
    return n;
  }
  bool removeLast() override { return removeLastN(1) == 1; }
  void truncate(int n) override {
    if (n < 1) clear();
    else if (n < this->count_) removeRange(n, this->count_ - 1);
  }
  T takeFirst() override { return takeAt(0); }
  T takeLast() override { return takeAt(this->count_ - 1); }
  T takeCurrent(Iterator& it) override {
    if (!validPosition(it.current)) return T();
    int i = int(it.current - 1);
    T value = takeAt(i);
    it = Iterator{0, i < this->count_ ? i + 1 : 0, i};
    return value;
  }
  void rotateLeft(int n) override {
    if (this->count_ < 2) return;
    int k = n % this->count_;
    if (k < 0) k += this->count_;
    if (k == 0) return;
    // Into a new block of n + n/2 slots at n/4: the tail part first.
    const int count = this->count_;
    const int capacity = count + count / 2;
    const int first = count / 4;
    Slot* block = allocateSlots(capacity);
    memcpy(static_cast<void*>(block + first), storage_ + first_ + k, sizeof(Slot) * (count - k));
    memcpy(static_cast<void*>(block + first + count - k), storage_ + first_, sizeof(Slot) * k);
    freeBlock(storage_);
    storage_ = block;
    capacity_ = capacity;
    first_ = first;
  }
  void rotateRight(int n) override {
    if (this->count_ < 2) return;
    rotateLeft(-(n % this->count_));
  }

  // Vector
  T* elementAt(int i) override {
    checkIndex(i);
    return slot(i);
  }
  bool removeRange(int first, int last) override {
    if (first < 0) first = 0;
    if (last > this->count_ - 1) last = this->count_ - 1;
    if (first > last) return false;
    const int n = last - first + 1;
    destroyRange(first, n);
    if (first == 0) {
      first_ += n;
    } else {
      memmove(static_cast<void*>(storage_ + first_ + first), storage_ + first_ + last + 1,
              sizeof(Slot) * (this->count_ - last - 1));
    }
    this->count_ -= n;
    if (this->count_ == 0) first_ = Plain ? 0 : capacity_ / 4;
    return true;
  }
  bool removeAt(int i) override { return removeRange(i, i) && i >= 0; }
  void ensureCount(int n) override {
    if (this->count_ < n) setCount(n);
  }
  T* appendNew() override { return insertNew(this->count_); }
  void resetFields() override {
    this->count_ = 0;
    first_ = 0;
    capacity_ = 0;
    storage_ = nullptr;
  }
  T* insertAt(int i, const T* value) override {
    if (value == nullptr) return insertNew(i);
    return insertAt(i, *value);
  }
  T* insertAt(int i, const T& value) override {
    if constexpr (Plain) {
      const T copy = value;  // value may live in the block that moves
      T* p = insertNew(i);
      *p = copy;
      return p;
    } else {
      // Elements never move (only their pointers do), so value stays valid.
      T* p = new T(value);
      insertSlot(i, p);
      return p;
    }
  }
  T* insertNew(int i) override {
    if constexpr (Plain) {
      T* p = insertSlot(i);
      *p = T();
      return p;
    } else {
      T* p = new T();
      insertSlot(i, p);
      return p;
    }
  }
  T& operator[](int i) override { return *elementAt(i); }
  using Vector<T>::elementAt;
  using Vector<T>::operator[];
  T takeAt(int i) override {
    if (!this->isValidIndex(i)) return T();
    T value(std::move(*slot(i)));
    removeAt(i);
    return value;
  }
  void setCount(int n) override {
    if (n <= 0) {
      clear();
      return;
    }
    if (n < this->count_) destroyRange(n, this->count_ - n);
    const int kept = n < this->count_ ? n : this->count_;
    this->count_ = kept;
    reserve(n);
    for (int i = kept; i < n; ++i) {
      if constexpr (Plain) storage_[first_ + i] = T();
      else storage_[first_ + i] = new T();
    }
    this->count_ = n;
  }
  bool moveForward(int from, int to) override {
    if (!this->isValidIndex(from) || !this->isValidIndex(to) || from >= to) return false;
    Slot moved = storage_[first_ + from];
    memmove(static_cast<void*>(storage_ + first_ + from), storage_ + first_ + from + 1,
            sizeof(Slot) * (to - from));
    storage_[first_ + to] = moved;
    return true;
  }
  bool moveBackward(int from, int to) override {
    if (!this->isValidIndex(from) || !this->isValidIndex(to) || to >= from) return false;
    Slot moved = storage_[first_ + from];
    memmove(static_cast<void*>(storage_ + first_ + to + 1), storage_ + first_ + to,
            sizeof(Slot) * (from - to));
    storage_[first_ + to] = moved;
    return true;
  }
  void clearAndSetCount(int n) override {
    clear();
    setCount(n);
  }
  bool swap(int i, int j) override {
    if (!this->isValidIndex(i) || !this->isValidIndex(j)) return false;
    Slot t = storage_[first_ + i];
    storage_[first_ + i] = storage_[first_ + j];
    storage_[first_ + j] = t;
    return true;
  }
  void checkIndex(int i) const override {
    if (!this->isValidIndex(i))
      fatalError("Vector<%s>[%d]\nmax_index = %d", TypeName<T>::value, i, this->count_ - 1);
  }

  // Replaces the content with copies of every element of other, in order.
  void fillFrom(const Collection<T>& other) {
    if (&other == this) return;
    clear();
    reserve(other.count());
    addAll(other);
  }

  // Index of the first element equal to value, or -1.
  int indexOf(const T& value) const {
    for (int i = 0; i < this->count_; ++i)
      if (*slot(i) == value) return i;
    return -1;
  }

  // Sorts in place with a three-way comparison of two elements.
  void sort(int (*compare)(const T* a, const T* b)) {
    if (this->count_ > 1) quickSort(compare, 0, this->count_ - 1);
  }

  // Range-for support.
  template <class E, class A>
  class Cursor {
   public:
    Cursor(A* array, int i) : array_(array), i_(i) {}
    E& operator*() const { return *array_->slot(i_); }
    E* operator->() const { return array_->slot(i_); }
    Cursor& operator++() {
      ++i_;
      return *this;
    }
    bool operator!=(const Cursor& other) const { return i_ != other.i_; }

   private:
    A* array_;
    int i_;
  };
  Cursor<T, Array> begin() { return Cursor<T, Array>(this, 0); }
  Cursor<T, Array> end() { return Cursor<T, Array>(this, this->count_); }
  Cursor<const T, const Array> begin() const { return Cursor<const T, const Array>(this, 0); }
  Cursor<const T, const Array> end() const {
    return Cursor<const T, const Array>(this, this->count_);
  }

 private:
  T* slot(int i) {
    if constexpr (Plain) return &storage_[first_ + i];
    else return storage_[first_ + i];
  }
  const T* slot(int i) const { return const_cast<Array*>(this)->slot(i); }
  bool validPosition(intptr_t p) const { return p >= 1 && p <= this->count_; }
  T* atPosition(intptr_t p) { return validPosition(p) ? slot(int(p - 1)) : nullptr; }
  T* land(Iterator& it, intptr_t p) {
    if (!validPosition(p)) {
      it = Iterator{};
      return nullptr;
    }
    it = Iterator{p, p < this->count_ ? p + 1 : 0, p - 1};
    return slot(int(p - 1));
  }

  static Slot* allocateSlots(int n) {
    return static_cast<Slot*>(allocateOrDie(containers_detail::blockBytes(n, sizeof(Slot))));
  }
  void destroyRange(int from, int n) {
    if constexpr (!Plain)
      for (int i = from; i < from + n; ++i) delete storage_[first_ + i];
    (void)from;
    (void)n;
  }
  void moveValues(int newFirst) {
    memmove(static_cast<void*>(storage_ + newFirst), storage_ + first_, sizeof(Slot) * this->count_);
    first_ = newFirst;
  }
  // Moves the block into a new one of `capacity` slots with the elements at
  // `first`.
  void relocate(int capacity, int first) {
    Slot* block = allocateSlots(capacity);
    if (this->count_ > 0)
      memcpy(static_cast<void*>(block + first), storage_ + first_, sizeof(Slot) * this->count_);
    freeBlock(storage_);
    storage_ = block;
    capacity_ = capacity;
    first_ = first;
  }

  // The capacity policy of plain values: c(n).
  static int valueCapacity(int n) {
    const int64_t three = int64_t(3) * n;
    if (three < 14) return 6;
    if ((three / 2) * int64_t(sizeof(T)) <= 8192) return int(three / 2);
    return int(int64_t(n) + 2048 > INT_MAX ? INT_MAX : n + 2048);
  }

  // Makes room for n elements (count_ <= n elements are live).
  void reserve(int n) {
    if (n <= 0) return;
    if constexpr (Plain) {
      const int wanted = valueCapacity(n);
      if (capacity_ < n) {
        storage_ = static_cast<Slot*>(
            reallocateOrDie(storage_, containers_detail::blockBytes(wanted, sizeof(Slot))));
        capacity_ = wanted;
      } else if ((int64_t(capacity_) - wanted) * int64_t(sizeof(T)) > 8191) {
        relocate(wanted, (wanted - n) / 4);
      }
      if (first_ + n > capacity_) moveValues((capacity_ - n) / 4);
    } else {
      if (capacity_ < n || (n > 500 && n < capacity_ / 4)) {
        const int64_t wanted = int64_t(n) + n / 2;
        relocate(int(wanted > INT_MAX ? INT_MAX : wanted), n / 4);
      } else if (first_ + n > capacity_) {
        moveValues((capacity_ - n) / 2);
      }
    }
  }

  // Opens slot i (clamped into 0 .. count) and returns it; for class
  // elements, p is stored there.
  T* insertSlot(int i, T* p = nullptr) {
    if (i < 0) i = 0;
    if (i > this->count_) i = this->count_;
    if constexpr (Plain) {
      (void)p;
      return insertValueSlot(i);
    } else {
      const int count = this->count_;
      if (count == capacity_) {
        reserve(count + 1);
      }
      // Into the front gap when there is no room behind, at the front, or
      // when the gap is larger than half of the free slots; appending with
      // room behind never shifts.
      const int free = capacity_ - count;
      const bool roomBehind = first_ + count < capacity_;
      const bool down =
          first_ > 0 && (!roomBehind || i == 0 || (i < count && first_ > free / 2));
      if (down) {
        memmove(static_cast<void*>(storage_ + first_ - 1), storage_ + first_, sizeof(Slot) * i);
        --first_;
      } else {
        memmove(static_cast<void*>(storage_ + first_ + i + 1), storage_ + first_ + i,
                sizeof(Slot) * (count - i));
      }
      storage_[first_ + i] = p;
      ++this->count_;
      return p;
    }
  }

  Slot* insertValueSlot(int i) {
    const int count = this->count_;
    if (count == capacity_) {
      const int wanted = valueCapacity(count + 1);
      const bool firstAllocation = storage_ == nullptr;
      storage_ = static_cast<Slot*>(
          reallocateOrDie(storage_, containers_detail::blockBytes(wanted, sizeof(Slot))));
      capacity_ = wanted;
      if (firstAllocation) first_ = (wanted - count - 1) / 4;
    }
    const int spare = capacity_ - count - 1;  // >= 0
    const bool roomBehind = first_ + count < capacity_;
    if (count == 0) {
      if (!roomBehind) first_ = 0;
    } else if (i >= count) {
      if (!roomBehind) moveValues(clampInt(spare / 4, 0, spare));
    } else if (i <= 0) {
      if (first_ == 0) moveValues(clampInt(spare / 4, 1, capacity_ - count));
      --first_;
    } else if (first_ == 0 || (i >= count / 2 && roomBehind)) {
      memmove(static_cast<void*>(storage_ + first_ + i + 1), storage_ + first_ + i,
              sizeof(Slot) * (count - i));
    } else {
      memmove(static_cast<void*>(storage_ + first_ - 1), storage_ + first_, sizeof(Slot) * i);
      --first_;
    }
    ++this->count_;
    return &storage_[first_ + (i > count ? count : i)];
  }

  static int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

  void takeOver(Array& other) {
    storage_ = other.storage_;
    first_ = other.first_;
    capacity_ = other.capacity_;
    this->count_ = other.count_;
    other.resetFields();
  }

  void quickSort(int (*compare)(const T*, const T*), int lo, int hi) {
    while (lo < hi) {
      // The pivot is copied aside: slots move while partitioning.
      const Slot pivot = storage_[first_ + lo + (hi - lo) / 2];
      const T* pivotElement;
      if constexpr (Plain) pivotElement = &pivot;
      else pivotElement = pivot;
      int i = lo;
      int j = hi;
      while (i <= j) {
        while (i < hi && compare(slot(i), pivotElement) < 0) ++i;
        while (j > lo && compare(slot(j), pivotElement) > 0) --j;
        if (i <= j) {
          swap(i, j);
          ++i;
          --j;
        }
      }
      // Recurse into the smaller part so that the depth stays logarithmic.
      if (j - lo < hi - i) {
        quickSort(compare, lo, j);
        lo = i;
      } else {
        quickSort(compare, i, hi);
        hi = j;
      }
    }
  }

  Slot* storage_ = nullptr;
  int first_ = 0;
  int capacity_ = 0;
};

TESSA_TYPE_NAME(Array<String>, "Array<String>");

// ---------------------------------------------------------------------------
// StringSet

// An entry of the string hash set: the key, the bucket list that holds it,
// its neighbours in the set's insertion chain, and the payload.
template <class V, class K>
struct Bucket {
  K key;
  List<Bucket>* list = nullptr;
  Bucket* previous = nullptr;  // newer entry in the insertion chain
  Bucket* next = nullptr;      // older entry
  V value = V();
};

template <>
struct TypeName<Bucket<bool, String>> {
  static constexpr const char* value = "Bucket<bool,String>";
};
template <>
struct TypeName<List<Bucket<bool, String>>> {
  static constexpr const char* value = "List<Bucket<bool,String>>";
};

// A set of byte-exact String keys with a bool flag each. Callers normalise
// keys (for example with makeUpper) for case-insensitive use.
class StringSet {
 public:
  using Entry = Bucket<bool, String>;

  StringSet() = default;
  StringSet(const StringSet&) = delete;
  StringSet& operator=(const StringSet&) = delete;

  // Destroys all entries and makes n empty buckets (n < 0 counts as 0).
  void reset(int n);
  // Adds key with flag and returns true; for a key already present, its flag
  // is overwritten and the result is false. A set without buckets rejects
  // every key (false).
  bool insert(const String& key, bool flag);
  Entry* find(const String& key);
  bool contains(const String& key) { return find(key) != nullptr; }

  int count() const { return count_; }
  int bucketCount() const { return buckets_.count(); }
  Entry* newest() { return head_; }  // follow `next` for older entries
  Entry* oldest() { return tail_; }  // follow `previous` for newer entries

 private:
  List<Entry>* bucketFor(const String& key);

  Array<List<Entry>> buckets_;
  int count_ = 0;
  Entry* head_ = nullptr;
  Entry* tail_ = nullptr;
};
