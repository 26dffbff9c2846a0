// Every builtin of the window families on arguments of mismatched shapes:
// series of different lengths, end bars past the values held, first valid
// bars past the end, literals, empty series, NaN and markers. Nothing may read
// or write outside the values (the sanitizer build checks), and a result
// always describes only values it holds.

#include <random>
#include <string>

#include "builtintestutil.h"
#include "builtinarities.h"

using namespace builtintest;

namespace {

float randomValue(std::mt19937& rng)
{
    static const float specials[] = {INF, -INF, CONT, NAN, 0.0f, 1.0f, -1.0f, 0.5f, 3.0f, 1e30f, 70000.0f};
    std::uniform_int_distribution<int> pick(0, 20);
    const int p = pick(rng);
    if (p < 11)
        return specials[p];
    return std::uniform_real_distribution<float>(-10.0f, 30.0f)(rng);
}

ArgumentPtr randomArgument(std::mt19937& rng)
{
    std::uniform_int_distribution<int> shape(0, 9);
    if (shape(rng) < 3)
        return lit(randomValue(rng));
    const uint32_t n = std::uniform_int_distribution<uint32_t>(0, 24)(rng);
    std::vector<float> v(n);
    for (float& x : v)
        x = randomValue(rng);
    auto a = series(std::move(v));
    a->firstValid = std::uniform_int_distribution<uint32_t>(0, n + 3)(rng);
    a->endBar = std::uniform_int_distribution<uint32_t>(0, n + 5)(rng);
    return a;
}

}  // namespace

TEST(BuiltinMalformed, MismatchedShapesStayInsideTheValues)
{
    std::mt19937 rng(31337);
    for (int round = 0; round < 400; ++round) {
        for (const BuiltinArity& b : kWindowBuiltins) {
            FormulaContext ctx;
            ctx.barCount = std::uniform_int_distribution<uint32_t>(0, 30)(rng);
            ctx.variables["C"] = randomArgument(rng);
            ctx.variables["O"] = randomArgument(rng);
            for (int i = 0; i < b.args; ++i)
                ctx.push(randomArgument(rng));
            const bool ok = b.fn(&ctx);
            SCOPED_TRACE(std::string(b.name) + " round " + std::to_string(round));
            if (!ok) {
                EXPECT_TRUE(ctx.stack.empty()) << b.name << " failed but left values on the stack";
                continue;
            }
            ASSERT_EQ(ctx.stack.size(), 1u);
            const FormulaArgument& r = *ctx.stack.back();
            if (r.literal) {
                EXPECT_EQ(r.values.size(), 1u) << b.name;
            } else {
                EXPECT_LE(r.endBar, r.values.size()) << b.name << ": end bar past the values held";
            }
        }
    }
}
