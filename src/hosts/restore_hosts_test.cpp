#include "hosts/restore_hosts.h"

#include <gtest/gtest.h>

#include <string>

#include "hosts/update_hosts.h"

namespace quorvane {
namespace {

TEST(RestoreTest, DisablesActiveManagedLinesOnlyAndOnce) {
  // Disabled, indented, marker amid other text, marker without its TAB,
  // marker in another case, the marker twice, no final line break.
  const std::string before =
      "127.0.0.1 localhost\r\n"
      "192.0.2.7\tnas\t##Quorvane##\r\n"
      "#192.0.2.8\tpc\t##Quorvane##\r\n"
      "  192.0.2.9\tnas3\t##Quorvane##\r\n"
      "10.0.0.1 mine # see\t##Quorvane## notes\n"
      "192.0.2.10\tnas4 ##Quorvane##\r\n"
      "192.0.2.11\tnas5\t##quorvane##\r\n"
      "1.2.3.4\tx\t##Quorvane##\t##Quorvane##\n"
      "192.0.2.12\tlast\t##Quorvane##";
  const std::string printed =
      "#192.0.2.7\tnas\t##Quorvane##\r\n"
      "#  192.0.2.9\tnas3\t##Quorvane##\r\n"
      "#10.0.0.1 mine # see\t##Quorvane## notes\n"
      "#1.2.3.4\tx\t##Quorvane##\t##Quorvane##\n"
      "#192.0.2.12\tlast\t##Quorvane##";
  HostsFile hosts;
  hosts.SetBytes(before);
  LinesChanged changed = DisableManagedLines(&hosts);
  EXPECT_EQ(changed.count, 5);
  EXPECT_EQ(changed.printed, printed);
  const std::string after =
      "127.0.0.1 localhost\r\n"
      "#192.0.2.7\tnas\t##Quorvane##\r\n"
      "#192.0.2.8\tpc\t##Quorvane##\r\n"
      "#  192.0.2.9\tnas3\t##Quorvane##\r\n"
      "#10.0.0.1 mine # see\t##Quorvane## notes\n"
      "192.0.2.10\tnas4 ##Quorvane##\r\n"
      "192.0.2.11\tnas5\t##quorvane##\r\n"
      "#1.2.3.4\tx\t##Quorvane##\t##Quorvane##\n"
      "#192.0.2.12\tlast\t##Quorvane##";
  EXPECT_EQ(hosts.Content(), after);

  HostsFile again;
  again.SetBytes(after);
  changed = DisableManagedLines(&again);
  EXPECT_EQ(changed.count, 0);
  EXPECT_EQ(changed.printed, "");
  EXPECT_EQ(again.Content(), after);
}

}  // namespace
}  // namespace quorvane
