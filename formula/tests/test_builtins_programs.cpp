// The window builtins reached through compiled programs: calls resolved by
// name in any case, price series fetched through the host's callback, literals
// widened to the run's bar count.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "fmltestprogram.h"

namespace {

constexpr float INF = std::numeric_limits<float>::infinity();

void expectValues(const std::vector<float>& got, const std::vector<float>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_FLOAT_EQ(got[i], want[i]) << "bar " << i;
}

}  // namespace

TEST(BuiltinPrograms, MovingAverageAndExtremesOfClose)
{
    TestProgram p;
    p.setSeries("CLOSE", {1, 2, 3, 4, 5});
    p.name("close").num(3).call("MA").assign("M").drop();
    p.name("close").num(2).call("hhv").name("CLOSE").num(2).call("Llv").call("-").assign("SPREAD").drop();
    p.name("close").num(1).call("ref").name("close").call("-").assign("D").drop();
    ASSERT_EQ(p.run(5), 1);
    expectValues(p.values("M"), {INF, INF, 2, 3, 4});
    expectValues(p.values("SPREAD"), {0, 1, 1, 1, 1});
    expectValues(p.values("D"), {0, -1, -1, -1, -1});
}

TEST(BuiltinPrograms, SmoothingAndCountsWithLiteralData)
{
    TestProgram p;
    p.setSeries("C", {10, 20, 30});
    p.name("C").num(3).call("expma").assign("E").drop();
    p.num(1).num(0).call("sum").assign("N").drop();  // SUM(1, 0): bars so far
    p.call("currbarscount").assign("LEFT").drop();
    ASSERT_EQ(p.run(3), 1);
    expectValues(p.values("E"), {10, 15, 22.5f});
    expectValues(p.values("N"), {1, 2, 3});
    expectValues(p.values("LEFT"), {3, 2, 1});
}

TEST(BuiltinPrograms, FailingTmaStopsTheRun)
{
    TestProgram p;
    p.setSeries("C", {2, 4});
    p.name("C").num(1).num(0.5f).call("tma").assign("T").drop();
    EXPECT_EQ(p.run(2), 0);
}
