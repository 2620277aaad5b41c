// Host test main: every test starts on a freshly reset simulated machine.
#include <gtest/gtest.h>
#include <winsim/control.h>

namespace {

class ResetEachTest : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { winsim::Reset(); }
};

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new ResetEachTest);
    return RUN_ALL_TESTS();
}
