// PaneFormulas: the formulas of one chart pane. It owns one formula virtual
// machine, the formula instances compiled into it and the slots (CTXData) of
// each layer that hold their contexts, and evaluates every slot over its
// layer's bars. Nothing in it touches a QObject: a fresh copy of the same
// formulas (freshCopy) may be evaluated on a worker thread over bars of its own.
#pragma once

#include <QString>

#include <memory>
#include <vector>

#include "charts/core/barstore.h"
#include "charts/ctxdata.h"
#include "fml.h"

namespace formula {
class Formula;
}

class PaneFormulas {
public:
    using Instances = std::vector<std::shared_ptr<formula::Formula>>;

    PaneFormulas();
    ~PaneFormulas();
    PaneFormulas(const PaneFormulas&) = delete;
    PaneFormulas& operator=(const PaneFormulas&) = delete;

    FormulaVM* vm() const { return vm_; }
    const Instances& instances() const { return instances_; }
    const std::vector<std::unique_ptr<CTXLayer>>& layers() const { return layers_; }
    int layerCount() const { return int(layers_.size()); }
    // Layer i's slots; null outside the layers.
    CTXLayer* layer(int i) const;
    // The first slot of layer 0; null without one.
    CTXData* firstSlot() const;

    // GUI thread (the catalogue's). A new instance of catalogue formula name
    // on this machine; null when absent or not buildable.
    std::shared_ptr<formula::Formula> instantiate(const QString& name) const;
    // Adds slot, running instance f, to layer index (a new last layer when
    // index is at or beyond the count). Returns the layer it went to.
    int addSlot(int index, std::unique_ptr<CTXData> slot, std::shared_ptr<formula::Formula> f);
    // Removes slot aIndex of layer vIndex (both valid) with its instance.
    void removeSlot(int vIndex, int aIndex);
    // Removes layer vIndex (valid), which holds no slot.
    void removeLayer(int vIndex);
    // Swaps the instance that holds slot's context for fresh.
    void replaceInstance(CTXData& slot, std::shared_ptr<formula::Formula> fresh);
    // GUI thread. Every slot's formula is made anew from the catalogue (its
    // parameters as they are now); an overlay keeps its colour.
    void instantiateAgain();
    // GUI thread. The same formulas with the same parameters on a machine of
    // their own, slot for slot, holding no outputs yet.
    std::unique_ptr<PaneFormulas> freshCopy() const;
    // Whether other holds the same formulas with the same parameters, slot for slot.
    bool sameFormulas(const PaneFormulas& other) const;
    // Counts the slots' changes (a slot added, removed or given another instance).
    unsigned edits() const { return edits_; }

    // Evaluates every slot of layer i over stores[i], up to the first layer
    // without bars or slots. The thread that owns this object and the stores.
    void run(const std::vector<SharedBarStore>& stores);
    // Evaluates the slots of layer li over store (its bars, columns and changes).
    void runLayer(std::size_t li, BarStore& store);

    // GUI thread. Each slot's plot, bar widths and value range over bars
    // begin..end (valid) of an item width x height showing showNumber bars;
    // overlay layers scaled to layer 0 by their opens (closes on a minute line).
    void layOut(const std::vector<SharedBarStore>& stores, double width, double height, int showNumber, int begin,
                int end, bool minuteLine);

    // The formula engine's callbacks (user data: the slot, or the current-bars pointer).
    static int provideSeries(void* user, FormulaContext* ctx, FormulaArgument* arg, const char* name);
    static int dynaInfo(void* user, FormulaVM* vm, FormulaContext* ctx, const char* name, FormulaArgument** args,
                        int count);

private:
    // The instance running in ctx, or instances_.end().
    Instances::iterator instanceOf(FormulaContext* ctx);
    Instances::const_iterator instanceOf(FormulaContext* ctx) const;

    FormulaVM* vm_ = nullptr;
    std::vector<std::unique_ptr<CTXLayer>> layers_;
    std::vector<ChartBar>* currentBars_ = nullptr;  // the bars of the layer being run (DYNAINFO)
    Instances instances_;
    unsigned edits_ = 0;
};
