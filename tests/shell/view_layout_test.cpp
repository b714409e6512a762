#include "shell/view_layout.h"

#include "shell/frame_layout.h"
#include "shell/registry.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

class LayoutTest : public test::SandboxedTest {};

void WriteNumbers(const wchar_t* section, const wchar_t* name, std::vector<int32_t> numbers) {
  CRegistry registry(section, CRegistry::kWrite);
  registry.WriteBinary(name, numbers.data(), numbers.size() * 4);
}

TEST_F(LayoutTest, AViewLayoutComesBackAndWhatNoLongerFitsIsLeftOut) {
  const wchar_t* section = RegistryNames::kLayoutViewsHistory;
  ViewLayout nothing;
  EXPECT_FALSE(nothing.Load(section, 3));

  ViewLayout saved;
  saved.order = {2, 0, 1};
  saved.widths = {120, 80, 300};
  saved.sortColumn = 1;
  saved.descending = true;
  saved.Save(section);
  ViewLayout loaded;
  ASSERT_TRUE(loaded.Load(section, 3));
  EXPECT_EQ(loaded.order, saved.order);
  EXPECT_EQ(loaded.widths, saved.widths);
  EXPECT_EQ(loaded.sortColumn, 1);
  EXPECT_TRUE(loaded.descending);
  // A view that has another column count now ignores it all.
  ViewLayout other;
  EXPECT_FALSE(other.Load(section, 4));

  // A damaged order or width list and a sort column out of range are each left out.
  WriteNumbers(section, L"ColumnOrder", {2, 2, 1});
  WriteNumbers(section, L"ColumnWidths", {1, 2});
  CRegistry(section, CRegistry::kWrite).WriteDword(L"SortColumn", 7);
  ViewLayout damaged;
  EXPECT_FALSE(damaged.Load(section, 3));
  EXPECT_TRUE(damaged.order.empty());
  EXPECT_TRUE(damaged.widths.empty());
  EXPECT_EQ(damaged.sortColumn, -1);

  std::vector<int32_t> sizes = {1, 1};
  EXPECT_FALSE(LoadSplit(RegistryNames::kLayoutPanesFolders, 2, sizes));
  SaveSplit(RegistryNames::kLayoutPanesFolders, {200, 600});
  EXPECT_FALSE(LoadSplit(RegistryNames::kLayoutPanesFolders, 3, sizes));
  ASSERT_TRUE(LoadSplit(RegistryNames::kLayoutPanesFolders, 2, sizes));
  EXPECT_EQ(sizes, (std::vector<int32_t>{200, 600}));
  SaveSplit(RegistryNames::kLayoutPanesFolders, {0, 0});
  EXPECT_FALSE(LoadSplit(RegistryNames::kLayoutPanesFolders, 2, sizes));
}

TEST_F(LayoutTest, TheFramePlacementComesBackAndANonsenseRectangleIsLeftOut) {
  FrameLayout fresh;
  EXPECT_FALSE(fresh.Load());
  EXPECT_TRUE(fresh.showSwitchBar);

  FrameLayout saved;
  saved.hasRect = true;
  saved.left = -20;
  saved.top = 40;
  saved.right = 780;
  saved.bottom = 640;
  saved.maximized = true;
  saved.showToolBar = false;
  saved.Save();
  FrameLayout loaded;
  ASSERT_TRUE(loaded.Load());
  EXPECT_TRUE(loaded.hasRect);
  EXPECT_EQ(loaded.left, -20);
  EXPECT_EQ(loaded.bottom, 640);
  EXPECT_TRUE(loaded.maximized);
  EXPECT_FALSE(loaded.showToolBar);
  EXPECT_TRUE(loaded.showStatusBar);

  WriteNumbers(RegistryNames::kLayoutFrame, L"WindowRect", {100, 100, 50, 400});
  FrameLayout inverted;
  ASSERT_TRUE(inverted.Load());
  EXPECT_FALSE(inverted.hasRect);
}

}  // namespace
}  // namespace ferrow
