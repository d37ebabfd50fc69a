// XVector, XStack and XBuffer.

#include <gtest/gtest.h>

#include <cstring>

#include "XBuffer.h"
#include "XStack.h"
#include "XString.h"
#include "XVector.h"

namespace {

struct Item
{
    Item(int k, int t) : key(k), tag(t) {}
    virtual ~Item() { ++destroyed; }
    int key;
    int tag;
    static int destroyed;
};
int Item::destroyed = 0;

int CompareItems(const Item* a, const Item* b)
{
    return a->key - b->key;
}

}  // namespace

TEST(XVector, SortedAddPlacesAfterEqualItems)
{
    XVector<Item> v(0, CompareItems);  // grow step 0 counts as 1
    Item a(5, 1), b(1, 2), c(5, 3), d(3, 4), e(5, 5), f(0, 6);
    for (Item* it : {&a, &b, &c, &d, &e, &f})
        v.Add(it);
    ASSERT_EQ(v.Count(), 6u);
    const int keys[] = {0, 1, 3, 5, 5, 5};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(v.At(i)->key, keys[i]);
    // Equal keys keep their insertion order.
    EXPECT_EQ(v.At(3)->tag, 1);
    EXPECT_EQ(v.At(4)->tag, 3);
    EXPECT_EQ(v.At(5)->tag, 5);
}

TEST(XVector, BisectionSearchFindAndFindOrAdd)
{
    XVector<Item> v(3, CompareItems);
    Item items[] = {{10, 0}, {20, 0}, {30, 0}, {40, 0}};
    for (Item& it : items)
        v.Add(&it);

    Item probe(30, 0);
    size_t index = 99;
    EXPECT_EQ(v.Search(&probe, &index), &items[2]);
    EXPECT_EQ(index, 2u);
    Item missing(25, 0);
    EXPECT_EQ(v.Search(&missing, &index), nullptr);
    EXPECT_EQ(index, 2u);  // where it would go
    Item low(1, 0), high(99, 0);
    EXPECT_EQ(v.Search(&low), nullptr);
    EXPECT_EQ(v.Search(&high), nullptr);
    EXPECT_TRUE(v.Find(&probe, &index));
    EXPECT_FALSE(v.Find(&missing));

    // First one wins: FindOrAdd answers the stored item and does not add the new one.
    Item dup(20, 7);
    EXPECT_EQ(v.FindOrAdd(&dup), &items[1]);
    EXPECT_EQ(v.Count(), 4u);
    EXPECT_EQ(v.FindOrAdd(&missing), &missing);
    EXPECT_EQ(v.Count(), 5u);
    EXPECT_EQ(v.At(2), &missing);

    XVector<Item> empty(5, CompareItems);
    EXPECT_EQ(empty.Search(&probe), nullptr);
}

TEST(XVector, OwnershipAndCopy)
{
    Item probe(7, 0);
    Item::destroyed = 0;
    {
        XVector<Item> v(4, CompareItems);
        for (int i = 0; i < 10; ++i)
            v.Add(new Item(i, 0));
        XVector<Item> copy(v);  // takes the items, not copies of them
        EXPECT_EQ(copy.Count(), 10u);
        EXPECT_EQ(copy.At(3), v.At(3));
        EXPECT_NE(copy.Search(&probe), nullptr);
        v.DeleteAll();
        EXPECT_EQ(Item::destroyed, 10);
        EXPECT_EQ(v.Count(), 0u);
    }
    EXPECT_EQ(Item::destroyed, 10);  // destroying the vectors deletes nothing more
}

TEST(XBuffer, CopyMidAndAppend)
{
    XBuffer empty;
    EXPECT_EQ(empty.Length(), 0u);
    XBuffer b("hello", 5);
    XBuffer copy(b);
    *copy.At(0) = 'J';
    EXPECT_EQ(std::memcmp(b.Data(), "hello", 5), 0);
    EXPECT_EQ(std::memcmp(copy.Data(), "Jello", 5), 0);
    XBuffer mid = b.Mid(3);
    ASSERT_EQ(mid.Length(), 2u);
    EXPECT_EQ(std::memcmp(mid.Data(), "lo", 2), 0);
    EXPECT_EQ(b.Mid(5).Length(), 0u);
    EXPECT_EQ(b.Mid(500).Length(), 0u);
    copy = b;
    EXPECT_EQ(*copy.At(0), 'h');

    XBuffer grow(1);
    for (int i = 0; i < 1000; ++i)
        grow.Append("ab", 2);
    EXPECT_EQ(grow.Length(), 2000u);
    grow.Append(grow.Data(), grow.Length());  // appending its own bytes
    EXPECT_EQ(grow.Length(), 4000u);
    EXPECT_EQ(*grow.At(3999), 'b');
}
