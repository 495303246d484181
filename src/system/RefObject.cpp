// Reference-counted objects, and a list that holds references to them.
#include "system/RefObject.h"

CRefObject::~CRefObject() = default;

void CRefObject::Destroy() { delete this; }

uint32_t CRefObject::AddRef() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32_t CRefObject::Release() {
    const uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) Destroy();
    return left;
}

namespace {

CRefObject* Held(CRefObject* object) {
    if (object) object->AddRef();
    return object;
}

void Let(CRefObject* object) {
    if (object) object->Release();
}

}  // namespace

CRefObjectList::~CRefObjectList() { RemoveAll(); }

CRefObjectList::Position CRefObjectList::AddTail(CRefObject* object) {
    return At(entries_.insert(entries_.end(), Held(object)));
}

// Without a position the new entry becomes the head.
CRefObjectList::Position CRefObjectList::InsertBefore(Position position, CRefObject* object) {
    return At(entries_.insert(position ? position.it_ : entries_.begin(), Held(object)));
}

// Without a position the new entry becomes the tail.
CRefObjectList::Position CRefObjectList::InsertAfter(Position position, CRefObject* object) {
    return At(entries_.insert(position ? std::next(position.it_) : entries_.end(), Held(object)));
}

void CRefObjectList::SetAt(Position position, CRefObject* object) {
    if (!position) return;
    CRefObject* old = *position.it_;
    *position.it_ = Held(object);
    Let(old);
}

void CRefObjectList::RemoveAt(Position position) {
    if (!position) return;
    CRefObject* old = *position.it_;
    entries_.erase(position.it_);
    Let(old);
}

void CRefObjectList::RemoveAll() {
    // Emptied first, so that a destructor that looks at this list finds it consistent.
    List old;
    old.swap(entries_);
    for (CRefObject* object : old) Let(object);
}

CRefObject* CRefObjectList::RemoveHead() {
    if (entries_.empty()) return nullptr;
    CRefObject* object = entries_.front();
    entries_.pop_front();
    return object;
}

CRefObject* CRefObjectList::RemoveTail() {
    if (entries_.empty()) return nullptr;
    CRefObject* object = entries_.back();
    entries_.pop_back();
    return object;
}

CRefObjectList::Position CRefObjectList::GetHeadPosition() { return At(entries_.begin()); }

CRefObjectList::Position CRefObjectList::GetTailPosition() {
    return entries_.empty() ? Position() : At(std::prev(entries_.end()));
}

CRefObject* CRefObjectList::GetNext(Position& position) {
    if (!position) return nullptr;
    CRefObject* object = *position.it_;
    position = At(std::next(position.it_));
    return Held(object);
}

CRefObject* CRefObjectList::GetAt(Position position) const {
    return position ? *position.it_ : nullptr;
}

CRefObjectList::Position CRefObjectList::Find(const CRefObject* object) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (*it == object) return At(it);
    }
    return Position();
}
