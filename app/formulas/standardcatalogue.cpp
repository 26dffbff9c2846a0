// The standard indicator catalogue: base chart programs and common indicators.
#include "formulas/formulaservice.h"
#include "formulas/standardprograms.h"

namespace formula {
namespace {

// Parameters with the same range.
std::vector<FormulaParam> sameRange(std::initializer_list<std::pair<const char*, float>> values, float min, float max)
{
    std::vector<FormulaParam> out;
    out.reserve(values.size());
    for (const auto& v : values)
        out.push_back({v.first, v.second, min, max});
    return out;
}

// "\r\n"-joined description lines.
std::string lines(std::initializer_list<const char*> items)
{
    std::string out;
    for (const char* l : items) {
        if (!out.empty())
            out += "\r\n";
        out += l;
    }
    return out;
}

}  // namespace

void registerStandardFormulas(FormulaService& service)
{
    using namespace standard;
    auto add = [&service](int type, const char* name, std::string description, std::vector<FormulaParam> params,
                          FormulaBuildFn build) {
        service.addFormula(
            std::make_shared<LocalFormula>(type, name, std::move(description), std::move(params), build));
    };
    const char* const kDays = "天数:{}天;";

    add(BaseChartProgram, "MLINE", "", {}, build_P1);
    add(BaseChartProgram, "SMLINE", "", {}, build_P2);
    add(SubIndicator, "分时成交", "", {}, build_P3);
    add(BaseChartProgram, "MVOL", "", {}, build_P3);
    add(BaseChartProgram, "KLINE", "", {}, build_P4);
    add(BaseChartProgram, "SKLINE", "", {}, build_P5);
    add(SubIndicator, "VOL", lines({"{}日移动平均;", "{}日移动平均;"}), sameRange({{"M1", 5}, {"M2", 10}}, 2, 500),
        build_P6);
    add(SubIndicator, "MACD", lines({"{}日快线移动平均;", "{}日慢线移动平均;", "{}日移动平均;"}),
        sameRange({{"SHORT", 12}, {"MID", 9}, {"LONG", 26}}, 2, 200), build_P7);
    add(SubIndicatorBoll, "BOLL", "{}日布林线;", sameRange({{"M", 26}}, 2, 999), build_P8);
    add(SubIndicator, "KD", lines({kDays, kDays, kDays}), {{"N", 9, 2, 90}, {"M1", 3, 2, 30}, {"M2", 3, 2, 30}},
        build_P9);
    add(SubIndicator, "KDJ", lines({kDays, kDays, kDays}), {{"N", 9, 2, 90}, {"M1", 3, 2, 30}, {"M2", 3, 2, 30}},
        build_P10);
    add(SubIndicator, "RSI", lines({"{}日RSI[相对强弱];", "{}日RSI[相对强弱];", "{}日RSI[相对强弱];"}),
        {{"N1", 6, 2, 120}, {"N2", 12, 2, 250}, {"N3", 24, 2, 500}}, build_P11);
    add(SubIndicator, "WR", lines({"{}日威廉指标;", "{}日威廉指标;"}), sameRange({{"N", 10}, {"N1", 6}}, 2, 100),
        build_P12);
    add(SubIndicator, "BIAS", lines({"{}日乖离率;", "{}日乖离率;", "{}日乖离率;"}),
        sameRange({{"N1", 6}, {"N2", 12}, {"N3", 24}}, 2, 250), build_P13);
    add(SubIndicator, "CCI", kDays, sameRange({{"N", 14}}, 2, 100), build_P14);
    add(SubIndicator, "DMA", lines({"{}日快线移动平均;", "{}日慢线移动平均;", "{}日移动平均;"}),
        {{"N1", 10, 2, 60}, {"N2", 50, 2, 250}, {"M", 10, 2, 100}}, build_P15);
    add(SubIndicator, "BRAR", "{}日情绪指标", sameRange({{"N", 26}}, 2, 120), build_P16);
    add(SubIndicator, "PSY", lines({"{}日心理线;", "{}日移动平均;"}), sameRange({{"N", 12}, {"M", 6}}, 2, 100),
        build_P17);
    add(MainOverlay, "MA",
        lines({"第1条{}日移动平均线;", "第2条{}日移动平均线;", "第3条{}日移动平均线;", "第4条{}日移动平均线"}),
        sameRange({{"M1", 5}, {"M2", 10}, {"M3", 20}, {"M4", 60}}, 1, 9999), build_P18);
    {
        std::string ma2;
        for (int i = 1; i <= 10; ++i)
            ma2 += "第" + std::to_string(i) + "条{}日移动平均线;\r\n";
        add(MainOverlay, "MA2", ma2,
            sameRange({{"M1", 5},
                       {"M2", 10},
                       {"M3", 20},
                       {"M4", 60},
                       {"M5", 120},
                       {"M6", 250},
                       {"M7", 0},
                       {"M8", 0},
                       {"M9", 0},
                       {"M10", 0}},
                      1, 9999),
            build_P19);
    }
    add(MainOverlay, "MBOLL", "{}日布林线;", sameRange({{"M", 26}}, 1, 9999), build_P20);
    add(MainOverlay, "BBI", lines({kDays, kDays, kDays, kDays}),
        sameRange({{"M1", 3}, {"M2", 6}, {"M3", 12}, {"M4", 24}}, 2, 100), build_P21);
    add(MainOverlay, "EXPMA", lines({"{}日指数平均线;", "{}日指数平均线;"}),
        sameRange({{"M1", 12}, {"M2", 50}}, 2, 500), build_P22);
}

}  // namespace formula
