// A pane's formulas and their fresh copy: the copy runs on a machine of its
// own (the pane's may go first) and draws what the pane's formulas draw over
// the same bars; sameFormulas tells a copy from formulas changed since.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "chartfixtures.h"
#include "charts/paneformulas.h"
#include "formulas/formula.h"

namespace {

std::vector<ChartBar> barsOf(int n)
{
    std::vector<ChartBar> bars(static_cast<std::size_t>(n));
    float p = 10.0f;
    for (int i = 0; i < n; ++i) {
        ChartBar& b = bars[std::size_t(i)];
        b.time = 1767225600 + i * 60;
        p += float((i * 7919) % 13) * 0.01f - 0.06f;
        b.open = p - 0.1f;
        b.close = p;
        b.high = p + 0.3f;
        b.low = p - 0.3f;
        b.volume = float(1000 + (i * 104729) % 5000);
        b.preClose = i == 0 ? p : bars[std::size_t(i - 1)].close;
    }
    return bars;
}

// Every output value of every slot of layer 0 at every bar.
std::vector<float> outputs(const PaneFormulas& f, int n)
{
    std::vector<float> all;
    for (const auto& slot : *f.layer(0)) {
        FMLSelectedValue sel[64];
        for (int bar = 0; bar < n; ++bar) {
            const int k = fml_ctx_output_selected_value(slot->context, unsigned(bar), sel, 64);
            for (int i = 0; i < k; ++i)
                all.push_back(sel[i].value);
        }
    }
    return all;
}

void addSlot(PaneFormulas& f, const char* name, float color)
{
    auto instance = f.instantiate(name);
    ASSERT_TRUE(instance && instance->context()) << name;
    formula::FormulaParam c;
    c.name = "_color";
    c.value = color;
    instance->params.push_back(c);
    instance->applyParams();
    auto slot = std::make_unique<CTXData>();
    slot->context = instance->context();
    slot->name = name;
    f.addSlot(0, std::move(slot), std::move(instance));
}

TEST(PaneFormulas, AFreshCopyDrawsWhatThePaneDraws)
{
    ensureProgramCatalogue();
    auto pane = std::make_unique<PaneFormulas>();
    for (const char* name : {"KLINE", "Sulvane", "MACD", "KD"})
        addSlot(*pane, name, 3.0f);
    auto store = std::make_shared<BarStore>();
    store->bars = barsOf(2000);
    pane->run({store});
    const std::vector<float> drawnByPane = outputs(*pane, 2000);
    ASSERT_GT(drawnByPane.size(), 2000u * 4);

    std::unique_ptr<PaneFormulas> copy = pane->freshCopy();
    ASSERT_TRUE(copy);
    EXPECT_NE(copy->vm(), pane->vm());
    EXPECT_TRUE(copy->sameFormulas(*pane));
    EXPECT_TRUE(outputs(*copy, 0).empty()) << "a fresh copy holds no outputs";
    pane.reset();  // the copy's contexts are its own machine's
    BarStore own;
    own.bars = barsOf(2000);
    copy->runLayer(0, own);
    const std::vector<float> drawnByCopy = outputs(*copy, 2000);
    ASSERT_EQ(drawnByCopy.size(), drawnByPane.size());
    EXPECT_EQ(std::memcmp(drawnByCopy.data(), drawnByPane.data(), drawnByPane.size() * sizeof(float)), 0);
}

TEST(PaneFormulas, SameFormulasTellsChangedFormulas)
{
    ensureProgramCatalogue();
    struct Change {
        const char* what;
        std::function<void(PaneFormulas&)> change;
        bool same;
        bool counted;  // as an edit (a parameter written into an instance is not one)
    };
    const Change changes[] = {
        {"nothing", [](PaneFormulas&) {}, true, false},
        {"made anew from the catalogue", [](PaneFormulas& f) { f.instantiateAgain(); }, true, true},
        {"a parameter",
         [](PaneFormulas& f) {
             auto& instance = *f.instances().back();
             instance.params.front().value += 1.0f;
             instance.applyParams();
         },
         false, false},
        {"another slot", [](PaneFormulas& f) { addSlot(f, "MA", 5.0f); }, false, true},
        {"a slot less", [](PaneFormulas& f) { f.removeSlot(0, 1); }, false, true},
        {"another formula in a slot",
         [](PaneFormulas& f) {
             CTXData& slot = *(*f.layer(0))[1];
             f.replaceInstance(slot, f.instantiate("KD"));
             slot.name = "KD";
         },
         false, true},
    };
    for (const Change& c : changes) {
        PaneFormulas pane;
        addSlot(pane, "KLINE", 1.0f);
        addSlot(pane, "MACD", 2.0f);
        std::unique_ptr<PaneFormulas> copy = pane.freshCopy();
        ASSERT_TRUE(copy) << c.what;
        const unsigned edits = pane.edits();
        c.change(pane);
        EXPECT_EQ(pane.edits() != edits, c.counted) << c.what;
        EXPECT_EQ(copy->sameFormulas(pane), c.same) << c.what;
        EXPECT_EQ(pane.sameFormulas(*copy), c.same) << c.what;
    }
}

}  // namespace
