#include "base/partial_load.h"

#include "support/guarded_bytes.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace qh {
namespace {

#if defined(__SSE2__)
// The last bytes of a run, wherever they lie: far from a page's end, or
// right before an unreadable page, where a plain sixteen-byte load faults.
TEST(LoadPartial, GivesTheBytesBeforeTheEndAnywhere) {
  QByteArray roomy(64, '\0');
  for (int i = 0; i < roomy.size(); ++i) roomy[i] = static_cast<char>(0x41 + i);
  for (qsizetype n = 1; n <= 16; ++n) {
    const test::GuardedBytes guarded(QByteArrayView(roomy).first(n));
    ASSERT_TRUE(guarded.Ok());
    for (const QByteArrayView bytes : {QByteArrayView(roomy).sliced(5, n), guarded.View()}) {
      alignas(16) char lanes[16];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes),
                      LoadPartial(bytes.data(), bytes.data() + bytes.size()));
      EXPECT_EQ(QByteArrayView(lanes, n), bytes) << n;
    }
    EXPECT_EQ(FirstLanes(n), n == 16 ? 0xFFFFu : (1u << n) - 1u);
  }
}
#endif

}  // namespace
}  // namespace qh
