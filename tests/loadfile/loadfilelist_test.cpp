#include "loadfiletestsupport.h"

#include "loadfile/loadfilelist.h"

namespace {

class LoadFileListTest : public LoadFileTest
{
protected:
    LoadFileInterface *listing(const QByteArray &text)
    {
        write(QString("f%1.lst").arg(m_files.size()), text);
        m_files.push_back(LoadFileFactory().create(
            path(QString("f%1.lst").arg(m_files.size())), "hex"));
        return m_files.back().get();
    }
    std::vector<std::unique_ptr<LoadFileInterface>> m_files;
};

TEST_F(LoadFileListTest, SortsSectionsThenFilesByFirstAddress)
{
    LoadFileList list;
    list.append(listing("00003000 01\n00002000 02\n"), "high", true);
    list.append(listing(""), "empty");
    list.append(listing("00001000 03\n"), "low");
    list.sort();
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.at(0).name, "empty");
    EXPECT_EQ(list.at(1).name, "low");
    EXPECT_EQ(list.at(2).name, "high");
    EXPECT_TRUE(list.at(2).flag);
    EXPECT_EQ(describeSections(*list.at(2).loadFile), "0x2000:02 0x3000:01");
}

TEST_F(LoadFileListTest, OverlapNeedsACommonAddress)
{
    LoadFileList adjacent;
    adjacent.append(listing("00001000 01 02 03 04\n"), "a");
    adjacent.append(listing("00001004 05\n"), "b");
    adjacent.append(listing("00000FFF 00\n"), "c");
    EXPECT_FALSE(adjacent.overlaps());

    LoadFileList overlapping;
    overlapping.append(listing("00001000 01 02 03 04\n"), "a");
    overlapping.append(listing("00002000 01\n"), "b");
    overlapping.append(listing("00002000 01\n"), "c");  // meets the second, not the first
    EXPECT_TRUE(overlapping.overlaps());
}

TEST_F(LoadFileListTest, SectionsWithinOneFileMayOverlap)
{
    LoadFileList list;
    list.append(listing("00001000 01 02\n00001000 03 04\n"), "a");
    EXPECT_FALSE(list.overlaps());
    list.append(listing("00005000 01\n"), "b");
    EXPECT_FALSE(list.overlaps());
}

TEST_F(LoadFileListTest, EmptySectionsCoverNothing)
{
    LoadFileList list;
    list.append(listing("00001000\n"), "a");
    list.append(listing("00000FFF 01\n"), "b");
    EXPECT_FALSE(list.overlaps());
}

TEST_F(LoadFileListTest, SectionByteCounterGrows)
{
    const quint64 before = LoadFileSectionInterface::bytesConstructed();
    auto file = load("bin", "0123456789");
    file->sections();
    EXPECT_EQ(LoadFileSectionInterface::bytesConstructed() - before, 10u);
}

// A load file whose sections cannot be built.
class UnreadableLoadFile : public StandardLoadFile
{
public:
    bool readSections() override { return false; }
};

TEST(StandardLoadFileTest, UnreadableSectionsThrow)
{
    UnreadableLoadFile file;
    try {
        file.sections();
        ADD_FAILURE();
    } catch (const HException &error) {
        EXPECT_EQ(error.message(), "cannot read sections from load file");
    }
    EXPECT_THROW(file.sortSections(), HException);
    EXPECT_THROW(file.makeContiguous(0), HException);
    file.setStartAddress(0x100);
    EXPECT_TRUE(file.hasStartAddress());
    EXPECT_EQ(file.startAddress(), 0x100u);
}

} // namespace
