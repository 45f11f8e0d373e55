#pragma once

#include "base/base_object.h"

// Ordered list of item references. The collection owns its items: FreeAll and the destructor
// destroy each one through FreeItem. Misuse (an index out of range, an insertion that cannot grow
// the array) calls Error, which ends the program with run-time error 213 or 214.
class ObjectCollection : public BaseObject {
  public:
    static constexpr int MaxLimit = 16380;
    static constexpr int IndexError = -1;
    static constexpr int FullError = -2;

    ObjectCollection(int limit, int delta);
    ~ObjectCollection() override;

    virtual int IndexOf(void* item);
    // Returns whether the item was taken into the collection.
    virtual bool Insert(void* item);
    virtual void FreeItem(void* item);
    // Ends the program with run-time error 212 - code; a test subclass may return instead.
    virtual void Error(int code);

    void* At(int index);
    void AtInsert(int index, void* item);
    void FreeAll();
    void SetLimit(int limit);

    void** Items = nullptr;
    int Count = 0;
    int Limit = 0;
    int Delta = 0;
};

// Keeps its items in the order of Compare on their keys.
class SortedCollection : public ObjectCollection {
  public:
    using ObjectCollection::ObjectCollection;

    int IndexOf(void* item) override;
    bool Insert(void* item) override;
    virtual const void* KeyOf(void* item);
    virtual int Compare(const void* key1, const void* key2) = 0;

    // Binary search; index receives the position of the key or where it would be inserted.
    bool Search(const void* key, int& index);

    bool Duplicates = false;
};

// Sorted, owned zero-terminated texts, ordered by their unsigned byte values.
class StringCollection : public SortedCollection {
  public:
    using SortedCollection::SortedCollection;
    ~StringCollection() override;

    void FreeItem(void* item) override;
    int Compare(const void* key1, const void* key2) override;

    // Inserts a heap copy of text; the copy is released again when the text is already present.
    bool InsertCopy(const char* text);
    const char* TextAt(int index) { return static_cast<const char*>(At(index)); }

    static char* NewText(const char* text);
};
