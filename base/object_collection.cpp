#include "base/object_collection.h"

#include <cstring>

#include "base/run_error.h"

ObjectCollection::ObjectCollection(int limit, int delta) : Delta(delta) {
    SetLimit(limit);
}

ObjectCollection::~ObjectCollection() {
    FreeAll();
    SetLimit(0);
}

void ObjectCollection::Error(int code) {
    RunError(212 - code);
}

void* ObjectCollection::At(int index) {
    if (index < 0 || index >= Count) {
        Error(IndexError);
        return nullptr;
    }
    return Items[index];
}

void ObjectCollection::AtInsert(int index, void* item) {
    if (index < 0 || index > Count) {
        Error(IndexError);
        return;
    }
    if (Count == Limit) {
        SetLimit(Limit + Delta);
        if (Count == Limit) {
            Error(FullError);
            return;
        }
    }
    if (index < Count)
        std::memmove(&Items[index + 1], &Items[index], (Count - index) * sizeof(void*));
    Items[index] = item;
    ++Count;
}

int ObjectCollection::IndexOf(void* item) {
    for (int i = 0; i < Count; ++i)
        if (Items[i] == item) return i;
    return -1;
}

bool ObjectCollection::Insert(void* item) {
    AtInsert(Count, item);
    return true;
}

void ObjectCollection::FreeItem(void* item) {
    Free(static_cast<BaseObject*>(item));
}

void ObjectCollection::FreeAll() {
    for (int i = 0; i < Count; ++i)
        if (Items[i] != nullptr) FreeItem(Items[i]);
    Count = 0;
}

void ObjectCollection::SetLimit(int limit) {
    if (limit < Count) limit = Count;
    if (limit > MaxLimit) limit = MaxLimit;
    if (limit == Limit) return;
    void** items = nullptr;
    if (limit != 0) {
        items = new void*[limit];
        if (Count != 0 && Items != nullptr) std::memcpy(items, Items, Count * sizeof(void*));
    }
    delete[] Items;
    Items = items;
    Limit = limit;
}

const void* SortedCollection::KeyOf(void* item) {
    return item;
}

bool SortedCollection::Search(const void* key, int& index) {
    int low = 0;
    int high = Count - 1;
    bool found = false;
    while (low <= high) {
        int middle = (low + high) / 2;
        int c = Compare(KeyOf(Items[middle]), key);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                if (!Duplicates) low = middle;
            }
        }
    }
    index = low;
    return found;
}

int SortedCollection::IndexOf(void* item) {
    int index;
    if (!Search(KeyOf(item), index)) return -1;
    if (Duplicates)
        while (index < Count && Items[index] != item)
            ++index;
    return index < Count ? index : -1;
}

bool SortedCollection::Insert(void* item) {
    int index;
    if (Search(KeyOf(item), index) && !Duplicates) return false;
    AtInsert(index, item);
    return true;
}

// The base destructor can no longer reach this class's FreeItem, so the texts go here.
StringCollection::~StringCollection() {
    FreeAll();
}

void StringCollection::FreeItem(void* item) {
    delete[] static_cast<char*>(item);
}

int StringCollection::Compare(const void* key1, const void* key2) {
    return std::strcmp(static_cast<const char*>(key1), static_cast<const char*>(key2));
}

char* StringCollection::NewText(const char* text) {
    size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

bool StringCollection::InsertCopy(const char* text) {
    char* copy = NewText(text);
    if (Insert(copy)) return true;
    delete[] copy;
    return false;
}
