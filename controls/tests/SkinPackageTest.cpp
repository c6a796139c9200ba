#include "controls/SkinPackage.h"

#include <gtest/gtest.h>

#include <vector>

#include "TestWindow.h"
#include "platform/resources.h"

namespace Controls {
namespace {

std::vector<std::byte> EmbeddedArchive() {
  auto bytes = platform::FindResource("ZIPRES", 147);
  if (!bytes) return {};
  return {bytes->begin(), bytes->end()};
}

TEST(SkinPackage, HoldsEveryFileOfTheSkinAndNoFolders) {
  const auto archive = EmbeddedArchive();
  ASSERT_FALSE(archive.empty());
  const SkinPackage package = SkinPackage::FromBytes(archive);
  EXPECT_TRUE(package.Complete());
  EXPECT_EQ(package.Entries().size(), 64u);
  for (const auto& e : package.Entries()) {
    EXPECT_FALSE(e.data.empty()) << e.path;
    EXPECT_EQ(e.path.find('\\'), std::string::npos) << e.path;
  }
  // The three disabled images the markup names were never drawn.
  for (const char* missing : {"res\\common\\minbtn4.png", "res\\common\\closebtn4.png", "res\\common\\closebtnM_4.png"}) {
    EXPECT_FALSE(package.Find(missing)) << missing;
  }
}

TEST(SkinPackage, LookupsIgnoreCaseAndSlashDirectionButNotLength) {
  const SkinPackage package = SkinPackage::FromBytes(EmbeddedArchive());
  struct Case {
    const char* request;
    bool found;
  } cases[] = {
      {"MainWnd.xml", true},
      {"mainWnd.xml", true},
      {"ExitTipWnd.xml", true},
      {"res\\mainWnd\\bg1.png", true},
      {"res/MessageBoxWnd/yesBtn1.png", true},
      {"RES\\MESSAGEBOXWND\\YESBTN1.PNG", true},
      {"mainWnd.xm", false},
      {"mainWnd.xml ", false},
      {"/mainWnd.xml", false},
      {"res", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(package.Find(c.request).has_value(), c.found) << c.request;
  EXPECT_EQ(package.Find("res\\mainWnd\\bg1.png")->data(), package.Find("res/mainwnd/BG1.png")->data());
}

// Damaged archives never crash; whatever is kept is exactly what was packed.
TEST(SkinPackage, CorruptArchivesFailCleanly) {
  const auto good = EmbeddedArchive();
  const SkinPackage reference = SkinPackage::FromBytes(good);
  auto flip = [&](std::size_t at) {
    auto copy = good;
    copy[at] ^= std::byte{0x5A};
    return copy;
  };
  auto cut = [&](std::size_t size) { return std::vector<std::byte>(good.begin(), good.begin() + size); };
  const std::string text = "this is not an archive at all";
  struct Case {
    const char* what;
    std::vector<std::byte> bytes;
    bool may_complete = false;  // damage the reader does not need to notice
  } cases[] = {
      {"empty", {}},
      {"not 7z", {reinterpret_cast<const std::byte*>(text.data()), reinterpret_cast<const std::byte*>(text.data()) + text.size()}},
      {"signature only", cut(6)},
      {"start header only", cut(32)},
      {"truncated in the data", cut(good.size() / 2)},
      {"truncated in the header", cut(good.size() - 40)},
      {"bad start header CRC", flip(8), true},
      {"damaged data early", flip(40)},
      {"damaged data late", flip(good.size() * 3 / 4)},
      {"damaged header", flip(good.size() - 30)},
  };
  for (const Case& c : cases) {
    const SkinPackage damaged = SkinPackage::FromBytes(c.bytes);
    if (!c.may_complete) {
      EXPECT_FALSE(damaged.Complete()) << c.what;
    }
    for (const auto& e : damaged.Entries()) {
      auto original = reference.Find(e.path);
      ASSERT_TRUE(original) << c.what << ": " << e.path;
      EXPECT_TRUE(std::equal(e.data.begin(), e.data.end(), original->begin(), original->end()))
          << c.what << ": " << e.path << " differs from what was packed";
    }
  }
}

TEST(SkinPackage, SharedPackageIsOpenedOncePerProcess) {
  testing::OpenEmbeddedSkin();
  const int opened = SharedSkin::DecompressCount();
  EXPECT_TRUE(SharedSkin::Open("ZIPRES", 147));
  EXPECT_TRUE(SharedSkin::Open("ZIPRES", 147));
  EXPECT_EQ(SharedSkin::DecompressCount(), opened);
  EXPECT_TRUE(SharedSkin::Find("MainWnd.xml"));
  EXPECT_FALSE(SharedSkin::Open("ZIPRES", 999));  // no such resource: the open package stays
  EXPECT_TRUE(SharedSkin::Find("MainWnd.xml"));
}

}  // namespace
}  // namespace Controls
