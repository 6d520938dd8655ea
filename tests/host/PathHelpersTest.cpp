// Path routines and the placement rule of CenterWindow.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pipeline/PathHelpers.h"
#include "shell/WindowPlacement.h"

TEST(PathHelpers, JoinPathAddsOneSeparatorWhereNeeded) {
  struct Case {
    const char *folder, *name, *expected;
  } cases[] = {
      {"C:\\", "x.bmp", "C:\\x.bmp"}, {"", "x.bmp", "x.bmp"},           {"C:\\dir", "x.bmp", "C:\\dir\\x.bmp"},
      {"C:\\dir", "", "C:\\dir"},     {"C:\\dir\\", "x", "C:\\dir\\x"},
  };
  for (const Case& c : cases) {
    char out[kPathBufferSize];
    JoinPath(out, c.folder, c.name);
    EXPECT_STREQ(out, c.expected);
  }
  char longName[400];
  std::memset(longName, 'a', sizeof longName - 1);
  longName[sizeof longName - 1] = '\0';
  char out[kPathBufferSize];
  JoinPath(out, "C:\\", longName);
  EXPECT_EQ(std::strlen(out), kPathBufferSize - 1) << "cut to the buffer, never past it";
}

TEST(PathHelpers, UnquoteArgumentTakesThePathAsALauncherGivesIt) {
  struct Case {
    const char *argument, *expected;
  } cases[] = {
      {"C:\\My Pictures\\a b.bmp", "C:\\My Pictures\\a b.bmp"},
      {"\"C:\\My Pictures\\a b.bmp\"", "C:\\My Pictures\\a b.bmp"},
      {"  \"C:\\x.bmp\" \r\n", "C:\\x.bmp"},
      {"\"C:\\open ended.bmp", "C:\\open ended.bmp"},
      {"\"\"C:\\twice.bmp\"\"", "\"C:\\twice.bmp\""},  // one pair only
      {"  ", ""},
      {"\"", ""},
  };
  for (const Case& c : cases) {
    char out[kPathBufferSize];
    EXPECT_TRUE(UnquoteArgument(c.argument, out));
    EXPECT_STREQ(out, c.expected) << c.argument;
  }
  std::string longest = "\"" + std::string(kPathBufferSize - 1, 'a') + "\"";
  char out[kPathBufferSize];
  EXPECT_TRUE(UnquoteArgument(longest.c_str(), out));
  EXPECT_EQ(std::strlen(out), kPathBufferSize - 1);
  longest.insert(1, "b");
  EXPECT_FALSE(UnquoteArgument(longest.c_str(), out)) << "refused, not cut";
  EXPECT_STREQ(out, "");
}

TEST(PathHelpers, ReplaceExtensionReplacesAppendsOrCuts) {
  struct Case {
    const char *path, *extension, *expected;
  } cases[] = {
      {"picture", "bmp", "picture.bmp"},
      {"C:\\a.b\\photo.jpg", "bmp", "C:\\a.b\\photo.bmp"},
      {"photo.tar.gz", "jpg", "photo.tar.jpg"},
      {"photo.jpg", nullptr, "photo"},
      {"photo", nullptr, "photo"},
      {"C:\\a.b\\img", "bmp", "C:\\a.b\\img.bmp"},
      {"C:\\a.b\\img", nullptr, "C:\\a.b\\img"},
      {"D:img", "bmp", "D:img.bmp"},
  };
  for (const Case& c : cases) {
    char out[kPathBufferSize];
    ReplaceExtension(c.path, c.extension, out);
    EXPECT_STREQ(out, c.expected);
  }
  char same[kPathBufferSize] = "C:\\x.gif";
  ReplaceExtension(same, "bmp", same);
  EXPECT_STREQ(same, "C:\\x.bmp");
}

TEST(PathHelpers, FileNamePartAndFolderOfPath) {
  EXPECT_STREQ(FileNamePart("C:\\dir\\x.bmp"), "x.bmp");
  EXPECT_STREQ(FileNamePart("C:x.bmp"), "x.bmp");
  EXPECT_STREQ(FileNamePart("x.bmp"), "x.bmp");
  EXPECT_STREQ(FileNamePart("C:\\dir\\"), "");

  char folder[kPathBufferSize];
  ASSERT_NE(FolderOfPath("C:\\a.bmp", folder), nullptr);
  EXPECT_STREQ(folder, "C:\\") << "the backslash after the drive stays";
  ASSERT_NE(FolderOfPath("C:\\dir\\sub\\a.bmp", folder), nullptr);
  EXPECT_STREQ(folder, "C:\\dir\\sub");
  EXPECT_EQ(FolderOfPath("C:\\dir\\", folder), nullptr) << "no file part";
}

TEST(PathHelpers, CenterPositionCentresAndKeepsOnScreen) {
  struct Case {
    int width, height, left, top, right, bottom, x, y;
  } cases[] = {
      {100, 50, 0, 0, 1024, 768, 462, 359},      // centred on the screen
      {100, 50, 900, 700, 1100, 800, 923, 717},  // past the right and bottom edges: pulled back
      {100, 50, -300, -300, -100, -100, 0, 0},   // past the left and top edges
      {2000, 1000, 0, 0, 1024, 768, 0, 0},       // larger than the screen: at 0,0
  };
  for (const Case& c : cases) {
    CenteredPosition p = CenterPosition(c.width, c.height, c.left, c.top, c.right, c.bottom, 1024, 768);
    EXPECT_EQ(p.x, c.x);
    EXPECT_EQ(p.y, c.y);
  }
}
