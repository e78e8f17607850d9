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
//
// The work is done once, for all element types, by
// CollectionCore (core/container_core.h); the templates here only add what
// depends on the type: creating, copying and destroying an element, and the
// casts.
#pragma once

#include <stdint.h>

#include <new>
#include <type_traits>
#include <utility>

#include "core/container_core.h"
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

// Elements that are plain values (ints, handles, POD records) are copied as
// bytes and live in an Array's slots; others are separate heap objects
// behind pointer slots.
template <class T>
constexpr bool IsPlainElement =
    std::is_trivially_copyable<T>::value && std::is_trivially_default_constructible<T>::value;

// Creates and destroys a class element in storage the containers own.
template <class T>
struct ElementLife {
  static void construct(void* at, const void* from) {
    if (from != nullptr) new (at) T(*static_cast<const T*>(from));
    else new (at) T();
  }
  static void destroy(void* at) { static_cast<T*>(at)->~T(); }
};

template <class T>
constexpr ElementOps elementOpsFor(const char* name, bool inList) {
  // Elements live in blocks from the allocator and behind a List node's links.
  static_assert(alignof(T) <= 8 && ListNodeElementOffset % alignof(T) == 0,
                "element type needs a stricter alignment than the containers give");
  if constexpr (IsPlainElement<T>) {
    return ElementOps{sizeof(T), sizeof(T), nullptr, nullptr, name, inList};
  } else {
    return ElementOps{sizeof(T), sizeof(void*), &ElementLife<T>::construct, &ElementLife<T>::destroy,
                      name, inList};
  }
}

// The ElementOps of a List's elements, and of an Array's, which also name
// the type (so only the latter need a TypeName).
template <class T>
inline constexpr ElementOps ListElementOps = elementOpsFor<T>(nullptr, true);
template <class T>
inline constexpr ElementOps ArrayElementOps = elementOpsFor<T>(TypeName<T>::value, false);

// The overrides below only cast: the work is in CollectionCore.
template <class T>
class Collection : public CollectionCore {
 public:
  using Element = T;

  virtual ~Collection() = default;

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
  explicit Collection(const ElementOps& ops) : CollectionCore(ops) {}

  static T* cast(void* element) { return static_cast<T*>(element); }

  // The element a take operation set aside, moved out (a default element
  // for null).
  TESSA_SHARED_CODE T takeOut(void* element) {
    T value = element ? T(std::move(*cast(element))) : T();
    if (element != nullptr) this->releaseTaken(element);
    return value;
  }
};

// ---------------------------------------------------------------------------
// List

template <class T>
class List : public Collection<T> {
  using Collection<T>::cast;

 public:
  List() : Collection<T>(ListElementOps<T>) {}
  List(const List& other) : List() { this->addCopiesBack(other); }
  List(List&& other) noexcept : List() { this->listTakeOver(other); }
  List& operator=(const List& other) {
    if (this != &other) {
      this->listClear();
      this->addCopiesBack(other);
    }
    return *this;
  }
  List& operator=(List&& other) noexcept {
    if (this != &other) {
      this->listClear();
      this->listTakeOver(other);
    }
    return *this;
  }
  using Collection<T>::firstElement;
  using Collection<T>::lastElement;

  bool iterateForward(Iterator& it) override { return this->listIterateForward(it); }
  bool iterateBackward(Iterator& it) override { return this->listIterateBackward(it); }
  T* first(Iterator& it) override { return cast(this->listFirst(it)); }
  T* next(Iterator& it) override { return cast(this->listNext(it)); }
  T* last(Iterator& it) override { return cast(this->listLast(it)); }
  T* previous(Iterator& it) override { return cast(this->listPrevious(it)); }
  T* firstElement() override { return cast(this->listFirstElement()); }
  T* lastElement() override { return cast(this->listLastElement()); }
  T* current(Iterator& it) override { return cast(this->listCurrent(it)); }
  T* peekNext(Iterator& it) override { return cast(this->listPeekNext(it)); }
  T* peekPrevious(Iterator& it) override { return cast(this->listPeekPrevious(it)); }

  T* addLast(const T& value) override { return cast(this->listAddLast(&value)); }
  T* addLast(const T* value) override { return cast(this->listAddLast(value)); }
  void addAll(const Collection<T>& other) override { this->addCopiesBack(other); }
  T* addFirst(const T& value) override { return cast(this->listAddFirst(&value)); }
  T* addFirst(const T* value) override { return cast(this->listAddFirst(value)); }
  void addAllFront(const Collection<T>& other) override { this->addCopiesFront(other); }
  void clear() override { this->listClear(); }
  bool removeCurrent(Iterator& it) override { return this->listRemoveCurrent(it); }
  int removeFirstN(int n) override { return this->listRemoveFirstN(n); }
  bool removeFirst() override { return this->listRemoveFirst(); }
  int removeLastN(int n) override { return this->listRemoveLastN(n); }
  bool removeLast() override { return this->listRemoveLast(); }
  void truncate(int n) override { this->listTruncate(n); }
  T takeFirst() override { return this->takeOut(this->listTakeFirst()); }
  T takeLast() override { return this->takeOut(this->listTakeLast()); }
  T takeCurrent(Iterator& it) override { return this->takeOut(this->listTakeCurrent(it)); }
  void rotateLeft(int n) override { this->listRotateLeft(n); }
  void rotateRight(int n) override { this->listRotateRight(n); }

  // Range-for support.
  template <class E>
  class Cursor {
   public:
    explicit Cursor(ListLink* node) : node_(node) {}
    E& operator*() const { return *operator->(); }
    E* operator->() const { return static_cast<E*>(CollectionCore::listElement(node_)); }
    Cursor& operator++() {
      node_ = node_->next;
      return *this;
    }
    bool operator!=(const Cursor& other) const { return node_ != other.node_; }

   private:
    ListLink* node_;
  };
  Cursor<T> begin() { return Cursor<T>(this->listHead()); }
  Cursor<T> end() { return Cursor<T>(nullptr); }
  Cursor<const T> begin() const { return Cursor<const T>(this->listHead()); }
  Cursor<const T> end() const { return Cursor<const T>(nullptr); }
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

 protected:
  explicit Vector(const ElementOps& ops) : Collection<T>(ops) {}
};

// Plain elements (IsPlainElement) live in the slots; the slots of all others
// point to elements of their own, which never move.
template <class T>
class Array : public Vector<T> {
  using Collection<T>::cast;

 public:
  Array() : Vector<T>(ArrayElementOps<T>) {}
  explicit Array(int n) : Array() { this->arraySetCount(n); }
  Array(const Array& other) : Array() { this->arrayFillFrom(other); }
  Array(Array&& other) noexcept : Array() { this->arrayTakeOver(other); }
  Array& operator=(const Array& other) {
    this->arrayFillFrom(other);
    return *this;
  }
  Array& operator=(Array&& other) noexcept {
    if (this != &other) {
      this->arrayClear();
      this->arrayTakeOver(other);
    }
    return *this;
  }
  using Collection<T>::firstElement;
  using Collection<T>::lastElement;
  using Vector<T>::elementAt;
  using Vector<T>::operator[];

  int capacity() const { return this->arrayCapacity(); }

  // Collection
  bool iterateForward(Iterator& it) override { return this->arrayIterateForward(it); }
  bool iterateBackward(Iterator& it) override { return this->arrayIterateBackward(it); }
  T* first(Iterator& it) override { return cast(this->arrayFirst(it)); }
  T* next(Iterator& it) override { return cast(this->arrayNext(it)); }
  T* last(Iterator& it) override { return cast(this->arrayLast(it)); }
  T* previous(Iterator& it) override { return cast(this->arrayPrevious(it)); }
  T* firstElement() override { return cast(this->arrayFirstElement()); }
  T* lastElement() override { return cast(this->arrayLastElement()); }
  T* current(Iterator& it) override { return cast(this->arrayCurrent(it)); }
  T* peekNext(Iterator& it) override { return cast(this->arrayPeekNext(it)); }
  T* peekPrevious(Iterator& it) override { return cast(this->arrayPeekPrevious(it)); }

  T* addLast(const T& value) override { return cast(this->arrayAddLast(&value)); }
  T* addLast(const T* value) override { return cast(this->arrayAddLast(value)); }
  void addAll(const Collection<T>& other) override { this->addCopiesBack(other); }
  T* addFirst(const T& value) override { return cast(this->arrayAddFirst(&value)); }
  T* addFirst(const T* value) override { return cast(this->arrayAddFirst(value)); }
  void addAllFront(const Collection<T>& other) override { this->addCopiesFront(other); }
  void clear() override { this->arrayClear(); }
  bool removeCurrent(Iterator& it) override { return this->arrayRemoveCurrent(it); }
  int removeFirstN(int n) override { return this->arrayRemoveFirstN(n); }
  bool removeFirst() override { return this->arrayRemoveFirst(); }
  int removeLastN(int n) override { return this->arrayRemoveLastN(n); }
  bool removeLast() override { return this->arrayRemoveLast(); }
  void truncate(int n) override { this->arrayTruncate(n); }
  T takeFirst() override { return takeAt(0); }
  T takeLast() override { return takeAt(this->count_ - 1); }
  T takeCurrent(Iterator& it) override { return this->takeOut(this->arrayTakeCurrent(it)); }
  void rotateLeft(int n) override { this->arrayRotateLeft(n); }
  void rotateRight(int n) override { this->arrayRotateRight(n); }

  // Vector
  T* elementAt(int i) override { return cast(this->arrayElementAt(i)); }
  bool removeRange(int first, int last) override { return this->arrayRemoveRange(first, last); }
  bool removeAt(int i) override { return this->arrayRemoveAt(i); }
  void ensureCount(int n) override { this->arrayEnsureCount(n); }
  T* appendNew() override { return cast(this->arrayAppendNew()); }
  void resetFields() override { this->arrayResetFields(); }
  T* insertAt(int i, const T* value) override { return cast(this->arrayInsertAt(i, value)); }
  T* insertAt(int i, const T& value) override { return cast(this->arrayInsertAt(i, &value)); }
  T* insertNew(int i) override { return cast(this->arrayInsertNew(i)); }
  T& operator[](int i) override { return *cast(this->arrayElementAt(i)); }
  T takeAt(int i) override { return this->takeOut(this->arrayTakeAt(i)); }
  void setCount(int n) override { this->arraySetCount(n); }
  bool moveForward(int from, int to) override { return this->arrayMoveForward(from, to); }
  bool moveBackward(int from, int to) override { return this->arrayMoveBackward(from, to); }
  void clearAndSetCount(int n) override { this->arrayClearAndSetCount(n); }
  bool swap(int i, int j) override { return this->arraySwap(i, j); }
  void checkIndex(int i) const override { this->arrayCheckIndex(i); }

  // Replaces the content with copies of every element of other, in order.
  void fillFrom(const Collection<T>& other) { this->arrayFillFrom(other); }

  // Index of the first element equal to value, or -1.
  int indexOf(const T& value) const {
    for (int i = 0; i < this->count_; ++i)
      if (*element(i) == value) return i;
    return -1;
  }

  // Sorts in place with a three-way comparison of two elements.
  using Compare = int (*)(const T* a, const T* b);
  void sort(Compare compare) { this->arraySort(&compareThrough, &compare); }

  // Range-for support.
  template <class E, class A>
  class Cursor {
   public:
    Cursor(A* array, int i) : array_(array), i_(i) {}
    E& operator*() const { return *array_->element(i_); }
    E* operator->() const { return array_->element(i_); }
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
  T* element(int i) const { return cast(this->arrayAt(i)); }
  static int compareThrough(const void* a, const void* b, const void* compare) {
    return (*static_cast<const Compare*>(compare))(static_cast<const T*>(a), static_cast<const T*>(b));
  }
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
