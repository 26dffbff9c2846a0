// The process-wide indicator library: catalogue entries, indicator-menu groups,
// the default output palette, and the user's parameter file.
#ifndef TARVOLIN_FORMULAS_FORMULASERVICE_H
#define TARVOLIN_FORMULAS_FORMULASERVICE_H

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formulas/basicformulafactory.h"
#include "formulas/formula.h"

namespace formula {

// Entry types (only the low byte is tested): which list offers an entry and
// how a chart treats it.
enum FormulaEntryType {
    MainOverlay = 1,          // drawn over the candles or the minute line
    MainReplacesCandles = 2,  // a main-chart program whose slot hides the candles
    SubIndicator = 4,         // a sub-chart indicator
    SubIndicatorBoll = 8,     // the sub-chart BOLL
    BaseChartProgram = 64,    // KLINE, MLINE, ...: found by name, never listed
    SubIndicatorBase = SubIndicator | BaseChartProgram
};

// List masks of findByType.
enum FormulaListMask {
    MainChartList = 3,  // types 1 and 2
    SubChartList = 60,  // types 4, 8 and 68
    AllChartLists = 63
};

class FormulaService {
public:
    struct Group {
        std::string name;  // key of findGroup
        std::string code;  // empty for standard groups
        std::string shortCode;
        std::vector<std::string> formulas;  // display names of the members, in menu order
    };

    // Created on first use (thread-safe); lives until process exit.
    static FormulaService& instance();

    // GUI thread (start-up). Appends and returns the stored pointer.
    std::shared_ptr<BasicFormulaFactory> addFormula(std::shared_ptr<BasicFormulaFactory> entry);
    void addGroup(std::shared_ptr<Group> group);

    // GUI thread. First entry whose display name equals name; empty when none.
    std::shared_ptr<BasicFormulaFactory> find(const std::string& name) const;
    // GUI thread. Every entry whose type's low byte shares a bit with mask, in order.
    std::vector<std::shared_ptr<BasicFormulaFactory>> findByType(int mask) const;
    // GUI thread. First group of that name; empty when none.
    std::shared_ptr<Group> findGroup(const std::string& name) const;

    // GUI thread. Reads the parameter file at path into the entries' current
    // values (missing file, flag 0 or unknown keys load nothing). A file that
    // is not a parameter file (no completion flag, a NUL) is marked to be
    // kept as ".bad" by the next save; one that cannot be read is told, and
    // moved aside by the writer.
    void loadParams(const std::string& path);
    // GUI thread. Rewrites the parameter file at path with every entry's
    // current values; written to a temporary file and renamed into place,
    // after a file marked by loadParams was moved aside. False when nothing
    // was written (the values stay as they are for the next save).
    bool saveParams(const std::string& path);

    const std::vector<std::shared_ptr<BasicFormulaFactory>>& formulas() const { return formulas_; }
    const std::vector<std::shared_ptr<Group>>& groups() const { return groups_; }

    FormulaService() = default;
    FormulaService(const FormulaService&) = delete;
    FormulaService& operator=(const FormulaService&) = delete;

private:
    std::vector<std::shared_ptr<BasicFormulaFactory>> formulas_;
    std::vector<std::shared_ptr<Group>> groups_;
    std::string damagedParams_;  // the parameter file to keep aside before the next save, or ""
};

// The default palette as output colour words (red bits 0-7, green 8-15, blue 16-23).
const std::array<uint32_t, 7>& defaultPalette();
// GUI thread. Palette index := 0.
void resetDefaultColor();
// GUI thread. The colour word at the palette index, then advances it (wraps after seven).
uint32_t nextDefaultColor();

// Start-up (GUI thread, before any view): the standard catalogue (23 entries),
// then the system's own catalogue, then the saved parameter values.
void registerStandardFormulas(FormulaService& service);
void registerOwnFormulas(FormulaService& service);  // the same as registerExtraFormulas
void registerExtraFormulas(FormulaService& service);
void loadFormulaParams(const std::string& path);

}  // namespace formula

#endif
