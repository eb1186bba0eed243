#include <gtest/gtest.h>

#include "Lists.h"

namespace {

void* P(std::uintptr_t n) { return reinterpret_cast<void*>(n); }

TEST(List, GrowsByTheFixedSteps) {
  TList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  int seen[] = {0, 0, 0, 0};
  for (int i = 0; i < 17; ++i) {
    EXPECT_EQ(list.Add(P(i + 1)), i);
    if (i == 0) seen[0] = list.Capacity();
    if (i == 4) seen[1] = list.Capacity();
    if (i == 8) seen[2] = list.Capacity();
    if (i == 16) seen[3] = list.Capacity();
  }
  EXPECT_EQ(seen[0], 4);
  EXPECT_EQ(seen[1], 8);
  EXPECT_EQ(seen[2], 16);
  EXPECT_EQ(seen[3], 32);
  for (int n = 17; n < 33; ++n) list.Add(nullptr);
  EXPECT_EQ(list.Capacity(), 48);
  EXPECT_EQ(list.Items(16), P(17));
}

}  // namespace
