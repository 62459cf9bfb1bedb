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

// However much of a block its caller says it fills (none, part of a large page, whole
// large pages, more than the block), every byte of it holds what is written, fresh or
// taken again from the blocks kept (then advised for the new caller's fill).
TEST(PagePool, BlocksHoldTheirBytesWhateverTheirFill) {
  constexpr size_t kPage = kz::PagePool::kLargePage;
  constexpr size_t kSize = 3 * kPage;
  const size_t before = kz::PagePool::InUse();
  void* first = nullptr;
  for (size_t filled : {size_t{0}, size_t{100}, kPage + kPage / 2, 2 * kPage, kSize, kSize + 1}) {
    SCOPED_TRACE(filled);
    auto* block = static_cast<unsigned char*>(kz::PagePool::Take(kSize, filled));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % kPage, 0u);
    if (!first) first = block;
    EXPECT_EQ(static_cast<void*>(block), first);  // the block kept is handed out again
    for (size_t i = 0; i < kSize; i += 4093) block[i] = static_cast<unsigned char>(i * 7 + filled);
    block[kSize - 1] = 0xA5;
    bool same = block[kSize - 1] == 0xA5;
    for (size_t i = 0; i < kSize; i += 4093) same = same && block[i] == static_cast<unsigned char>(i * 7 + filled);
    EXPECT_TRUE(same);
    kz::PagePool::Give(block, kSize);
  }
  // A block of one large page, filled in part or whole.
  for (size_t filled : {size_t{1}, kPage}) {
    auto* block = static_cast<unsigned char*>(kz::PagePool::Take(kPage, filled));
    std::memset(block, 0x3c, kPage);
    EXPECT_EQ(block[kPage - 1], 0x3c);
    kz::PagePool::Give(block, kPage);
  }
  EXPECT_EQ(kz::PagePool::InUse(), before);
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
