// The page pool: blocks given back are handed out again for the same size, the bytes in
// use are counted, and vectors on it hold what they are given.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "core/PagePool.h"

namespace {

TEST(PagePool, BlocksComeBackForTheirSizeAlignedAndCounted) {
  constexpr size_t kSize = 2 * kz::PagePool::kLargePage;
  const size_t before = kz::PagePool::InUse();
  void* a = kz::PagePool::Take(kSize);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % kz::PagePool::kLargePage, 0u);
  EXPECT_EQ(kz::PagePool::InUse(), before + kSize);
  std::memset(a, 0x5a, kSize);
  kz::PagePool::Give(a, kSize);
  EXPECT_EQ(kz::PagePool::InUse(), before);

  void* other = kz::PagePool::Take(kSize + kz::PagePool::kLargePage);  // another size: a new block
  EXPECT_NE(other, a);
  void* again = kz::PagePool::Take(kSize);
  EXPECT_EQ(again, a);
  static_cast<char*>(again)[kSize - 1] = 1;  // writable to its last byte
  kz::PagePool::Give(again, kSize);
  kz::PagePool::Give(other, kSize + kz::PagePool::kLargePage);
  EXPECT_EQ(kz::PagePool::InUse(), before);

  EXPECT_EQ(kz::PagePool::RoundUp(1), kz::PagePool::kLargePage);
  EXPECT_EQ(kz::PagePool::RoundUp(kz::PagePool::kLargePage), kz::PagePool::kLargePage);
}

TEST(PagePool, LargeVectorsKeepTheirValuesAcrossGrowthAndReuse) {
  // 20 MiB: the vector grows from heap buffers into blocks of the pool.
  static_assert((5u << 20) * sizeof(uint32_t) > kz::kPooledFrom);
  for (int round = 0; round < 3; ++round) {
    const size_t inUse = kz::PagePool::InUse();
    kz::LargeVector<uint32_t> v;
    for (uint32_t i = 0; i < (5u << 20); ++i) v.push_back(i * 2654435761u + static_cast<uint32_t>(round));
    bool same = true;
    for (uint32_t i = 0; i < v.size(); ++i) same = same && v[i] == i * 2654435761u + static_cast<uint32_t>(round);
    EXPECT_TRUE(same) << "round " << round;
    EXPECT_GT(kz::PagePool::InUse(), inUse) << "round " << round;
  }
}

}  // namespace
