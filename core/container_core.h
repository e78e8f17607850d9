// The type-independent machinery behind the container templates of
// core/containers.h. CollectionCore holds the state of every collection and
// implements each operation once, on raw element storage; the templates only
// add the element type: an ElementOps table that creates and destroys an
// element, and the casts of the element addresses returned here.
//
// Most operations take the same arguments as the virtual operation they
// implement (an element as `const void*`, an element result as `void*`), so
// that a template's override is a bare jump to them.
//
// Plain elements (an ElementOps without functions) are created by copying
// their bytes or zeroing them, and destroyed by forgetting them. All others
// are constructed and destroyed through the table and never move once
// constructed: a list element sits in its node, an array element of class
// type in a heap block of its own behind a pointer slot.
#pragma once

#include <stddef.h>
#include <stdint.h>

// A position record for the iteration operations. Each field is 0 for "none";
// otherwise an Array stores index + 1 and a List a node address.
struct Iterator {
  intptr_t current = 0;
  intptr_t next = 0;
  intptr_t previous = 0;
};

// What the machinery needs to know of a collection's elements: one table
// per element type and layout.
struct ElementOps {
  size_t size;
  size_t slotSize;  // of an Array slot: size for plain elements, else a pointer
  // Constructs an element at `at`: a copy of *from, or a default element
  // when from is null. Null for plain types.
  void (*construct)(void* at, const void* from);
  void (*destroy)(void* at);  // null for plain types
  // The printable name in the fatal index report of an Array.
  const char* name;
  bool inList;  // the elements of a List, else of an Array

  bool isPlain() const { return construct == nullptr; }
};

// Marks the operations that the overrides of every element type jump to, and
// helpers several of them share: inlining one would copy it into each.
#define TESSA_SHARED_CODE __attribute__((noinline))

// A three-way comparison of two elements for sorting, with the caller's
// context (the typed comparison function).
using ElementCompare = int (*)(const void* a, const void* b, const void* context);

// The links of a List node; the element follows at ListNodeElementOffset.
struct ListLink {
  ListLink* previous;
  ListLink* next;
};

// Element types must not need a stricter alignment than this gives them.
constexpr size_t ListNodeElementOffset = sizeof(ListLink);

// The state of every collection: its count, its ElementOps, and either a
// List's chain of nodes or an Array's block of slots.
class CollectionCore {
 public:
  int count() const { return count_; }
  bool isEmpty() const { return count_ <= 0; }

 protected:
  explicit CollectionCore(const ElementOps& ops);
  // Destroys the elements. Virtual so that this class, and not the first
  // template above it, holds the vtable pointer: `this` is then the same for
  // both, and an override in the templates needs no adjustment. Always
  // inlined, so that the compiler sees the vtable pointer stores of the
  // levels above as dead and leaves the abstract templates' vtables out.
  __attribute__((always_inline)) virtual ~CollectionCore() { destroyElements(); }
  CollectionCore(const CollectionCore&) = delete;
  CollectionCore& operator=(const CollectionCore&) = delete;

  // Either layout. Copies of all of source's elements, in their order, at the
  // back or (front) at the front; source may be this collection.
  TESSA_SHARED_CODE void addCopies(const CollectionCore& source, bool front);
  TESSA_SHARED_CODE void addCopiesFront(const CollectionCore& source);
  TESSA_SHARED_CODE void addCopiesBack(const CollectionCore& source);
  // The take operations (listTake..., arrayTake...) set the element aside and
  // return it (null when there is none); the caller moves it out and then
  // hands it to releaseTaken, which destroys it and frees or closes its place.
  TESSA_SHARED_CODE void releaseTaken(void* element);

  // -------------------------------------------------------------------------
  // List: a doubly linked chain of heap nodes, each {links, element}.

  static void* listElement(ListLink* node) {
    return node ? reinterpret_cast<char*>(node) + ListNodeElementOffset : nullptr;
  }
  ListLink* listHead() const { return chain_.head; }

  TESSA_SHARED_CODE bool listIterateForward(Iterator& it);
  TESSA_SHARED_CODE bool listIterateBackward(Iterator& it);
  TESSA_SHARED_CODE void* listFirst(Iterator& it);
  TESSA_SHARED_CODE void* listNext(Iterator& it);
  TESSA_SHARED_CODE void* listLast(Iterator& it);
  TESSA_SHARED_CODE void* listPrevious(Iterator& it);
  TESSA_SHARED_CODE void* listFirstElement();
  TESSA_SHARED_CODE void* listLastElement();
  TESSA_SHARED_CODE void* listCurrent(Iterator& it);
  TESSA_SHARED_CODE void* listPeekNext(Iterator& it);
  TESSA_SHARED_CODE void* listPeekPrevious(Iterator& it);
  // A new node with a copy of *from (a default element for null).
  TESSA_SHARED_CODE void* listAddLast(const void* from);
  TESSA_SHARED_CODE void* listAddFirst(const void* from);
  TESSA_SHARED_CODE void listClear();
  TESSA_SHARED_CODE bool listRemoveCurrent(Iterator& it);
  TESSA_SHARED_CODE int listRemoveFirstN(int n);
  TESSA_SHARED_CODE bool listRemoveFirst();
  TESSA_SHARED_CODE int listRemoveLastN(int n);
  TESSA_SHARED_CODE bool listRemoveLast();
  TESSA_SHARED_CODE void listTruncate(int n);
  TESSA_SHARED_CODE void* listTakeFirst();
  TESSA_SHARED_CODE void* listTakeLast();
  TESSA_SHARED_CODE void* listTakeCurrent(Iterator& it);
  TESSA_SHARED_CODE void listRotateLeft(int n);
  TESSA_SHARED_CODE void listRotateRight(int n);
  // Takes over other's nodes; this list must be empty.
  void listTakeOver(CollectionCore& other);

  // -------------------------------------------------------------------------
  // Array: a block of slots. Plain elements live in the slots; the slots of
  // others hold pointers to them. The slots before `first` form a front gap
  // so that insertions near the front are cheap.

  int arrayCapacity() const { return slots_.capacity; }

  TESSA_SHARED_CODE bool arrayIterateForward(Iterator& it);
  TESSA_SHARED_CODE bool arrayIterateBackward(Iterator& it);
  TESSA_SHARED_CODE void* arrayFirst(Iterator& it);
  TESSA_SHARED_CODE void* arrayNext(Iterator& it);
  TESSA_SHARED_CODE void* arrayLast(Iterator& it);
  TESSA_SHARED_CODE void* arrayPrevious(Iterator& it);
  TESSA_SHARED_CODE void* arrayFirstElement();
  TESSA_SHARED_CODE void* arrayLastElement();
  TESSA_SHARED_CODE void* arrayCurrent(Iterator& it);
  TESSA_SHARED_CODE void* arrayPeekNext(Iterator& it);
  TESSA_SHARED_CODE void* arrayPeekPrevious(Iterator& it);
  // Copies of *from (default elements for null); from may be an element of
  // this array.
  TESSA_SHARED_CODE void* arrayAddLast(const void* from);
  TESSA_SHARED_CODE void* arrayAddFirst(const void* from);
  TESSA_SHARED_CODE void arrayClear();
  TESSA_SHARED_CODE bool arrayRemoveCurrent(Iterator& it);
  TESSA_SHARED_CODE int arrayRemoveFirstN(int n);
  TESSA_SHARED_CODE bool arrayRemoveFirst();
  TESSA_SHARED_CODE int arrayRemoveLastN(int n);
  TESSA_SHARED_CODE bool arrayRemoveLast();
  TESSA_SHARED_CODE void arrayTruncate(int n);
  TESSA_SHARED_CODE void* arrayTakeCurrent(Iterator& it);
  TESSA_SHARED_CODE void arrayRotateLeft(int n);
  TESSA_SHARED_CODE void arrayRotateRight(int n);
  // Element i, which must be valid.
  void* arrayAt(int i) const {
    char* s = slot(i);
    return ops_->isPlain() ? s : *reinterpret_cast<void**>(s);
  }
  // Element i; fatal "Vector<%s>[%d]\nmax_index = %d" for a bad index.
  TESSA_SHARED_CODE void* arrayElementAt(int i);
  TESSA_SHARED_CODE bool arrayRemoveRange(int first, int last);
  TESSA_SHARED_CODE bool arrayRemoveAt(int i);
  TESSA_SHARED_CODE void arrayEnsureCount(int n);
  TESSA_SHARED_CODE void* arrayAppendNew();
  TESSA_SHARED_CODE void arrayResetFields();
  TESSA_SHARED_CODE void* arrayInsertAt(int i, const void* from);  // i clamped into 0 .. count
  TESSA_SHARED_CODE void* arrayInsertNew(int i);
  TESSA_SHARED_CODE void* arrayTakeAt(int i);
  TESSA_SHARED_CODE void arraySetCount(int n);
  TESSA_SHARED_CODE bool arrayMoveForward(int from, int to);
  TESSA_SHARED_CODE bool arrayMoveBackward(int from, int to);
  TESSA_SHARED_CODE void arrayClearAndSetCount(int n);
  TESSA_SHARED_CODE bool arraySwap(int i, int j);
  TESSA_SHARED_CODE void arrayCheckIndex(int i) const;
  // Replaces the elements with copies of source's.
  TESSA_SHARED_CODE void arrayFillFrom(const CollectionCore& source);
  // Makes room for n elements without changing the count.
  void arrayReserve(int n);
  void arraySort(ElementCompare compare, const void* context);
  // Takes over other's block; this array must be empty.
  void arrayTakeOver(CollectionCore& other);

  int count_ = 0;

 private:
  struct Chain {
    ListLink* head;
    ListLink* tail;
  };
  struct Slots {
    void* storage;
    int first;
    int capacity;
  };

  void destroyElements();
  void constructElement(void* at, const void* from) const;
  void* newElement(const void* from) const;
  void destroyElement(void* element) const;

  TESSA_SHARED_CODE void* listLand(Iterator& it, ListLink* node);
  ListLink* listInsertAfter(ListLink* after, const void* from);
  ListLink* listLink(ListLink* after, ListLink* node);
  ListLink* listUnlink(ListLink* node);
  void* listTake(ListLink* node);

  size_t slotSize() const { return ops_->slotSize; }
  char* rawSlot(int absolute) const {
    return static_cast<char*>(slots_.storage) + size_t(absolute) * slotSize();
  }
  char* slot(int i) const { return rawSlot(slots_.first + i); }
  bool validPosition(intptr_t p) const { return p >= 1 && p <= count_; }
  bool validIndex(int i) const { return i >= 0 && i < count_; }
  void* arrayLand(Iterator& it, intptr_t p);
  void* arrayAtPosition(intptr_t p) const;
  void pointAfterRemoval(Iterator& it, int i, int countAfter) const;
  void swapSlots(int i, int j);
  void reverseSlots(int lo, int hi);
  bool moveSlot(int from, int to);
  bool removeSlots(int first, int last, bool destroy);
  void moveSlots(int to, int from, int n);
  void destroyRange(int from, int n);
  void moveValues(int newFirst);
  void relocate(int capacity, int first);
  int valueCapacity(int n) const;
  char* openValueSlot(int i);
  char* openPointerSlot(int i);
  void quickSort(int lo, int hi, ElementCompare compare, const void* context);

  const ElementOps* ops_;
  // Which one is in use: ops_->inList.
  union {
    Chain chain_;
    Slots slots_;
  };
};
