#include "shell/qmltypes.h"

#include <QtQml>

#include "charts/cchipdistribution.h"
#include "charts/cpaintboard.h"
#include "charts/fchart.h"
#include "charts/painttoollist.h"
#include "charts/qchart.h"
#include "charts/qchartextend.h"
#include "charts/timebar.h"
#include "charts/titlebar.h"
#include "models/indexboardmodel.h"
#include "models/groupstore.h"
#include "models/indexsectioncountmodel.h"
#include "models/mqmodel.h"
#include "models/multistockmodel.h"
#include "models/pricemodel.h"
#include "models/qdetailedmodel.h"
#include "models/qflowlistview.h"
#include "models/qmystockservice.h"
#include "models/qpagemodelsorter.h"
#include "models/qquorvexservice.h"
#include "models/qstockpoolservice.h"
#include "models/qstocktipmodel.h"
#include "models/qstocktipview.h"
#include "models/qtablemodelproxy.h"
#include "models/repaintarea.h"
#include "models/tablebody.h"
#include "models/tablemodel.h"
#include "shell/filedownload.h"
#include "shell/framehold.h"
#include "shell/hdatetime.h"
#include "shell/hfileio.h"
#include "shell/hroute.h"
#include "shell/httprequest.h"
#include "shell/httprequestfactory.h"
#include "shell/hutil.h"
#include "shell/pagekeys.h"
#include "shell/qbaseservice.h"
#include "shell/qcrypto.h"
#include "shell/replyimage.h"
#include "shell/serverstatemodel.h"

// The order is the program's registration order: every type the documents
// import, with its URI and version.
void registerQmlTypes()
{
    qmlRegisterType<HttpRequest>("Network", 1, 0, "HttpRequest");
    qmlRegisterSingletonType<HttpRequestFactory>("Network", 1, 0, "HttpRequestFactory", &HttpRequestFactory::provider);
    qmlRegisterType<HFileIO>("HFileIO", 1, 0, "HFileIO");
    qmlRegisterType<FileDownload>("Network", 1, 0, "FileDownload");
    qmlRegisterType<ReplyImage>("ReplyImage", 1, 0, "ReplyImage");
    qmlRegisterType<HRoute>("HRoute", 1, 0, "HRoute");
    qmlRegisterType<FrameHold>("FrameHold", 1, 0, "FrameHold");
    qmlRegisterType<HDatetime>("HDatetime", 1, 0, "HDatetime");
    qmlRegisterType<HUtil>("HUtil", 1, 0, "HUtil");
    qmlRegisterType<PageKeys>("PageKeys", 1, 0, "PageKeys");
    qmlRegisterType<QCrypto>("QCrypto", 1, 0, "QCrypto");
    qmlRegisterType<QBaseService>("QBaseService", 1, 0, "QBaseService");
    qmlRegisterType<ServerStateModel>("ServerStateModel", 1, 0, "ServerStateModel");
    qmlRegisterType<MQModel>("MQModel", 1, 0, "MQModel");
    qmlRegisterType<PriceModel>("PriceModel", 1, 0, "PriceModel");
    qmlRegisterType<QPageModelSorter>("QPageModelSorter", 1, 0, "QPageModelSorter");
    qmlRegisterType<QTableModelProxy>("QTableModelProxy", 1, 0, "QTableModelProxy");
    qmlRegisterType<RepaintArea>("RepaintArea", 1, 0, "RepaintArea");
    qmlRegisterType<TableBody>("TableBody", 1, 0, "TableBody");
    qmlRegisterType<MultiStockModel>("MultiStockModel", 1, 0, "MultiStockModel");
    qmlRegisterType<IndexBoardModel>("IndexBoardModel", 1, 0, "IndexBoardModel");
    qmlRegisterType<IndexBoard>("IndexBoardModel", 1, 0, "IndexBoard");
    qmlRegisterType<QDetailedModel>("QDetailedModel", 1, 0, "QDetailedModel");
    qmlRegisterType<QStockTipModel>("QStockTipModel", 1, 0, "QStockTipModel");
    qmlRegisterType<QStockTipView>("QStockTipView", 1, 0, "QStockTipView");
    qmlRegisterType<QFlowListView>("QFlowListView", 1, 0, "QFlowListView");
    qmlRegisterType<IndexSectionCountModel>("IndexSectionCountModel", 1, 0, "IndexSectionCountModel");
    qmlRegisterType<FChart>("FChart", 1, 0, "FChart");
    qmlRegisterType<QChart>("QChart", 1, 0, "QChart");
    qmlRegisterType<QChartExtend>("QChartExtend", 1, 0, "QChartExtend");
    qmlRegisterType<TimeBar>("TimeBar", 1, 0, "TimeBar");
    qmlRegisterType<TitleBar>("TitleBar", 1, 0, "TitleBar");
    qmlRegisterType<CChipDistribution>("CChipDistribution", 1, 0, "CChipDistribution");
    qmlRegisterType<CPaintBoard>("CPaintBoard", 1, 0, "CPaintBoard");
    qmlRegisterSingletonType<PaintToolList>("CPaintBoard", 1, 0, "PaintTools", &PaintToolList::provider);
    qmlRegisterType<TableModel>("TableModel", 1, 0, "TableModel");
    qmlRegisterType<QMyStockService>("QMyStockService", 1, 0, "QMyStockService");
    qmlRegisterType<QQuorvexService>("QQuorvexService", 1, 0, "QQuorvexService");
    qmlRegisterType<QStockPoolService>("QStockPoolService", 1, 0, "QStockPoolService");
    // The quote tables list the groups of the services' stores.
    TableModel::setGroupSource(GroupStore::tableSource());
}
