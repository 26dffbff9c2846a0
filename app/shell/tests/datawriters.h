// Every file the program keeps in its data directory, each saved the way the
// program saves it (the drawing board, the services, the documents through
// HFileIO's slot), for the tests of writers on a full disk and over files
// that cannot be read.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkCookie>
#include <QString>
#include <QUrl>
#include <QVariantList>

#include <functional>
#include <utility>
#include <vector>

#include "charts/cpaintboard.h"
#include "charts/paintshapes.h"
#include "charts/tests/chartfixtures.h"
#include "models/qquorvexservice.h"
#include "shell/hfileio.h"
#include "shell/networkcookiejar.h"
#include "shell/qbaseservice.h"

// A day chart of 600020 with its drawings, for the drawing file.
struct DrawingChart {
    QChart chart;
    KRecord bars = KRecord(days());
    DrawingChart()
    {
        setUpKLinePane(chart, 1);
        chart.setLineType("kline");
        chart.setkShowNumber(50);
        chart.onUpdateKLine(bars.get(), 0);
        chart.setPaintBoardActive(true);
        chart.parsePaintData("600020", 1, 33);
    }
    static std::vector<std::pair<int, float>> days()
    {
        std::vector<std::pair<int, float>> d;
        for (int i = 0; i < 50; ++i)
            d.emplace_back(i, 10.0f + float(i % 7));
        return d;
    }
    // A rectangle dragged from bar a to bar a + 5, then the view hidden.
    void drawAndSave(int a)
    {
        chart.setPaintBoardQChart("CPaintRect");
        const int x0 = chart.getPointX(a - chart.getBegin()), x1 = chart.getPointX(a + 5 - chart.getBegin());
        const int y0 = int(chart.getPointY(12)), y1 = int(chart.getPointY(14));
        chart.onLButtonDown(0, x0, y0);
        chart.onMousePaintBoard(Qt::LeftButton, x1, y1);
        chart.onLButtonUp(0, x1, y1);
        chart.savePaintData("600020", 1, 33);
    }
    bool unsaved() { return chart.paintBoard()->modified(); }
};

struct Writer {
    const char* what;
    QString file;                   // below the data directory
    std::function<void(int)> save;  // the n-th save of the test
    std::function<bool()> unsaved;  // whether the edit is still marked unsaved
    QByteArray old = QByteArray();  // the file before ("old <what>" when empty)
    QByteArray before() const { return old.isEmpty() ? "old " + QByteArray(what) : old; }
};

// The writers as the program calls them; the QML documents write their files
// through HFileIO's slot.
// `saves(n)`: whether the n-th save is to go through.
inline std::vector<Writer> writers(
    DrawingChart& drawing, std::function<bool(int)> saves = [](int n) { return n == 3; })
{
    auto byDocument = [saves](const char* what, const QString& file) {
        return Writer{what, file,
                      [file, saves](int n) {
                          HFileIO io;
                          EXPECT_EQ(io.writedFileDefaultPath(file, QStringLiteral("{\"saved\":%1}").arg(n)), saves(n))
                              << qPrintable(file);
                      },
                      nullptr};
    };
    ensureStandardCatalogue();
    return {
        {"drawings", "600020-1-33.json", [&drawing](int n) { drawing.drawAndSave(5 + n * 6); },
         [&drawing] { return drawing.unsaved(); }},
        {"screening results", "Quorvex.json",
         [](int n) {
             QQuorvexService().addGroup(QStringLiteral("g%1").arg(n), "result", QVariantList{});
             HFileIO::finishSaves();  // written on the writer thread
         },
         nullptr,
         R"({"code":"0000","msg":"success","result":[{"group_id":"old","group_name":"old","stock_list":[]}]})"},
        {"own formula groups", "formula_group_own.json",
         [](int n) {
             QBaseService().addLocalFormulaGroup(QJsonObject{{"name", QStringLiteral("组%1").arg(n)}});
         },
         nullptr},
        {"indicator parameters", "index.param",
         [](int n) {
             QBaseService().setFormulaParam("MA", QJsonObject{{"args", QJsonArray{QJsonObject{{"value", 5 + n}}}}});
         },
         nullptr},
        {"cookies", "cookies/cookies.txt",
         [](int n) {
             NetworkCookieJar jar;
             jar.setCookiesFromUrl({QNetworkCookie("sid", QByteArray::number(n))}, QUrl("http://127.0.0.1/"));
             jar.save();
         },
         nullptr},
        byDocument("stock pools", "StockPool.json"),
        byDocument("chart formulas", "formula_map.json"),
        byDocument("overlay stocks", "superposition.json"),
        byDocument("panel state", "view_config.json"),
        byDocument("notices", "notice_1.json"),
        byDocument("index boards", "board.json"),
        byDocument("start images", "start_image.json"),
    };
}
