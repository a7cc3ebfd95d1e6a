#include "idxcore/index/position_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "idxcore/index/test_util.h"
#include "idxcore/index/word_file.h"

namespace idxcore {
namespace {

using Positions = std::vector<uint16_t>;

TEST(PositionFileTest, AppendsRunsAsLittleEndianAndReadsThemBack) {
  TempDir dir;
  const std::string path = dir.file("poziti.dat");
  PositionFile file(path, PositionFile::Mode::kAppend);
  EXPECT_EQ(file.size(), 0);
  EXPECT_EQ(file.append(Positions{3, 0x1234, 65535}), 0);
  EXPECT_EQ(file.append(Positions{7, 9}), 6);
  EXPECT_EQ(ReadBytes(path), std::string("\x03\x00\x34\x12\xFF\xFF\x07\x00\x09\x00", 10));

  EXPECT_EQ(file.read(6, 2), (Positions{7, 9}));
  EXPECT_EQ(file.read(2, 2), (Positions{0x1234, 65535}));
  // What lies beyond the end reads as 0; nonsense asks read nothing.
  EXPECT_EQ(file.read(8, 3), (Positions{9, 0, 0}));
  EXPECT_EQ(file.read(9, 1), (Positions{0}));
  EXPECT_TRUE(file.read(-2, 2).empty());
  EXPECT_TRUE(file.read(0, -1).empty());

  // Reopening appends after what is there.
  PositionFile again(path, PositionFile::Mode::kAppend);
  EXPECT_EQ(again.append(Positions{1, 2}), 10);
}

TEST(PositionFileTest, ReaderNeedsTheFileAndCannotWrite) {
  TempDir dir;
  EXPECT_THROW(PositionFile(dir.file("poziti.dat"), PositionFile::Mode::kRead), IndexError);
  EXPECT_THROW(PositionFile(dir.path(), PositionFile::Mode::kRead), IndexError);
  WriteBytes(dir.file("poziti.dat"), std::string("\x05\x00", 2));
  PositionFile reader(dir.file("poziti.dat"), PositionFile::Mode::kRead);
  EXPECT_EQ(reader.read(0, 1), (Positions{5}));
  EXPECT_THROW(reader.append(Positions{1, 2}), IndexError);
  EXPECT_EQ(ReadBytes(dir.file("poziti.dat")).size(), 2u);
}

TEST(PositionFileTest, RollbackCutsBackToTheCheckpoint) {
  TempDir dir;
  const std::string path = dir.file("poziti.dat");
  PositionFile file(path, PositionFile::Mode::kAppend);
  file.append(Positions{1, 2, 3});
  const std::string before = ReadBytes(path);

  file.checkpoint();
  EXPECT_THROW(file.checkpoint(), IndexError);
  file.append(Positions{4, 5});
  file.append(Positions{6, 7});
  file.rollback();
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_THROW(file.rollback(), IndexError);
  EXPECT_EQ(file.append(Positions{8, 9}), 6);  // the next act starts where the undone one did

  file.checkpoint();
  file.append(Positions{10, 11});
  file.commit();
  EXPECT_EQ(file.size(), 14);
}

}  // namespace
}  // namespace idxcore
