#include "loadfile/addressrange.h"

#include <gtest/gtest.h>

namespace {

TEST(AddressRangeListTest, InsertMergesOnlyWhenAskedAndRemoveClosesTheGap)
{
    AddressRangeList list;
    const auto merge = [&list](quint64 start, quint64 end, AccessKind kind) {
        list.insert(start, end, kind, "name", true);
    };
    merge(0x000, 0x0FF, AccessKind::ReadWrite);
    merge(0x300, 0x3FF, AccessKind::ReadWrite);
    merge(0x180, 0x1FF, AccessKind::ReadOnly);
    merge(0x500, 0x5FF, AccessKind::ReadWrite);
    // Overlaps the second, adjoins the first; the grown range then adjoins nothing else.
    merge(0x100, 0x310, AccessKind::ReadWrite);
    merge(0x600, 0x6FF, AccessKind::ReadWrite);
    merge(0x700, 0x7FF, AccessKind::ReadOnly);
    // Without merging a range goes after those with the same start, whatever it meets.
    list.insert(0x180, 0x1BF, AccessKind::WriteOnly);
    list.insert(0x500, 0x50F);
    EXPECT_EQ(list.toText(), "0x0 - 0x3ff : readwrite\n"
                             "0x180 - 0x1ff : readonly\n"
                             "0x180 - 0x1bf : writeonly\n"
                             "0x500 - 0x6ff : readwrite\n"
                             "0x500 - 0x50f : readwrite\n"
                             "0x700 - 0x7ff : readonly\n");
    // Adjacency stops at the 32-bit end.
    merge(0x100000000ull, 0x1000000FFull, AccessKind::ReadWrite);
    merge(0xFFFFFF00u, 0xFFFFFFFFu, AccessKind::ReadWrite);
    EXPECT_EQ(list.count(), 8);
    list.remove(0);
    list.remove(8);  // out of range: ignored
    EXPECT_EQ(list.count(), 7);
    EXPECT_EQ(list.at(0).start(), 0x180u);
}

TEST(AddressRangeListTest, Lookups)
{
    AddressRangeList list;
    list.insert(0x1000, 0x1FFF, AccessKind::ReadOnly, "flash");
    list.insert(0x2FFF, 0x2000, AccessKind::ReadOnly);  // bounds are put in order
    list.insert(0x3000, 0x3FFF, AccessKind::ReadWrite);
    list.insert(0x5000, 0x5FFF, AccessKind::ReadWrite);

    EXPECT_EQ(list.findContaining(0x1800), &list.at(0));
    EXPECT_EQ(list.findContaining(0x4000), nullptr);
    EXPECT_NE(list.findContaining(0x1000, 0x1FFF), nullptr);
    EXPECT_EQ(list.findContaining(0x1000, 0x2000), nullptr);

    EXPECT_TRUE(list.intersects(0x4000, 0x5000));
    EXPECT_FALSE(list.intersects(0x4000, 0x4FFF));

    EXPECT_TRUE(list.covers(0x1800, 0x2800));   // chain of two readonly ranges
    EXPECT_TRUE(list.covers(0x2800, 0x1800));   // order does not matter
    EXPECT_FALSE(list.covers(0x2800, 0x3800));  // kinds differ
    EXPECT_FALSE(list.covers(0x3800, 0x5800));  // gap
    EXPECT_TRUE(list.covers(0x5000, 0x5000));

    EXPECT_EQ(list.totalLength(), 0x4000u);
    EXPECT_EQ(list.totalLength(true), 0x5000u);
    EXPECT_EQ(AddressRangeList().totalLength(true), 0u);

    // List against list: containment needs one range around each, intersection any hit.
    AddressRangeList inside;
    inside.insert(0x1100, 0x11FF);
    inside.insert(0x5000, 0x5003);
    AddressRangeList straddling;  // over two ranges that chain
    straddling.insert(0x1F00, 0x20FF);
    EXPECT_TRUE(list.containsAll(inside));
    EXPECT_FALSE(list.containsAll(straddling));
    EXPECT_TRUE(list.containsAll(AddressRangeList()));
    straddling.insert(0x4000, 0x40FF);  // and one in the gap
    EXPECT_TRUE(list.intersectsAny(straddling));
    straddling.remove(0);
    EXPECT_FALSE(list.intersectsAny(straddling));
}

} // namespace
