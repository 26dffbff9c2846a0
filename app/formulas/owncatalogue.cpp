// The system's own indicator catalogue: its menu groups and entries.
#include "formulas/formulaservice.h"
#include "formulas/ownprograms.h"

namespace formula {

void registerExtraFormulas(FormulaService& service)
{
    using namespace own;
    struct GroupRow {
        const char* name;
        const char* code;
        const char* shortCode;
        std::vector<std::string> members;
    };
    const GroupRow groups[] = {
        {"BBI", "", "BBI", {"BBI"}},
        {"EXPMA", "", "EXPMA", {"EXPMA"}},
        {"Corvane", "FML-KRV", "KRV", {"Corvane", "Corvane副图", "VOL"}},
        {"Halvest", "FML-HVT", "HVT", {"Halvest", "Halvest副图"}},
        {"Mirelo", "FML-MRL", "MRL", {"Mirelo", "PellisMACD", "Ardun"}},
        {"Pentaro", "FML-PTR", "PTR", {"Pentaro"}},
        {"Sulvane", "FML-SLV", "SLV", {"Sulvane", "Lumeth"}},
        {"Taldor", "FML-TAR", "TAR", {"Taldor"}},
        {"Venrik", "FML-VNK", "VNK", {"Venrik"}},
        {"Borrin", "FML-BRN", "BRN", {"Borrin"}},
        {"Quessa", "FML-QSA", "QSA", {"Nessir", "Wimbel", "Yorvik"}},
        {"Dravel", "FML-DVL", "DVL", {"Dravel"}},
    };
    for (const GroupRow& g : groups)
        service.addGroup(
            std::make_shared<FormulaService::Group>(FormulaService::Group{g.name, g.code, g.shortCode, g.members}));

    const char* const kNoParams = "无参数设置";
    struct EntryRow {
        const char* displayName;
        const char* shortCode;
        const char* groupCode;
        int type;
        FormulaBuildFn build;
    };
    const EntryRow entries[] = {
        {"Ombrel", "OMB", "FML-OMB", SubIndicator, build_Ombrel},
        {"Kestan", "KST", "FML-KST", SubIndicator, build_Kestan},
        {"Mirelo", "MRL", "FML-MRL", MainOverlay, build_Mirelo},
        {"Pentaro", "PTR", "FML-PTR", MainReplacesCandles, build_Pentaro},
        {"Sulvane", "SLV", "FML-SLV", MainOverlay, build_Sulvane},
        {"Venrik", "VNK", "FML-VNK", MainOverlay, build_Venrik},
        {"Borrin", "BRN", "FML-BRN", MainReplacesCandles, build_Borrin},
        {"Galdis", "GLD", "FML-GLD", SubIndicator, build_Galdis},
        {"Throvin", "THV", "FML-THV", SubIndicator, build_Throvin},
        {"Lumeth", "LMT", "FML-LMT", SubIndicator, build_Lumeth},
        {"Taldor", "TAR", "FML-TAR", MainOverlay, build_Taldor},
        {"Halvest", "HVT", "FML-HVT", MainOverlay, build_Halvest},
        {"Dravel", "DVL", "FML-DVL", MainOverlay, build_Dravel},
        {"Halvest副图", "HVTS", "FML-HVT", SubIndicatorBase, build_HalvestSub},
        {"Corvane", "KRV", "FML-KRV", MainOverlay, build_Corvane},
        {"Nessir", "NSR", "FML-QSA", MainOverlay, build_Nessir},
        {"Corvane副图", "KRVS", "FML-KRV", SubIndicatorBase, build_CorvaneSub},
        {"PellisMACD", "PLS", "FML-PLS", SubIndicator, build_PellisMACD},
        {"Ardun", "ARD", "FML-ARD", SubIndicator, build_Ardun},
        {"Raskin消费", "RSK1", "FML-RSK", SubIndicator, build_Raskin1},
        {"Raskin中证", "RSK2", "FML-RSK", SubIndicator, build_Raskin2},
        {"Raskin医药", "RSK3", "FML-RSK", SubIndicator, build_Raskin3},
        {"Wimbel", "WMB", "FML-QSA", SubIndicatorBase, build_Wimbel},
        {"Yorvik", "YRV", "FML-QSA", SubIndicatorBase, build_Yorvik},
    };
    for (const EntryRow& e : entries) {
        // Only the two Corvane entries take a user parameter.
        std::vector<FormulaParam> params;
        std::string description = kNoParams;
        if (e.build == build_Corvane) {
            params = {{"M", 64, 2, 999}};
            description = "{}日移动平均线";
        } else if (e.build == build_CorvaneSub) {
            params = {{"M", 12, 2, 999}};
            description = "{}日布林线;";
        }
        service.addFormula(std::make_shared<LocalFormula>(e.type, e.shortCode, e.displayName, e.groupCode,
                                                          std::move(description), std::move(params), e.build));
    }
}

void registerOwnFormulas(FormulaService& service)
{
    registerExtraFormulas(service);
}

}  // namespace formula
