// Reference-counted objects, and a list that holds references to them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>

// An object that lives while references to it exist; its creator holds the first one.
class CRefObject {
public:
    CRefObject() = default;
    CRefObject(const CRefObject&) = delete;
    CRefObject& operator=(const CRefObject&) = delete;

    // Both return the count after the change; Release destroys the object when it reaches 0.
    uint32_t AddRef();
    uint32_t Release();

    uint32_t RefCount() const { return refs_.load(std::memory_order_acquire); }

protected:
    virtual ~CRefObject();
    // Called by the last Release.
    virtual void Destroy();

private:
    std::atomic<uint32_t> refs_{1};
};

// A list of CRefObject pointers that holds one reference on each entry. Not locked: holders
// that share a list between threads guard it themselves.
class CRefObjectList {
    using List = std::list<CRefObject*>;

public:
    // Where an entry stands in the list, or nowhere (false) once a walk has passed the end.
    class Position {
    public:
        Position() = default;
        explicit operator bool() const { return valid_; }
        bool operator==(const Position& other) const {
            return valid_ == other.valid_ && (!valid_ || it_ == other.it_);
        }

    private:
        friend class CRefObjectList;
        Position(List::iterator it, bool valid) : it_(it), valid_(valid) {}
        List::iterator it_{};
        bool valid_ = false;
    };

    CRefObjectList() = default;
    ~CRefObjectList();
    CRefObjectList(const CRefObjectList&) = delete;
    CRefObjectList& operator=(const CRefObjectList&) = delete;

    size_t GetCount() const { return entries_.size(); }
    bool IsEmpty() const { return entries_.empty(); }

    // Adding takes a reference on the object (a null entry is kept without one).
    Position AddTail(CRefObject* object);
    Position InsertBefore(Position position, CRefObject* object);
    Position InsertAfter(Position position, CRefObject* object);
    // Takes a reference on the new object and releases the one it replaces.
    void SetAt(Position position, CRefObject* object);

    // Releases the list's reference.
    void RemoveAt(Position position);
    void RemoveAll();

    // Hand the list's reference over to the caller; null when the list is empty.
    CRefObject* RemoveHead();
    CRefObject* RemoveTail();

    Position GetHeadPosition();
    Position GetTailPosition();
    // The object at position with a new reference for the caller; moves position on.
    CRefObject* GetNext(Position& position);
    // The object at position, borrowed: no reference is taken.
    CRefObject* GetAt(Position position) const;
    // The first position holding object, or none.
    Position Find(const CRefObject* object);

private:
    Position At(List::iterator it) { return Position(it, it != entries_.end()); }

    List entries_;
};
