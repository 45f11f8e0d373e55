#pragma once

// Root of every object with virtual operations. Objects start zero-filled: every field of every
// derived class carries a default member initialiser. Destruction goes through the virtual
// destructor; Free destroys an object and releases its memory.
class BaseObject {
  public:
    BaseObject() = default;
    BaseObject(const BaseObject&) = delete;
    BaseObject& operator=(const BaseObject&) = delete;
    virtual ~BaseObject() = default;
};

// Destroys a heap object through its virtual destructor and releases it; null is ignored.
inline void Free(BaseObject* object) {
    delete object;
}
