#include "base/object_collection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/child_case.h"

namespace {

// An item that counts its own destruction.
class Item : public BaseObject {
  public:
    explicit Item(int key, int* destroyed = nullptr) : key(key), destroyed(destroyed) {}
    ~Item() override {
        if (destroyed != nullptr) ++*destroyed;
    }
    int key = 0;
    int* destroyed = nullptr;
};

// Records what Error was called with instead of ending the program.
class RecordingCollection : public ObjectCollection {
  public:
    using ObjectCollection::ObjectCollection;
    void Error(int code) override { errors.push_back(code); }
    std::vector<int> errors;
};

// Items ordered by their integer key.
class ItemsByKey : public SortedCollection {
  public:
    ItemsByKey(int limit, int delta, bool duplicates) : SortedCollection(limit, delta) {
        Duplicates = duplicates;
    }
    const void* KeyOf(void* item) override { return &static_cast<Item*>(item)->key; }
    int Compare(const void* key1, const void* key2) override {
        int a = *static_cast<const int*>(key1);
        int b = *static_cast<const int*>(key2);
        return a < b ? -1 : (a > b ? 1 : 0);
    }
};

std::vector<std::string> Texts(StringCollection& collection) {
    std::vector<std::string> texts;
    for (int i = 0; i < collection.Count; ++i)
        texts.emplace_back(collection.TextAt(i));
    return texts;
}

std::vector<int> Keys(ObjectCollection& collection) {
    std::vector<int> keys;
    for (int i = 0; i < collection.Count; ++i)
        keys.push_back(static_cast<Item*>(collection.At(i))->key);
    return keys;
}

}  // namespace

// The program-ending misuses, each run in a child process of this test program.
ZR3_CHILD_CASE(SixthInsertIntoFixedFive) {
    ObjectCollection collection(5, 0);
    for (int i = 0; i < 6; ++i)
        collection.Insert(new Item(i));
}

ZR3_CHILD_CASE(AtPastTheEnd) {
    ObjectCollection collection(5, 0);
    collection.Insert(new Item(1));
    collection.At(1);
}

ZR3_CHILD_CASE(AtInsertBeforeTheStart) {
    ObjectCollection collection(5, 5);
    collection.AtInsert(-1, nullptr);
}

TEST(ObjectCollection, GrowsByDeltaWhenFull) {
    RecordingCollection collection(0, 5);
    EXPECT_EQ(collection.Limit, 0);
    EXPECT_EQ(collection.Items, nullptr);

    collection.Insert(nullptr);
    EXPECT_EQ(collection.Count, 1);
    EXPECT_EQ(collection.Limit, 5);
    ASSERT_NE(collection.Items, nullptr);

    for (int i = 0; i < 4; ++i)
        collection.Insert(nullptr);
    EXPECT_EQ(collection.Limit, 5);
    collection.Insert(nullptr);
    EXPECT_EQ(collection.Count, 6);
    EXPECT_EQ(collection.Limit, 10);
    EXPECT_TRUE(collection.errors.empty());
}

TEST(ObjectCollection, GrowingKeepsTheItemsInOrder) {
    int destroyed = 0;
    {
        ObjectCollection collection(2, 3);
        for (int i = 0; i < 9; ++i)
            collection.Insert(new Item(i, &destroyed));
        EXPECT_EQ(collection.Limit, 11);
        EXPECT_EQ(Keys(collection), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    }
    EXPECT_EQ(destroyed, 9);
}

TEST(ObjectCollection, SetLimitNeverDropsItemsAndStopsAtTheCap) {
    ObjectCollection collection(10, 5);
    for (int i = 0; i < 3; ++i)
        collection.Insert(new Item(10 + i));

    collection.SetLimit(1);
    EXPECT_EQ(collection.Limit, 3);
    EXPECT_EQ(Keys(collection), (std::vector<int>{10, 11, 12}));

    collection.SetLimit(20000);
    EXPECT_EQ(collection.Limit, ObjectCollection::MaxLimit);
    EXPECT_EQ(Keys(collection), (std::vector<int>{10, 11, 12}));

    collection.FreeAll();
    collection.SetLimit(0);
    EXPECT_EQ(collection.Limit, 0);
    EXPECT_EQ(collection.Items, nullptr);
}

TEST(ObjectCollection, GrowthStopsAtTheCapAndThenReportsFull) {
    RecordingCollection collection(ObjectCollection::MaxLimit - 2, 5);
    for (int i = 0; i < ObjectCollection::MaxLimit - 2; ++i)
        collection.Insert(nullptr);
    EXPECT_EQ(collection.Limit, ObjectCollection::MaxLimit - 2);

    // The growth step would pass the cap: the limit stops at it.
    collection.Insert(nullptr);
    EXPECT_EQ(collection.Limit, ObjectCollection::MaxLimit);
    collection.Insert(nullptr);
    EXPECT_EQ(collection.Count, ObjectCollection::MaxLimit);
    EXPECT_TRUE(collection.errors.empty());

    int marker = 0;
    collection.Insert(&marker);
    EXPECT_EQ(collection.errors, (std::vector<int>{ObjectCollection::FullError}));
    EXPECT_EQ(collection.Count, ObjectCollection::MaxLimit);
    EXPECT_EQ(collection.IndexOf(&marker), -1);
}

TEST(ObjectCollection, AtInsertAppendsAtCountAndShiftsAtZero) {
    ObjectCollection collection(2, 2);
    collection.AtInsert(0, new Item(1));
    collection.AtInsert(1, new Item(2));
    collection.AtInsert(collection.Count, new Item(3));
    EXPECT_EQ(Keys(collection), (std::vector<int>{1, 2, 3}));
    collection.AtInsert(0, new Item(0));
    EXPECT_EQ(Keys(collection), (std::vector<int>{0, 1, 2, 3}));
    collection.AtInsert(2, new Item(9));
    EXPECT_EQ(Keys(collection), (std::vector<int>{0, 1, 9, 2, 3}));
}

TEST(ObjectCollection, BadIndexesCallErrorAndChangeNothing) {
    RecordingCollection collection(5, 0);
    Item a(1), b(2);
    collection.Insert(&a);
    collection.Insert(&b);

    EXPECT_EQ(collection.At(-1), nullptr);
    EXPECT_EQ(collection.At(2), nullptr);
    collection.AtInsert(-1, &a);
    collection.AtInsert(3, &a);
    EXPECT_EQ(collection.errors, std::vector<int>(4, ObjectCollection::IndexError));
    EXPECT_EQ(collection.Count, 2);
    EXPECT_EQ(collection.At(0), &a);
    EXPECT_EQ(collection.At(1), &b);
    collection.Count = 0;  // the items live on the stack
}

TEST(ObjectCollection, FixedCollectionTakesItsLimitAndNoMore) {
    RecordingCollection collection(5, 0);
    for (int i = 0; i < 5; ++i)
        collection.Insert(new Item(i));
    EXPECT_TRUE(collection.errors.empty());

    Item sixth(5);
    collection.Insert(&sixth);
    EXPECT_EQ(collection.errors, (std::vector<int>{ObjectCollection::FullError}));
    EXPECT_EQ(collection.Count, 5);
    EXPECT_EQ(collection.Limit, 5);
    EXPECT_EQ(collection.IndexOf(&sixth), -1);
}

TEST(ObjectCollection, MisuseEndsTheProgramWithItsRuntimeError) {
    ChildResult full = RunChildCase("SixthInsertIntoFixedFive");
    ASSERT_TRUE(full.started);
    EXPECT_EQ(full.exitCode, 214);
    EXPECT_NE(full.errorText.find("Runtime error 214"), std::string::npos) << full.errorText;

    ChildResult index = RunChildCase("AtPastTheEnd");
    ASSERT_TRUE(index.started);
    EXPECT_EQ(index.exitCode, 213);
    EXPECT_NE(index.errorText.find("Runtime error 213"), std::string::npos) << index.errorText;

    ChildResult before = RunChildCase("AtInsertBeforeTheStart");
    ASSERT_TRUE(before.started);
    EXPECT_EQ(before.exitCode, 213);
}

TEST(ObjectCollection, IndexOfFindsTheVeryReferenceOnly) {
    Item first(7), equal(7), other(8);
    RecordingCollection collection(4, 0);
    collection.Insert(&other);
    collection.Insert(&first);
    EXPECT_EQ(collection.IndexOf(&first), 1);
    EXPECT_EQ(collection.IndexOf(&other), 0);
    EXPECT_EQ(collection.IndexOf(&equal), -1);
    EXPECT_EQ(collection.IndexOf(nullptr), -1);
    collection.Count = 0;  // the items live on the stack
}

TEST(ObjectCollection, FreeAllSkipsNullEntriesAndKeepsTheArray) {
    int destroyed = 0;
    ObjectCollection collection(4, 0);
    collection.Insert(new Item(1, &destroyed));
    collection.Insert(nullptr);
    collection.Insert(new Item(2, &destroyed));
    collection.Insert(nullptr);
    void** items = collection.Items;

    collection.FreeAll();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(collection.Count, 0);
    EXPECT_EQ(collection.Limit, 4);
    EXPECT_EQ(collection.Items, items);

    // Emptied, it takes items again without growing.
    collection.Insert(new Item(3, &destroyed));
    EXPECT_EQ(collection.Limit, 4);
}

TEST(SortedCollection, SearchGivesThePositionOrTheInsertionPoint) {
    ItemsByKey collection(8, 4, false);
    for (int key : {30, 10, 20, 40})
        collection.Insert(new Item(key));
    EXPECT_EQ(Keys(collection), (std::vector<int>{10, 20, 30, 40}));

    int index = -5;
    int key = 30;
    EXPECT_TRUE(collection.Search(&key, index));
    EXPECT_EQ(index, 2);
    key = 5;
    EXPECT_FALSE(collection.Search(&key, index));
    EXPECT_EQ(index, 0);
    key = 25;
    EXPECT_FALSE(collection.Search(&key, index));
    EXPECT_EQ(index, 2);
    key = 45;
    EXPECT_FALSE(collection.Search(&key, index));
    EXPECT_EQ(index, 4);
}

TEST(SortedCollection, WithoutDuplicatesAnEqualKeyIsRefusedAndLeftToTheCaller) {
    ItemsByKey collection(4, 4, false);
    collection.Insert(new Item(1));
    collection.Insert(new Item(2));
    int destroyed = 0;
    Item* twin = new Item(2, &destroyed);
    EXPECT_FALSE(collection.Insert(twin));
    EXPECT_EQ(collection.Count, 2);
    EXPECT_EQ(destroyed, 0);
    // Without duplicates IndexOf goes by key: the twin's key is found at the stored item.
    EXPECT_EQ(collection.IndexOf(twin), 1);
    delete twin;
}

TEST(SortedCollection, WithDuplicatesEqualKeysStayTogetherAndIndexOfFindsTheReference) {
    ItemsByKey collection(2, 2, true);
    Item* a = new Item(5);
    Item* b = new Item(5);
    Item* c = new Item(5);
    collection.Insert(new Item(1));
    collection.Insert(a);
    collection.Insert(new Item(9));
    EXPECT_TRUE(collection.Insert(b));
    EXPECT_TRUE(collection.Insert(c));
    EXPECT_EQ(Keys(collection), (std::vector<int>{1, 5, 5, 5, 9}));

    // A new equal key goes before the equal ones already there.
    EXPECT_EQ(collection.At(1), c);
    EXPECT_EQ(collection.At(2), b);
    EXPECT_EQ(collection.At(3), a);
    int key = 5;
    int index = -1;
    EXPECT_TRUE(collection.Search(&key, index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(collection.IndexOf(a), 3);
    EXPECT_EQ(collection.IndexOf(b), 2);

    Item stranger(5);
    EXPECT_EQ(collection.IndexOf(&stranger), -1);
}

TEST(StringCollection, KeepsOneCopyOfEachTextInByteOrder) {
    StringCollection texts(2, 2);
    for (const char* text : {"b", "a", "COM10", "ab", "B", "COM1", "a", "\xE4", "z", ""})
        texts.InsertCopy(text);
    EXPECT_EQ(Texts(texts),
              (std::vector<std::string>{"", "B", "COM1", "COM10", "a", "ab", "b", "z", "\xE4"}));

    EXPECT_FALSE(texts.InsertCopy("ab"));
    EXPECT_EQ(texts.Count, 9);

    int index = -1;
    EXPECT_TRUE(texts.Search("COM10", index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(texts.Search("COM2", index));
    EXPECT_EQ(index, 4);
}

TEST(StringCollection, CompareIsUnsignedBytewiseWithThePrefixFirst) {
    StringCollection texts(0, 1);
    EXPECT_LT(texts.Compare("COM1", "COM10"), 0);
    EXPECT_GT(texts.Compare("COM10", "COM1"), 0);
    EXPECT_LT(texts.Compare("Z", "a"), 0);
    EXPECT_LT(texts.Compare("z", "\x80"), 0);
    EXPECT_EQ(texts.Compare("COM3", "COM3"), 0);
}

TEST(StringCollection, OwnsItsTexts) {
    // Every text here is released by FreeAll or the destructor; the sanitizer reports a leak.
    StringCollection texts(1, 1);
    char* owned = StringCollection::NewText("COM4");
    EXPECT_TRUE(texts.Insert(owned));
    EXPECT_EQ(texts.IndexOf(owned), 0);
    EXPECT_TRUE(texts.InsertCopy("COM3"));
    EXPECT_STREQ(texts.TextAt(0), "COM3");
    texts.FreeAll();
    EXPECT_EQ(texts.Count, 0);
    texts.InsertCopy("COM7");
    texts.InsertCopy("COM8");
    EXPECT_EQ(texts.Count, 2);
}
