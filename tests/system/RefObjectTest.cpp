// Reference counts of CRefObject and the references a CRefObjectList takes and gives.
#include "system/RefObject.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// Records its destruction in a log the test owns.
class Counted : public CRefObject {
public:
    Counted(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    const std::string& Name() const { return name_; }

protected:
    ~Counted() override { log_.push_back("~" + name_); }
    void Destroy() override {
        log_.push_back("destroy " + name_);
        CRefObject::Destroy();
    }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

class RefObjectListTest : public ::testing::Test {
protected:
    // Fresh objects with one reference each, held by the test until TearDown.
    Counted* Make(const std::string& name) {
        auto* object = new Counted(name, log);
        held.push_back(object);
        return object;
    }
    void TearDown() override {
        for (Counted* object : held) object->Release();
    }

    static std::string Names(CRefObjectList& list) {
        std::string names;
        auto position = list.GetHeadPosition();
        while (position) {
            auto* object = static_cast<Counted*>(list.GetNext(position));
            names += object->Name();
            object->Release();
        }
        return names;
    }

    std::vector<std::string> log;
    std::vector<Counted*> held;
};

TEST(RefObject, LastReleaseDestroysOnceThroughDestroy) {
    std::vector<std::string> log;
    auto* object = new Counted("a", log);
    EXPECT_EQ(1u, object->RefCount());
    EXPECT_EQ(2u, object->AddRef());
    EXPECT_EQ(1u, object->Release());
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ((std::vector<std::string>{"destroy a", "~a"}), log);
}

TEST(RefObject, CountsStayExactUnderConcurrentAddRefAndRelease) {
    std::vector<std::string> log;
    auto* object = new Counted("shared", log);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([object] {
            for (int i = 0; i < 20000; ++i) {
                object->AddRef();
                object->Release();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(1u, object->RefCount());
    EXPECT_TRUE(log.empty());
    object->Release();
    EXPECT_EQ(2u, log.size());
}

TEST_F(RefObjectListTest, AddingTakesAReferenceAndRemovingGivesItBack) {
    Counted* a = Make("a");
    Counted* b = Make("b");
    Counted* c = Make("c");
    Counted* d = Make("d");
    CRefObjectList list;
    auto posA = list.AddTail(a);
    list.AddTail(c);
    list.InsertBefore(list.Find(c), b);
    list.InsertAfter(list.Find(c), d);
    EXPECT_EQ("abcd", Names(list));
    for (Counted* object : {a, b, c, d}) EXPECT_EQ(2u, object->RefCount()) << object->Name();

    // Without a position, inserting before means at the head and after means at the tail.
    list.InsertBefore({}, d);
    list.InsertAfter({}, a);
    EXPECT_EQ("dabcda", Names(list));
    EXPECT_EQ(3u, a->RefCount());
    list.RemoveAt(list.GetHeadPosition());
    list.RemoveAt(list.GetTailPosition());
    EXPECT_EQ("abcd", Names(list));
    EXPECT_EQ(2u, a->RefCount());
    EXPECT_EQ(2u, d->RefCount());

    list.RemoveAt(posA);
    EXPECT_EQ(1u, a->RefCount());
    EXPECT_EQ("bcd", Names(list));

    // Replacing takes the new reference and gives back the old one.
    list.SetAt(list.Find(c), a);
    EXPECT_EQ("bad", Names(list));
    EXPECT_EQ(2u, a->RefCount());
    EXPECT_EQ(1u, c->RefCount());
    list.SetAt(list.Find(a), a);  // the same object: one reference still
    EXPECT_EQ(2u, a->RefCount());

    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    for (Counted* object : {a, b, c, d}) EXPECT_EQ(1u, object->RefCount()) << object->Name();
    EXPECT_TRUE(log.empty());
}

TEST_F(RefObjectListTest, WalkingHandsOutNewReferences) {
    Counted* a = Make("a");
    Counted* b = Make("b");
    CRefObjectList list;
    list.AddTail(a);
    list.AddTail(b);

    auto position = list.GetHeadPosition();
    CRefObject* first = list.GetNext(position);
    EXPECT_EQ(a, first);
    EXPECT_EQ(3u, a->RefCount());
    EXPECT_EQ(b, list.GetAt(position));  // borrowed
    EXPECT_EQ(2u, b->RefCount());
    CRefObject* second = list.GetNext(position);
    EXPECT_EQ(b, second);
    EXPECT_FALSE(position);
    EXPECT_EQ(nullptr, list.GetNext(position));
    first->Release();
    second->Release();
    EXPECT_EQ(2u, a->RefCount());
    EXPECT_EQ(2u, b->RefCount());
}

TEST_F(RefObjectListTest, RemovingHeadOrTailHandsTheListsReferenceOver) {
    std::vector<std::string> ownLog;
    CRefObjectList list;
    // The list is the only holder of these two.
    auto* a = new Counted("a", ownLog);
    auto* b = new Counted("b", ownLog);
    list.AddTail(a);
    list.AddTail(b);
    a->Release();
    b->Release();

    CRefObject* tail = list.RemoveTail();
    EXPECT_EQ(b, tail);
    EXPECT_EQ(1u, tail->RefCount());
    CRefObject* head = list.RemoveHead();
    EXPECT_EQ(a, head);
    EXPECT_EQ(nullptr, list.RemoveHead());
    EXPECT_EQ(nullptr, list.RemoveTail());
    EXPECT_TRUE(ownLog.empty());
    head->Release();
    tail->Release();
    EXPECT_EQ((std::vector<std::string>{"destroy a", "~a", "destroy b", "~b"}), ownLog);
}

TEST_F(RefObjectListTest, DestroyingTheListReleasesWhatItHolds) {
    std::vector<std::string> ownLog;
    Counted* kept = Make("kept");
    {
        CRefObjectList list;
        auto* onlyInList = new Counted("listed", ownLog);
        list.AddTail(onlyInList);
        onlyInList->Release();
        list.AddTail(kept);
        list.AddTail(nullptr);  // kept without a reference
        EXPECT_EQ(3u, list.GetCount());
        EXPECT_TRUE(ownLog.empty());
    }
    EXPECT_EQ((std::vector<std::string>{"destroy listed", "~listed"}), ownLog);
    EXPECT_EQ(1u, kept->RefCount());
}

}  // namespace
