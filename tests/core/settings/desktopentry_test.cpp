#include <gtest/gtest.h>

#include "core/settings/desktopentry.h"

namespace zur {
namespace {

using Args = std::vector<std::string>;

TEST(DesktopEntry, ExecComesFromTheDesktopEntryGroupOnly) {
  const char* entry =
      "[Desktop Entry]\nName=Text Editor\n# Exec=commented\nExec=gedit %U\n"
      "[Desktop Action new-window]\nExec=gedit --new-window\n";
  EXPECT_EQ(DesktopEntryExec(entry), "gedit %U");
  EXPECT_EQ(DesktopEntryExec("[Desktop Action x]\nExec=foo\n"), std::nullopt);
  EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\r\nExec = mousepad %F\r\n"), "mousepad %F");
}

TEST(DesktopEntry, FieldCodesAndQuotesExpand) {
  const std::string file = "/home/u/a b.txt";
  EXPECT_EQ(ExpandDesktopExec("gedit %U", file), (Args{"gedit", file}));
  EXPECT_EQ(ExpandDesktopExec("kate -b %f --icon %i", file), (Args{"kate", "-b", file, "--icon"}));
  EXPECT_EQ(ExpandDesktopExec("\"/opt/my editor/bin/ed\" --arg=\"x\\\"y\"", file),
            (Args{"/opt/my editor/bin/ed", "--arg=x\"y", file}));
  EXPECT_EQ(ExpandDesktopExec("ed 100%%", file), (Args{"ed", "100%", file}));
  EXPECT_TRUE(ExpandDesktopExec("  %i %c  ", file).empty());
}

}  // namespace
}  // namespace zur
