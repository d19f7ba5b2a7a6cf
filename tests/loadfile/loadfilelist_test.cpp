#include "loadfiletestsupport.h"

#include "loadfile/loadfilelist.h"

#include <gmock/gmock.h>

namespace {

class LoadFileListTest : public LoadFileTest
{
protected:
    LoadFileInterface *listing(const QByteArray &text)
    {
        m_files.push_back(load("hex", text));  // read whole: the next file may reuse its name
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

// Only sections of different files overlap, and only when they share an address.
TEST_F(LoadFileListTest, OverlapNeedsACommonAddress)
{
    const struct { std::vector<QByteArray> files; bool overlaps; } rows[] = {
        {{"00001000 01 02 03 04\n", "00001004 05\n", "00000FFF 00\n"}, false},
        // The third meets the second, not the first.
        {{"00001000 01 02 03 04\n", "00002000 01\n", "00002000 01\n"}, true},
        {{"00001000 01 02\n00001000 03 04\n"}, false},
        {{"00001000 01 02\n00001000 03 04\n", "00005000 01\n"}, false},
        {{"00001000\n", "00000FFF 01\n"}, false},  // an empty section covers nothing
    };
    for (const auto &row : rows) {
        LoadFileList list;
        for (const QByteArray &file : row.files)
            list.append(listing(file), "file");
        EXPECT_EQ(list.overlaps(), row.overlaps) << row.files.front().toStdString();
    }
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
    const auto fails = testing::ThrowsMessage<HException>(
        testing::StrEq("cannot read sections from load file"));
    EXPECT_THAT([&] { file.sections(); }, fails);
    EXPECT_THAT([&] { file.sortSections(); }, fails);
    EXPECT_THAT([&] { file.makeContiguous(0); }, fails);
}

} // namespace
