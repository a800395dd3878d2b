#include "hosts/restore_hosts.h"

#include <gtest/gtest.h>

#include <string>

#include "hosts/update_hosts.h"

namespace quorvane {
namespace {

TEST(RestoreTest, DisablesActiveManagedLinesOnly) {
  HostsFile hosts;
  hosts.SetBytes(
      "127.0.0.1 localhost\r\n"
      "192.0.2.7\tnas\t##Quorvane##\r\n"
      "#192.0.2.8\tpc\t##Quorvane##\r\n"
      "  192.0.2.9\tnas3\t##Quorvane##\r\n"
      "10.0.0.1 mine # see\t##Quorvane## notes\n"
      "192.0.2.10\tnas4 ##Quorvane##\r\n"
      "192.0.2.11\tnas5\t##quorvane##\r\n"
      "192.0.2.12\tlast\t##Quorvane##");
  LinesChanged changed = DisableManagedLines(&hosts);
  EXPECT_EQ(changed.count, 4);
  EXPECT_EQ(changed.printed,
            "#192.0.2.7\tnas\t##Quorvane##\r\n"
            "#  192.0.2.9\tnas3\t##Quorvane##\r\n"
            "#10.0.0.1 mine # see\t##Quorvane## notes\n"
            "#192.0.2.12\tlast\t##Quorvane##");
  EXPECT_EQ(hosts.Content(),
            "127.0.0.1 localhost\r\n"
            "#192.0.2.7\tnas\t##Quorvane##\r\n"
            "#192.0.2.8\tpc\t##Quorvane##\r\n"
            "#  192.0.2.9\tnas3\t##Quorvane##\r\n"
            "#10.0.0.1 mine # see\t##Quorvane## notes\n"
            "192.0.2.10\tnas4 ##Quorvane##\r\n"
            "192.0.2.11\tnas5\t##quorvane##\r\n"
            "#192.0.2.12\tlast\t##Quorvane##");
}

TEST(RestoreTest, SecondRunChangesNothing) {
  HostsFile hosts;
  hosts.SetBytes("192.0.2.7\tnas\t##Quorvane##\r\n");
  EXPECT_EQ(DisableManagedLines(&hosts).count, 1);
  HostsFile again;
  again.SetBytes(hosts.Content());
  LinesChanged changed = DisableManagedLines(&again);
  EXPECT_EQ(changed.count, 0);
  EXPECT_EQ(changed.printed, "");
  EXPECT_EQ(again.Content(), "#192.0.2.7\tnas\t##Quorvane##\r\n");
}

TEST(RestoreTest, RestoreThenUpdateBringsTheLineBack) {
  HostsFile hosts;
  hosts.SetBytes("a\r\n192.0.2.1\tnas\t##Quorvane##\r\nb\r\n");
  DisableManagedLines(&hosts);
  HostsFile next;
  next.SetBytes(hosts.Content());
  IniFile list;
  list.Add("192.0.2.1", "nas");
  EXPECT_EQ(UpdateLines(&next, &list).count, 1);
  EXPECT_EQ(next.Content(), "a\r\n192.0.2.1\tnas\t##Quorvane##\r\nb\r\n");
}

}  // namespace
}  // namespace quorvane
