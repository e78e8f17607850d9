// The container templates, run through the same checks for both Array
// layouts (plain values and class elements) and for List where the
// Collection interface is shared.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/containers.h"
#include "fatal_capture.h"

namespace {

struct HandleTag;
using Handle = HandleTag*;

// An element that counts its live instances, to catch elements that are
// destroyed twice or never.
struct Counted {
  static int live;
  int value = 0;
  Counted() { ++live; }
  Counted(int v) : value(v) { ++live; }  // NOLINT: converting, like the tests' ints
  Counted(const Counted& other) : value(other.value) { ++live; }
  Counted(Counted&& other) noexcept : value(other.value) { ++live; }
  Counted& operator=(const Counted&) = default;
  ~Counted() { --live; }
};
int Counted::live = 0;

// A plain element wider than a pointer.
struct Triple {
  int a, b, c;
};

}  // namespace

TESSA_TYPE_NAME(Counted, "Counted");
TESSA_TYPE_NAME(Triple, "Triple");

namespace {

// The elements of a collection, front to back, as text.
template <class C>
std::string contents(C& c) {
  std::string out;
  Iterator it;
  c.iterateForward(it);
  while (auto* e = c.next(it)) {
    if (!out.empty()) out += ',';
    if constexpr (std::is_same<std::decay_t<decltype(*e)>, String>::value) out += e->cStr();
    else out += std::to_string(*e);
  }
  return out;
}

template <class C>
void fill(C& c, std::initializer_list<int> values) {
  for (int v : values) {
    if constexpr (std::is_same<typename C::Element, String>::value) c.addLast(fromInt(v));
    else c.addLast(v);
  }
}

template <class C>
class CollectionContract : public ::testing::Test {};

using Collections = ::testing::Types<List<int>, Array<int>, List<String>, Array<String>>;
TYPED_TEST_SUITE(CollectionContract, Collections);

TYPED_TEST(CollectionContract, IteratesBothWaysAndPeeks) {
  TypeParam c;
  Iterator it;
  EXPECT_FALSE(c.iterateForward(it));
  EXPECT_EQ(c.next(it), nullptr);
  EXPECT_EQ(c.first(it), nullptr);
  EXPECT_EQ(c.firstElement(), nullptr);
  fill(c, {1, 2, 3});
  EXPECT_EQ(contents(c), "1,2,3");
  EXPECT_TRUE(c.iterateBackward(it));
  std::vector<const void*> backwards;
  while (auto* e = c.previous(it)) backwards.push_back(e);
  ASSERT_EQ(backwards.size(), 3u);
  EXPECT_EQ(backwards.front(), c.lastElement());
  EXPECT_EQ(backwards.back(), c.firstElement());
  auto* first = c.first(it);
  EXPECT_EQ(first, c.firstElement());
  EXPECT_EQ(c.peekPrevious(it), nullptr);
  auto* second = c.peekNext(it);
  EXPECT_EQ(c.next(it), second);
  EXPECT_EQ(c.current(it), second);
  EXPECT_EQ(c.peekPrevious(it), first);
  EXPECT_EQ(c.previous(it), first);
  EXPECT_EQ(c.last(it), c.lastElement());
  EXPECT_EQ(c.next(it), nullptr);
  EXPECT_EQ(c.current(it), nullptr);
}

TYPED_TEST(CollectionContract, RemovesThroughTheIterator) {
  TypeParam c;
  fill(c, {1, 2, 3, 4});
  Iterator it;
  c.iterateForward(it);
  EXPECT_FALSE(c.removeCurrent(it));
  // Remove the even elements while walking.
  int walked = 0;
  while (c.next(it)) {
    if (++walked % 2 == 0) {
      EXPECT_TRUE(c.removeCurrent(it));
    }
  }
  EXPECT_EQ(contents(c), "1,3");
  c.last(it);
  auto taken = c.takeCurrent(it);
  EXPECT_EQ(c.next(it), nullptr);
  EXPECT_EQ(contents(c), "1");
  (void)taken;
}

TYPED_TEST(CollectionContract, AddsRemovesAndTruncates) {
  TypeParam c;
  fill(c, {1, 2, 3});
  TypeParam other;
  fill(other, {8, 9});
  c.addAllFront(other);
  c.addAll(other);
  EXPECT_EQ(contents(c), "8,9,1,2,3,8,9");
  c.addAll(c);  // itself: copies the elements once
  EXPECT_EQ(c.count(), 14);
  c.truncate(3);
  c.addAllFront(c);
  EXPECT_EQ(contents(c), "8,9,1,8,9,1");
  c.truncate(3);
  EXPECT_EQ(contents(c), "8,9,1");
  c.addFirst(c.lastElement());
  EXPECT_EQ(contents(c), "1,8,9,1");
  EXPECT_EQ(c.removeFirstN(2), 2);
  EXPECT_EQ(c.removeLastN(5), 2);
  EXPECT_FALSE(c.removeFirst());
  EXPECT_EQ(c.removeFirstN(-1), 0);
  fill(c, {1, 2, 3});
  EXPECT_EQ(c.removeFirstN(5), 3);
  fill(c, {4});
  c.truncate(0);
  EXPECT_TRUE(c.isEmpty());
  auto nothing = c.takeFirst();  // a default element
  (void)nothing;
  c.addLast(static_cast<const typename TypeParam::Element*>(nullptr));
  EXPECT_EQ(c.count(), 1);
}

TYPED_TEST(CollectionContract, TakesWhileWalking) {
  TypeParam c;
  fill(c, {1, 2, 3, 4, 5});
  TypeParam taken;
  Iterator it;
  c.iterateForward(it);
  for (int k = 0; c.next(it); ++k)
    if (k % 2 == 1) taken.addLast(c.takeCurrent(it));
  EXPECT_EQ(contents(taken), "2,4");
  EXPECT_EQ(contents(c), "1,3,5");
  taken.addLast(c.takeLast());
  taken.addLast(c.takeFirst());
  EXPECT_EQ(contents(taken), "2,4,5,1");
  EXPECT_EQ(contents(c), "3");
}

TYPED_TEST(CollectionContract, RotatesByAnyCount) {
  TypeParam c;
  fill(c, {1, 2, 3});
  c.rotateLeft(4);
  EXPECT_EQ(contents(c), "2,3,1");
  c.rotateLeft(-1);
  EXPECT_EQ(contents(c), "1,2,3");
  c.rotateRight(1);
  EXPECT_EQ(contents(c), "3,1,2");
  c.rotateRight(-4);
  EXPECT_EQ(contents(c), "1,2,3");
  c.rotateLeft(INT_MIN);  // no overflow
  EXPECT_EQ(c.count(), 3);
  TypeParam one;
  fill(one, {1});
  one.rotateLeft(1);
  EXPECT_EQ(contents(one), "1");
}

TYPED_TEST(CollectionContract, CopiesAreIndependent) {
  TypeParam c;
  fill(c, {1, 2});
  TypeParam copy(c);
  copy.removeFirst();
  TypeParam assigned;
  assigned = c;
  assigned = assigned;
  TypeParam moved(std::move(assigned));
  EXPECT_EQ(contents(c), "1,2");
  EXPECT_EQ(contents(copy), "2");
  EXPECT_EQ(contents(moved), "1,2");
  EXPECT_TRUE(assigned.isEmpty());
}

template <class T>
class ArrayLayouts : public ::testing::Test {};
using ArrayTypes = ::testing::Types<Array<int>, Array<String>>;
TYPED_TEST_SUITE(ArrayLayouts, ArrayTypes);

// Checks the array against a reference model through a long random mix of
// inserts and removals at every position.
TYPED_TEST(ArrayLayouts, MatchesAModelUnderRandomEdits) {
  TypeParam a;
  std::vector<int> model;
  std::mt19937 random(7);
  for (int round = 0; round < 4000; ++round) {
    const int size = static_cast<int>(model.size());
    const int op = static_cast<int>(random() % 8);
    const int i = size ? static_cast<int>(random() % (size + 2)) - 1 : 0;
    if (op < 3) {
      const int v = round;
      if constexpr (std::is_same<TypeParam, Array<int>>::value) *a.insertNew(i) = v;
      else *a.insertNew(i) = fromInt(v);
      model.insert(model.begin() + std::clamp(i, 0, size), v);
    } else if (op == 3) {
      if constexpr (std::is_same<TypeParam, Array<int>>::value) a.addFirst(round);
      else a.addFirst(fromInt(round));
      model.insert(model.begin(), round);
    } else if (op == 4 && size > 0) {
      const int j = static_cast<int>(random() % size);
      EXPECT_TRUE(a.removeRange(j, j + 2));
      model.erase(model.begin() + j, model.begin() + std::min(j + 3, size));
    } else if (op == 5 && size > 0) {
      a.removeFirst();
      model.erase(model.begin());
    } else if (op == 6 && size > 1) {
      const int from = static_cast<int>(random() % size), to = static_cast<int>(random() % size);
      if (from < to) {
        a.moveForward(from, to);
        std::rotate(model.begin() + from, model.begin() + from + 1, model.begin() + to + 1);
      } else if (to < from) {
        a.moveBackward(from, to);
        std::rotate(model.begin() + to, model.begin() + from, model.begin() + from + 1);
      }
    } else {
      if constexpr (std::is_same<TypeParam, Array<int>>::value) a.addLast(-round);
      else a.addLast(fromInt(-round));
      model.push_back(-round);
    }
    ASSERT_EQ(a.count(), static_cast<int>(model.size()));
    ASSERT_LE(a.count(), a.capacity());
  }
  std::string expected;
  for (int v : model) expected += (expected.empty() ? "" : ",") + std::to_string(v);
  EXPECT_EQ(contents(a), expected);
}

TYPED_TEST(ArrayLayouts, SetCountGrowsWithDefaultsAndShrinks) {
  TypeParam a;
  a.setCount(3);
  EXPECT_EQ(a.count(), 3);
  a.setCount(2000);
  a.setCount(10);
  EXPECT_EQ(a.count(), 10);
  a.ensureCount(5);
  EXPECT_EQ(a.count(), 10);
  a.clearAndSetCount(2);
  EXPECT_EQ(a.count(), 2);
  EXPECT_TRUE(a[0] == a[1]);
  a.setCount(-1);
  EXPECT_EQ(a.count(), 0);
  EXPECT_EQ(a.capacity(), 0);
}

TYPED_TEST(ArrayLayouts, SortsAndSwaps) {
  TypeParam a;
  std::vector<int> values;
  std::mt19937 random(3);
  for (int i = 0; i < 500; ++i) values.push_back(static_cast<int>(random() % 50));
  for (int v : values) {
    if constexpr (std::is_same<TypeParam, Array<int>>::value) a.addLast(v);
    else a.addLast(formatString("%03d", v));
  }
  using E = typename TypeParam::Element;
  a.sort([](const E* x, const E* y) {
    if constexpr (std::is_same<E, int>::value) return *x < *y ? -1 : (*x > *y ? 1 : 0);
    else return x->compare(*y);
  });
  std::sort(values.begin(), values.end());
  for (int i = 0; i < a.count(); ++i) {
    if constexpr (std::is_same<E, int>::value) ASSERT_EQ(a[i], values[i]);
    else ASSERT_EQ(a[i].toInt(), values[i]);
  }
  EXPECT_TRUE(a.swap(0, a.count() - 1));
  EXPECT_FALSE(a.swap(0, a.count()));
}

TEST(ArrayIndex, BadIndexesAreFatalAndNameTheType) {
  Array<String> a;
  a.addLast("one");
  a.addLast("two");
  a.addLast("three");
  EXPECT_EQ(fatalTextOf([&] { a.elementAt(3); }), "Vector<String>[3]\nmax_index = 2");
  EXPECT_EQ(fatalTextOf([&] { a[-1]; }), "Vector<String>[-1]\nmax_index = 2");
  Array<int> empty;
  EXPECT_EQ(fatalTextOf([&] { empty.checkIndex(0); }), "Vector<int>[0]\nmax_index = -1");
  Array<Array<String>> nested;
  EXPECT_EQ(fatalTextOf([&] { nested[0]; }), "Vector<Array<String>>[0]\nmax_index = -1");
  // Every other operation absorbs bad indexes.
  EXPECT_FALSE(a.removeAt(3));
  EXPECT_FALSE(a.removeRange(2, 1));
  EXPECT_TRUE(a.takeAt(7).isEmpty());
  EXPECT_FALSE(a.moveForward(2, 1));
  EXPECT_STREQ(a.insertNew(99)->cStr(), "");
  EXPECT_EQ(a.count(), 4);
  EXPECT_STREQ(a.insertAt(-5, String("zero"))->cStr(), "zero");
  EXPECT_STREQ(a[0].cStr(), "zero");
}

TEST(ArrayIndex, RangeForAndIndexOf) {
  Array<String> a;
  for (const char* s : {"a", "b", "c"}) a.addLast(s);
  std::string joined;
  for (String& s : a) s.append("!");
  const Array<String>& view = a;
  for (const String& s : view) joined += s.cStr();
  EXPECT_EQ(joined, "a!b!c!");
  EXPECT_EQ(a.indexOf("b!"), 1);
  EXPECT_EQ(a.indexOf("x"), -1);
}

TEST(StackPop, EmptyPopIsFatal) {
  Stack<String> s;
  s.push("a");
  s.push("b");
  EXPECT_STREQ(s.pop().cStr(), "b");
  EXPECT_STREQ(s.top()->cStr(), "a");
  s.pop();
  EXPECT_EQ(fatalTextOf([&] { s.pop(); }), "Stack<String>::pop");
  Stack<int> ints;
  EXPECT_EQ(fatalTextOf([&] { ints.pop(); }), "Stack<int>::pop");
  Stack<Handle> keys;
  EXPECT_EQ(fatalTextOf([&] { keys.pop(); }), "Stack<HKEY>::pop");
}

TEST(StringSetInsert, KeysAreByteExactAndCounted) {
  StringSet set;
  EXPECT_FALSE(set.insert("x", true));  // no buckets yet
  set.reset(40);
  EXPECT_TRUE(set.insert("C:\\A.DLL", true));
  EXPECT_FALSE(set.insert("C:\\A.DLL", false));
  EXPECT_EQ(set.count(), 1);
  EXPECT_FALSE(set.find("C:\\A.DLL")->value);
  EXPECT_FALSE(set.contains("c:\\a.dll"));
  for (int i = 0; i < 200; ++i) set.insert(fromInt(i), true);
  EXPECT_EQ(set.count(), 201);
  // The insertion chain runs newest to oldest.
  EXPECT_STREQ(set.newest()->key.cStr(), "199");
  EXPECT_STREQ(set.oldest()->key.cStr(), "C:\\A.DLL");
  int chained = 0;
  for (StringSet::Entry* e = set.newest(); e; e = e->next) ++chained;
  EXPECT_EQ(chained, 201);
  set.reset(-3);
  EXPECT_EQ(set.count(), 0);
  EXPECT_EQ(set.bucketCount(), 0);
  EXPECT_EQ(set.newest(), nullptr);
}

TEST(ElementLifetimes, EveryElementIsDestroyedOnce) {
  {
    List<Counted> list;
    Array<Counted> array;
    for (int i = 0; i < 50; ++i) {
      list.addLast(Counted(i));
      array.insertAt(i / 3, Counted(i));
    }
    array.addAll(list);
    list.addAllFront(array);
    EXPECT_EQ(Counted::live, list.count() + array.count());
    Iterator it;
    list.iterateForward(it);
    while (list.next(it)) list.removeCurrent(it);
    list.addAll(array);
    EXPECT_EQ(array.takeAt(array.count() - 1).value, 49);
    array.removeRange(3, 40);
    array.truncate(20);
    array.setCount(60);
    array.rotateLeft(7);
    EXPECT_EQ(list.takeLast().value, 49);
    list.rotateRight(5);
    EXPECT_EQ(Counted::live, list.count() + array.count());
    Array<Counted> copy(array);
    copy = array;
    copy.clearAndSetCount(4);
    EXPECT_EQ(Counted::live, list.count() + array.count() + copy.count());
  }
  EXPECT_EQ(Counted::live, 0);
}

TEST(ElementLifetimes, CopiesCrossLayouts) {
  List<String> list;
  Array<String> array;
  for (const char* s : {"a", "b", "c"}) list.addLast(s);
  array.fillFrom(list);
  array.addAllFront(list);
  list.addAll(array);
  EXPECT_EQ(contents(array), "a,b,c,a,b,c");
  EXPECT_EQ(contents(list), "a,b,c,a,b,c,a,b,c");
  Array<int> values;
  List<int> more;
  fill(more, {4, 5});
  values.addAll(more);
  more.addAllFront(values);
  EXPECT_EQ(contents(more), "4,5,4,5");
}

// Plain elements of any width: slots are moved and swapped as bytes, and an
// element of the array itself may be the one inserted.
TEST(PlainRecords, KeepTheirBytesThroughEveryMove) {
  Array<Triple> a;
  std::vector<int> model;
  for (int i = 0; i < 40; ++i) {
    a.insertAt(i % 3 == 0 ? 0 : a.count() / 2, Triple{i, -i, i * 7});
    model.insert(model.begin() + (i % 3 == 0 ? 0 : static_cast<int>(model.size()) / 2), i);
  }
  for (int k = 0; k < 30; ++k) {  // copies of its own elements, across growth
    const int from = (k * 7) % a.count(), to = (k * 5) % (a.count() + 1);
    a.insertAt(to, &a[from]);
    model.insert(model.begin() + to, model[from]);
  }
  a.rotateLeft(11);
  std::rotate(model.begin(), model.begin() + 11, model.end());
  a.moveForward(2, 30);
  std::rotate(model.begin() + 2, model.begin() + 3, model.begin() + 31);
  a.moveBackward(40, 5);
  std::rotate(model.begin() + 5, model.begin() + 40, model.begin() + 41);
  ASSERT_EQ(a.count(), static_cast<int>(model.size()));
  for (int i = 0; i < a.count(); ++i) {
    ASSERT_EQ(a[i].a, model[i]) << i;
    ASSERT_EQ(a[i].b, -model[i]);
    ASSERT_EQ(a[i].c, model[i] * 7);
  }
  a.sort([](const Triple* x, const Triple* y) { return x->a - y->a; });
  std::sort(model.begin(), model.end());
  for (int i = 0; i < a.count(); ++i) ASSERT_EQ(a[i].c, model[i] * 7);
  const Triple last = a.takeLast();
  EXPECT_EQ(last.a, model.back());
  EXPECT_EQ(fatalTextOf([&] { a.checkIndex(a.count()); }),
            "Vector<Triple>[" + std::to_string(a.count()) + "]\nmax_index = " +
                std::to_string(a.count() - 1));
}

}  // namespace
