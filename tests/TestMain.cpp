// The entry of every GoogleTest program: GoogleTest's own, except that in CI (QS_CI set,
// as .ci/run sets it) a skipped test fails the program. Skipping says a test could not
// run on this machine; in CI that must not pass for a success.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    const int skipped = testing::UnitTest::GetInstance()->skipped_test_count();
    const char* ci = std::getenv("QS_CI");
    if (result == 0 && skipped > 0 && ci && *ci) {
        std::printf("%d test(s) skipped, which CI counts as failed (QS_CI=%s)\n", skipped, ci);
        return 1;
    }
    return result;
}
