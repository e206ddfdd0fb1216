// Containers: growth, ordered insertion, the keyword dictionary, the bit set
// and the sorted pair lookup.
#include "base/pointer_array.h"
#include "base/bit_array.h"
#include "base/sequence_dictionary.h"
#include "base/sorted_array.h"
#include "base/narrow_string.h"
#include "support/test_support.h"
#include <vector>

namespace {

// An element ordered by key, tagged to tell equal keys apart, counting the
// live instances and the comparisons made.
class Item : public RvObject {
public:
    Item(int k, int t = 0) : key(k), tag(t) { ++live; }
    ~Item() override { --live; }
    int16_t compare(const RvObject& other) const override {
        ++comparisons;
        int o = static_cast<const Item&>(other).key;
        return static_cast<int16_t>(key < o ? -1 : key > o ? 1 : 0);
    }
    int key;
    int tag;
    static int live;
    static int comparisons;
};
int Item::live = 0;
int Item::comparisons = 0;

Item* at(const RvArray& array, uint32_t i) {
    return static_cast<Item*>(array.items[i]);
}

std::vector<int> keysOf(const RvArray& array) {
    std::vector<int> keys;
    for (uint32_t i = 0; i < array.count; ++i)
        keys.push_back(at(array, i)->key);
    return keys;
}

} // namespace

TEST(ArrayGrowth, GrowsByDoublingOrByTheStepWithEmptySlots) {
    RvArray empty;
    ASSERT_EQ(0, empty.grow(0));
    EXPECT_EQ(1u, empty.capacity);
    EXPECT_EQ(nullptr, empty.items[0]);

    RvArray eight;
    ASSERT_EQ(0, eight.reserveSlots(8));
    ASSERT_EQ(0, eight.grow(0));
    EXPECT_EQ(16u, eight.capacity);

    // The seventeenth element of a 16-slot array adds 16 empty slots.
    RvArray array;
    array.flags = RvArray::ownsElements;
    ASSERT_EQ(0, array.reserveSlots(16));
    for (int i = 0; i < 17; ++i)
        ASSERT_EQ(0, array.insertAt(new Item(i), array.count));
    EXPECT_EQ(32u, array.capacity);
    EXPECT_EQ(17u, array.count);
    for (uint32_t i = 0; i < 17; ++i)
        EXPECT_EQ(static_cast<int>(i), at(array, i)->key);
    for (uint32_t i = 17; i < 32; ++i)
        EXPECT_EQ(nullptr, array.items[i]);
}

TEST(ArrayGrowth, CallersBlockIsLeftToTheCaller) {
    // A block the array did not allocate must not be freed by it (ASan
    // reports a free of this stack block).
    RvObject* slots[2] = {};
    Item first(1), second(2);
    RvArray array;
    array.items = slots;
    array.capacity = 2;
    ASSERT_EQ(0, array.insertAt(&first, 0));
    ASSERT_EQ(0, array.insertAt(&second, 1));
    ASSERT_EQ(0, array.insertAt(&first, 2)); // grows out of the caller's block
    EXPECT_NE(static_cast<void*>(slots), static_cast<void*>(array.items));
    EXPECT_TRUE(array.flags & RvArray::ownsBuffer);
    EXPECT_EQ((std::vector<int>{1, 2, 1}), keysOf(array));
}

TEST(ArrayGrowth, FailedGrowthLeavesTheArrayAsItWas) {
    ScopedErrorList list;
    RvArray array;
    array.growStep = 2;
    Item a(1), b(2), c(3);
    ASSERT_EQ(0, array.insertAt(&a, 0));
    ASSERT_EQ(0, array.insertAt(&b, 1));
    RvObject** before = array.items;

    rvAllocFailAt(1);
    EXPECT_EQ(1, array.insertAt(&c, 0));
    rvAllocFailAt(0);
    EXPECT_EQ(before, array.items);
    EXPECT_EQ(2u, array.capacity);
    EXPECT_EQ((std::vector<int>{1, 2}), keysOf(array));
    EXPECT_EQ(1, list->errorCount); // out of memory was noted
}

TEST(ArrayEditing, InsertAndRemoveShiftTheRest) {
    RvArray array;
    Item a(1), b(2), c(3), d(4);
    array.insertAt(&a, 0);
    array.insertAt(&c, 1);
    array.insertAt(&b, 1);
    array.insertAt(&d, 3);
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), keysOf(array));
    array.removeAt(1);
    EXPECT_EQ((std::vector<int>{1, 3, 4}), keysOf(array));
    array.removeAt(2);
    EXPECT_EQ((std::vector<int>{1, 3}), keysOf(array));
}

TEST(ArrayEditing, ClearingTheWholeCapacityDeletesEachElementOnce) {
    int liveBefore = Item::live;
    {
        RvArray array;
        array.flags = RvArray::ownsElements | RvArray::clearWholeCapacity;
        for (int i = 0; i < 3; ++i)
            array.insertAt(new Item(i), array.count);
        // Taking elements out leaves slots behind the count; neither the
        // element handed back nor the one moved down may be deleted twice.
        Item* taken = at(array, 2);
        array.removeAt(2);
        delete taken;
        taken = at(array, 0);
        array.removeAt(0);
        delete taken;
        EXPECT_EQ(1u, array.count);
    }
    EXPECT_EQ(liveBefore, Item::live);
}

TEST(SortedArray, EqualElementsKeepInsertionOrder) {
    RvSortedArray array;
    array.flags = RvArray::ownsElements;
    const int keys[] = {5, 1, 3, 3, 9, 1, 3, 0, 9, 5};
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(0, array.add(new Item(keys[i], i)));
    EXPECT_EQ((std::vector<int>{0, 1, 1, 3, 3, 3, 5, 5, 9, 9}), keysOf(array));
    std::vector<int> tags;
    for (uint32_t i = 0; i < array.count; ++i)
        tags.push_back(at(array, i)->tag);
    EXPECT_EQ((std::vector<int>{7, 1, 5, 2, 3, 6, 0, 9, 4, 8}), tags);

    // Below everything: one comparison with the first element decides.
    Item::comparisons = 0;
    Item* lowest = new Item(-1);
    array.add(lowest);
    EXPECT_EQ(lowest, at(array, 0));
    EXPECT_EQ(1, Item::comparisons);
}

TEST(SortedArray, OrderBitAppendsWhateverTheOrder) {
    for (uint32_t bit : {1u, 2u}) {
        RvSortedArray array;
        array.flags = RvArray::ownsElements;
        array.orderFlags = bit;
        for (int k : {3, 1, 2, 0})
            array.add(new Item(k));
        EXPECT_EQ((std::vector<int>{3, 1, 2, 0}), keysOf(array));
    }
}

namespace {
RvSubString* view(const char* text) {
    return new RvSubString(text, static_cast<uint32_t>(textLength(text)), encodingAnsi);
}
} // namespace

TEST(SeqDictionary, KeysMatchByCaseSettingAndExactLength) {
    RvSeqDictionary dictionary;
    RvSubString probe("DRIVER", 6, encodingAnsi);
    EXPECT_EQ(0u, dictionary.indexOf(probe)); // empty: count
    ASSERT_EQ(0, dictionary.add(view("DSN"), view("a")));
    ASSERT_EQ(0, dictionary.add(view("Driver"), view("b")));
    ASSERT_EQ(0, dictionary.add(view("driver"), view("c")));

    EXPECT_EQ(3u, dictionary.indexOf(probe)); // case matters by default
    EXPECT_FALSE(dictionary.contains(probe));
    RvSubString exact("driver", 6, encodingAnsi);
    EXPECT_EQ(2u, dictionary.indexOf(exact));

    dictionary.ignoreCase = 1;
    EXPECT_EQ(1u, dictionary.indexOf(probe)); // the first match wins
    RvSubString spaced("DRIVER ", 7, encodingAnsi);
    EXPECT_EQ(3u, dictionary.indexOf(spaced));
    dictionary.clearContents();
}

TEST(SeqDictionary, ContentsAreFreedOnlyByClearContents) {
    long liveBefore = rvAllocLive();
    RvSubString* key = view("UID");
    RvSubString* value = view("me");
    {
        RvSeqDictionary dictionary;
        ASSERT_EQ(0, dictionary.add(key, value));
    }
    // The associations went with the dictionary; key and value did not.
    EXPECT_EQ(3u, key->length);
    EXPECT_EQ(liveBefore + 2, rvAllocLive());
    {
        RvSeqDictionary dictionary;
        ASSERT_EQ(0, dictionary.add(key, value));
        dictionary.clearContents();
        EXPECT_EQ(0u, dictionary.count);
    }
    EXPECT_EQ(liveBefore, rvAllocLive());
}

TEST(SeqDictionary, FailedAddLeavesThePairWithTheCaller) {
    ScopedErrorList list;
    RvSeqDictionary dictionary;
    RvSubString key("A", 1, encodingAnsi);
    RvSubString value("1", 1, encodingAnsi);
    for (long n : {1L, 2L}) { // the association, then the slot block
        rvAllocFailAt(n);
        EXPECT_EQ(1, dictionary.add(&key, &value));
        rvAllocFailAt(0);
        EXPECT_EQ(0u, dictionary.count);
    }
}

TEST(BitArray, ResizeClearsAndBitsAreLeastSignificantFirst) {
    RvBitArray bits;
    ASSERT_EQ(0, bits.resize(10));
    EXPECT_EQ(10u, bits.bitCount);
    for (uint32_t i = 0; i < 10; ++i)
        EXPECT_EQ(0, bits.test(i));
    bits.set(9);
    EXPECT_EQ(0, bits.bits[0]);
    EXPECT_EQ(2, bits.bits[1]);
    EXPECT_EQ(1, bits.test(9));

    ScopedErrorList list;
    rvAllocFailAt(1);
    EXPECT_EQ(1, bits.resize(20));
    rvAllocFailAt(0);
    EXPECT_EQ(nullptr, bits.bits);
    EXPECT_EQ(0u, bits.bitCount);
}

TEST(SortedPairLookup, FindsEveryKeyAndOnlyThose) {
    EXPECT_EQ(0u, lookupSortedPair(5, nullptr, 0));
    const RvSortedPair table[] = {{-7, 70}, {-1, 10}, {3, 30}, {106, 1060}, {2000000036, 949}};
    for (const RvSortedPair& row : table)
        EXPECT_EQ(row.value, lookupSortedPair(row.key, table, 5));
    for (int32_t missing : {-8, -2, 0, 4, 2000000037, INT32_MIN, INT32_MAX})
        EXPECT_EQ(0u, lookupSortedPair(missing, table, 5));
}
