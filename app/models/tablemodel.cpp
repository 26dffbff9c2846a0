#include "models/tablemodel.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "models/codetext.h"
#include "models/core/tablepaging.h"
#include "models/groupstore.h"
#include "shell/core/theme.h"
#include "shell/hutil.h"
#include "shell/quoteproxy.h"

namespace {

const StockGroupSource* groupSource = nullptr;

QString themeColour(uint32_t argb, bool withAlpha = false)
{
    return QString::fromStdString(theme::hexName(argb, withAlpha));
}

const QString kNoFlash = themeColour(theme::kNoColor);
const QString kHeaderColor = themeColour(theme::kTableHeaderTextColor);
const QString kGold = themeColour(theme::kGoldTextColor);
const QString kCyan = themeColour(theme::kCyanTextColor);
const QString kWhite = themeColour(theme::kTextColor);
const QString kUp = themeColour(theme::kUpColor);
const QString kDown = themeColour(theme::kDownColor);
// Flash of a last price that moved since the previous reply.
const QString kFlashUp = themeColour(theme::kFlashUpColor);
const QString kFlashDown = themeColour(theme::kFlashDownColor);
// The text colour of a cell outside the table.
const QString kNoCellColor = themeColour(theme::kTextColor, true);

// What a column shows; the variants differ only in colour or scaling.
enum Col {
    Seq,
    Code,
    Name,
    Last,
    Rate,
    Change,
    Industry,
    Region,
    Concept,
    Speed,
    Vol,
    Amount,
    AmountWhite,
    Swap,
    CurVol,
    PreClose,
    Open,
    High,
    Low,
    VolRatio,
    VolRatioRate,
    Committee,
    Amplitude,
    AmplitudeColoured,
    Inner,
    Outer,
    Pe,
    M5Rate
};

struct Column {
    const char* title;
    Col col;
    int sort;
};

using Layout = std::vector<Column>;

// The market field a column of a sortable layout sorts by; -1 for one that
// does not sort.
int sortFieldOf(Col col)
{
    switch (col) {
    case Code:
        return QUOTE_FIELD_CODE;
    case Last:
        return QUOTE_FIELD_CLOSE;
    case Rate:
        return QUOTE_FIELD_RISE_RATE;
    case Change:
        return QUOTE_FIELD_RISE_VALUE;
    case Speed:
        return QUOTE_FIELD_SPEED;
    case Vol:
        return QUOTE_FIELD_VOLUME;
    case Amount:
    case AmountWhite:
        return QUOTE_FIELD_AMOUNT;
    case Swap:
        return QUOTE_FIELD_SWAP;
    case CurVol:
        return QUOTE_FIELD_CUR_VOLUME;
    case PreClose:
        return QUOTE_FIELD_PRE_CLOSE;
    case Open:
        return QUOTE_FIELD_OPEN;
    case High:
        return QUOTE_FIELD_HIGH;
    case Low:
        return QUOTE_FIELD_LOW;
    case VolRatio:
    case VolRatioRate:
        return QUOTE_FIELD_VOLUME_RATIO;
    case Committee:
        return QUOTE_FIELD_ORDER_RATIO;
    case Amplitude:
        return QUOTE_FIELD_AMPLITUDE;
    case Pe:
        return QUOTE_FIELD_PE;
    default:
        return -1;
    }
}

// A layout whose columns sort by their fields.
Layout sortable(std::initializer_list<std::pair<const char*, Col>> columns)
{
    Layout l;
    for (const auto& c : columns)
        l.push_back({c.first, c.second, sortFieldOf(c.second)});
    return l;
}

const Layout& layout(int kind)
{
    static const Layout full = sortable({
        {"序号", Seq},       {"代码", Code},     {"名称", Name},   {"最新", Last},     {"涨跌幅", Rate},
        {"涨跌额", Change},  {"行业", Industry}, {"地区", Region}, {"概念", Concept},  {"涨速", Speed},
        {"成交量", Vol},     {"成交额", Amount}, {"换手率", Swap}, {"现量", CurVol},   {"昨收", PreClose},
        {"今开", Open},      {"最高", High},     {"最低", Low},    {"量比", VolRatio}, {"委比", Committee},
        {"振幅", Amplitude}, {"内盘", Inner},    {"外盘", Outer},
    });
    static const Layout compact = sortable({
        {"序号", Seq},
        {"名称", Name},
        {"涨跌幅", Rate},
        {"最新", Last},
        {"成交额", AmountWhite},
        {"量比", VolRatioRate},
    });
    static const Layout blockIndex =
        sortable({{"序号", Seq}, {"名称", Name}, {"涨跌幅", Rate}, {"成交额", AmountWhite}});
    static const Layout ranking = sortable({
        {"序号", Seq},       {"代码", Code},      {"名称", Name},   {"最新", Last},     {"涨跌幅", Rate},
        {"涨跌额", Change},  {"成交量", Vol},     {"换手率", Swap}, {"现量", CurVol},   {"昨收", PreClose},
        {"今开", Open},      {"最高", High},      {"最低", Low},    {"成交额", Amount}, {"量比", VolRatio},
        {"委比", Committee}, {"震幅", Amplitude}, {"内盘", Inner},  {"外盘", Outer},    {"市盈率", Pe},
    });
    // Monitor top lists: sequence, code, name, last price and one measure;
    // none of their columns sorts.
    auto top = [](const char* title, Col col) {
        return Layout{{"序号", Seq, -1}, {"代码", Code, -1}, {"名称", Name, -1}, {"最新", Last, -1}, {title, col, -1}};
    };
    static const Layout tops[6] = {
        top("涨幅", Rate),      top("涨幅", M5Rate),      top("量比", VolRatio), top("振幅", AmplitudeColoured),
        top("委比", Committee), top("金额", AmountWhite),
    };
    static const Layout none;
    switch (kind) {
    case 0:
    case 1:
        return full;
    case 2:
        return compact;
    case 3:
        return blockIndex;
    case 4:
        return ranking;
    default:
        return kind >= 5 && kind <= 10 ? tops[kind - 5] : none;
    }
}

// Fixed-point text of a float, as Qt writes it, without the locale machinery:
// a float times a power of ten up to 10^6 is exact in a double, so rounding
// the product rounds the exact value. Other cases go to Qt.
QString fixedText(float value, int decimals)
{
    static const double kPow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    if (decimals < 0 || decimals > 6 || !(std::fabs(value) < 1e9f))
        return QString::number(double(value), 'f', std::max(decimals, 0));
    const long long n = std::llround(double(value) * kPow10[decimals]);
    if (n == 0)  // keep Qt's own sign of a value that rounds to zero
        return QString::number(double(value), 'f', decimals);
    char buf[32];
    char* end = buf + sizeof buf;
    char* p = end;
    unsigned long long m = static_cast<unsigned long long>(n < 0 ? -n : n);
    for (int i = 0; i < decimals; ++i) {
        *--p = char('0' + m % 10);
        m /= 10;
    }
    if (decimals > 0)
        *--p = '.';
    do {
        *--p = char('0' + m % 10);
        m /= 10;
    } while (m);
    if (n < 0)
        *--p = '-';
    return QString::fromLatin1(p, int(end - p));
}

// The price and rate texts of the formatting utilities, on the fast path.
QString priceText(float value, int decimals)
{
    return value == 0.0f ? QStringLiteral("-") : fixedText(value, decimals);
}

QString rateText(float rate, int decimals, float reference)
{
    if (rate != 0.0f)
        return fixedText(rate, decimals) + QLatin1Char('%');
    return reference != 0.0f ? QStringLiteral("0.00%") : QStringLiteral("-");
}

// Decimal text of hundredths: 12345 -> "123.45".
QString hundredthsText(unsigned long long h)
{
    char buf[32];
    char* end = buf + sizeof buf;
    char* p = end;
    *--p = char('0' + h % 10);
    h /= 10;
    *--p = char('0' + h % 10);
    h /= 10;
    *--p = '.';
    do {
        *--p = char('0' + h % 10);
        h /= 10;
    } while (h);
    return QString::fromLatin1(p, int(end - p));
}

// The volume text of the formatting utilities. A whole, non-negative value
// (every volume, and every amount above 2^24) is divided in integers; a tie
// in the last place and any other value go to the utilities, whose rounding
// of the double quotient decides those.
QString volText(float value)
{
    if (!(value >= 0.0f && value < 9e15f) || std::floor(value) != value)
        return HUtil::formatVolText(value);
    const unsigned long long n = static_cast<unsigned long long>(value);
    if (value > 100000000.0f) {
        const unsigned long long r = n % 1000000;
        if (r == 500000)
            return HUtil::formatVolText(value);
        return hundredthsText(n / 1000000 + (r > 500000)) + QStringLiteral("亿");
    }
    if (value > 10000.0f) {
        const unsigned long long r = n % 100;
        if (r == 50)
            return HUtil::formatVolText(value);
        return hundredthsText(n / 100 + (r > 50)) + QStringLiteral("万");
    }
    return QString::number(n);
}

QString codeText(const QuoteCodeInfo& ci)
{
    return codeInfoCode(ci);
}
QString nameText(const QuoteCodeInfo& ci)
{
    return codeInfoName(ci);
}

QString blockKey(const QString& code, int market)
{
    return code + QLatin1Char('_') + QString::number(market);
}

QString symbolName(const QuoteRealTimeMarket& rt, int which)
{
    const auto* names = static_cast<const QuoteSymbolNames*>(rt.symbol);
    if (!names)
        return QString();
    const char* text = which == 0 ? names->industry_name : which == 1 ? names->region_name : names->concept_name;
    return text ? QString::fromUtf8(text) : QString();
}

TableItemData makeCell(const Col col, const QuoteRealTimeMarket& rt, int seq, const TableModel::BlockNames* names)
{
    const int dec = rt.code_info.decimal;
    const float rate = rt.rf_rate * 100.0f;
    TableItemData c;
    c.acolor = kNoFlash;
    c.align = col == Seq ? 4 : (col == Code || col == Name) ? 1 : 2;
    switch (col) {
    case Seq:
        c.text = QString::number(seq);
        c.color = kGold;
        break;
    case Code:
        c.text = codeText(rt.code_info);
        c.color = kGold;
        break;
    case Name:
        c.text = nameText(rt.code_info);
        c.color = kGold;
        break;
    case Last:
        c.text = priceText(rt.close, dec);
        c.color = HUtil::priceColor(rt.close, rt.pre_close);
        break;
    case Rate:
        c.text = rateText(rate, 2, rt.close);
        c.color = HUtil::priceColor(rt.rf_rate, 0);
        break;
    case Change:
        c.text = priceText(rt.rf_value, 2);
        c.color = HUtil::priceColor(rt.rf_value, 0);
        break;
    case Industry:
        c.text = names ? (*names)[0] : symbolName(rt, 0);
        c.color = kCyan;
        break;
    case Region:
        c.text = names ? (*names)[1] : symbolName(rt, 1);
        c.color = kCyan;
        break;
    case Concept:
        c.text = names ? (*names)[2] : symbolName(rt, 2);
        c.color = kCyan;
        break;
    case Speed:
        c.text = priceText(rt.speed * 100.0f, 2);
        c.color = HUtil::priceColor(rt.speed, 0);
        break;
    case Vol:
        c.text = volText(float(rt.vol));
        c.color = kGold;
        break;
    case Amount:
        c.text = volText(float(rt.sum));
        c.color = kGold;
        break;
    case AmountWhite:
        c.text = volText(float(rt.sum));
        c.color = kWhite;
        break;
    case Swap:
        c.text = rateText(rt.swap * 100.0f, 2, rt.close);
        c.color = kGold;
        break;
    case CurVol:
        c.text = volText(float(rt.cur_vol));
        c.color = kGold;
        break;
    case PreClose:
        c.text = priceText(rt.pre_close, dec);
        c.color = HUtil::priceColor(rt.pre_close, rt.pre_close);
        break;
    case Open:
        c.text = priceText(rt.open, dec);
        c.color = HUtil::priceColor(rt.open, rt.pre_close);
        break;
    case High:
        c.text = priceText(rt.high, dec);
        c.color = HUtil::priceColor(rt.high, rt.pre_close);
        break;
    case Low:
        c.text = priceText(rt.low, dec);
        c.color = HUtil::priceColor(rt.low, rt.pre_close);
        break;
    // The library already divides the volume ratio by 100: the value is the
    // ratio itself, shown as the price panel shows it and compared with 1.
    case VolRatio:
        c.text = priceText(rt.vol_rate, 2);
        c.color = HUtil::priceColor(rt.vol_rate, 1.0f);
        break;
    case VolRatioRate:
        c.text = rateText(rt.vol_rate, 2, rt.close);
        c.color = kWhite;
        break;
    case Committee:
        c.text = rateText(rt.committee * 100.0f, 2, rt.close);
        c.color = HUtil::priceColor(rt.committee * 100.0f, 0);
        break;
    case Amplitude:
        c.text = rateText(rt.amplitude * 100.0f, 2, rt.close);
        c.color = kGold;
        break;
    case AmplitudeColoured:
        c.text = rateText(rt.amplitude * 100.0f, 2, rt.close);
        c.color = HUtil::priceColor(rt.amplitude, 0);
        break;
    case Inner:
        c.text = volText(float(rt.green_vol));
        c.color = kDown;
        break;
    case Outer:
        c.text = volText(float(rt.red_vol));
        c.color = kUp;
        break;
    case Pe:
        c.text = priceText(rt.pe, 2);
        c.color = kGold;
        break;
    case M5Rate:
        c.text = rateText(rt.m5_rf_rate * 100.0f, 2, rt.close);
        c.color = HUtil::priceColor(rt.m5_rf_rate, 0);
        break;
    }
    return c;
}

// The column whose change is marked by a flash: the last price.
int flashColumn(int kind)
{
    const Layout& l = layout(kind);
    for (size_t i = 0; i < l.size(); ++i)
        if (l[i].col == Last)
            return int(i);
    return -1;
}

// Records are equal for display when every byte before the symbol link is.
bool sameRecord(const QuoteRealTimeMarket& a, const QuoteRealTimeMarket& b)
{
    return std::memcmp(&a, &b, offsetof(QuoteRealTimeMarket, symbol)) == 0;
}

// Layouts with the industry, region and concept columns.
bool showsBlockNames(int kind)
{
    for (const Column& c : layout(kind))
        if (c.col == Industry || c.col == Region || c.col == Concept)
            return true;
    return false;
}

const std::vector<uint16_t> kCompactFields = {QUOTE_FIELD_IDENTITY,  QUOTE_FIELD_CODE,      QUOTE_FIELD_DATE,
                                              QUOTE_FIELD_TIME,      QUOTE_FIELD_PRE_CLOSE, QUOTE_FIELD_CLOSE,
                                              QUOTE_FIELD_VOLUME,    QUOTE_FIELD_AMOUNT,    QUOTE_FIELD_VOLUME_RATIO,
                                              QUOTE_FIELD_RISE_RATE, QUOTE_FIELD_RISE_VALUE};
const std::vector<uint16_t> kBlockIndexFields = {
    QUOTE_FIELD_IDENTITY, QUOTE_FIELD_CODE,   QUOTE_FIELD_DATE,      QUOTE_FIELD_TIME,       QUOTE_FIELD_PRE_CLOSE,
    QUOTE_FIELD_CLOSE,    QUOTE_FIELD_AMOUNT, QUOTE_FIELD_RISE_RATE, QUOTE_FIELD_RISE_VALUE, QUOTE_FIELD_BLOCK_ID};

}  // namespace

TableModel::TableModel(QObject* parent) : QAbstractTableModel(parent), ctx_(makeQuoteCtx())
{
    connect(QuoteProxy::instance(), &QuoteProxy::quotePeroidRealTime, this, &TableModel::onQuotePeroidRealTime,
            Qt::BlockingQueuedConnection);
}

TableModel::~TableModel() = default;

void TableModel::setGroupSource(const StockGroupSource* source)
{
    groupSource = source;
}

const std::vector<uint16_t>& TableModel::fullFields()
{
    static const std::vector<uint16_t> ids = [] {
        std::vector<uint16_t> v;
        // Identity to the first order-book level, then the outer volume to
        // the average price.
        for (uint16_t i = QUOTE_FIELD_IDENTITY; i <= QUOTE_FIELD_BOOK_FIRST + 3; ++i)
            v.push_back(i);
        for (uint16_t i = QUOTE_FIELD_RED_VOLUME; i <= QUOTE_FIELD_AVG_PRICE; ++i)
            v.push_back(i);
        v.push_back(QUOTE_FIELD_GREEN_VOLUME);
        v.push_back(QUOTE_FIELD_SPEED);
        return v;
    }();
    return ids;
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return rows_.empty() ? 0 : int(rows_.size()) - 1;
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid() || rows_.empty())
        return 0;
    return int(rows_.front().size());
}

QHash<int, QByteArray> TableModel::roleNames() const
{
    return {{0, "text_"}, {1, "color_"}, {2, "acolor_"}, {3, "isrun_"}, {4, "align_"}};
}

std::vector<TableItemData> TableModel::buildCells(const Record& rec) const
{
    std::vector<TableItemData> row = buildRow(listKind_, rec.rt, rec.seq, &rec.names);
    const int flashCol = flashColumn(listKind_);
    if (rec.flash != 0 && flashCol >= 0 && size_t(flashCol) < row.size())
        row[size_t(flashCol)].acolor = rec.flash > 0 ? kFlashUp : kFlashDown;
    return row;
}

const TableItemData* TableModel::cell(int dataRow, int column) const
{
    if (dataRow < 0 || size_t(dataRow) + 1 >= rows_.size() || column < 0)
        return nullptr;
    auto& row = rows_[size_t(dataRow) + 1];
    if (size_t(dataRow) < lastRecords_.size() && lastRecords_[size_t(dataRow)].stale) {
        const Record& rec = lastRecords_[size_t(dataRow)];
        row = buildCells(rec);
        rec.stale = false;
    }
    return size_t(column) < row.size() ? &row[size_t(column)] : nullptr;
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const TableItemData* c = cell(index.row(), index.column());
    if (!c)
        return role == 3 ? QVariant(false) : QVariant();
    switch (role) {
    case 0:
        return c->text;
    case 1:
        return c->color;
    case 2:
        return c->acolor;
    case 3:
        return c->acolor != kNoFlash;
    case 4:
        return c->align;
    default:
        return QVariant();
    }
}

QVariantList TableModel::fixedRow() const
{
    QVariantList list;
    list.reserve(int(codeInfos_.size()));
    for (const QuoteCodeInfo& ci : codeInfos_)
        list.append(codeText(ci));
    return list;
}

QVariantList TableModel::fixedHead() const
{
    QVariantList list;
    if (rows_.empty() || fixedColumn_ <= 0)
        return list;
    const auto& head = rows_.front();
    for (size_t i = 0; i < head.size() && i < size_t(fixedColumn_); ++i)
        list.append(head[i].text);
    return list;
}

std::vector<TableItemData> TableModel::buildHeader(int kind)
{
    std::vector<TableItemData> head;
    for (const Column& c : layout(kind))
        head.push_back({QString::fromUtf8(c.title), kHeaderColor, kNoFlash, 4});
    return head;
}

TableModel::BlockNames TableModel::blockNames(const QuoteRealTimeMarket& rt)
{
    return {symbolName(rt, 0), symbolName(rt, 1), symbolName(rt, 2)};
}

std::vector<TableItemData> TableModel::buildRow(int kind, const QuoteRealTimeMarket& rt, int seq,
                                                const BlockNames* names)
{
    const Layout& l = layout(kind);
    std::vector<TableItemData> row;
    row.reserve(l.size());
    for (const Column& c : l)
        row.push_back(makeCell(c.col, rt, seq, names));
    return row;
}

int TableModel::sortField(int kind, int column)
{
    const Layout& l = layout(kind);
    return column >= 0 && size_t(column) < l.size() ? l[size_t(column)].sort : -1;
}

void TableModel::initHeader(int mode_type)
{
    listKind_ = mode_type;
    beginResetModel();
    lastRecords_.clear();
    forgetNeighbours();
    std::vector<TableItemData> head = buildHeader(mode_type);
    if (head.empty()) {
        rows_.clear();
    } else if (rows_.empty()) {
        rows_.push_back(std::move(head));
    } else {
        rows_.front() = std::move(head);
    }
    endResetModel();
}

void TableModel::setFixedColumn(uint n)
{
    beginResetModel();
    fixedColumn_ = int(std::min<uint>(n, 0x7FFFFFFF));
    endResetModel();
    emit fixedRowChanged();
}

int TableModel::setHeadersData(std::vector<TableItemData>& data)
{
    if (rows_.empty())
        return 0;
    beginResetModel();
    rows_.front() = data;
    endResetModel();
    return int(rows_.size());
}

void TableModel::setHeadersData(int column, QString text, QString color)
{
    if (rows_.empty() || column < 0 || size_t(column) >= rows_.front().size())
        return;
    beginResetModel();
    rows_.front()[size_t(column)].text = text;
    rows_.front()[size_t(column)].color = color;
    endResetModel();
}

QVariant TableModel::getHeaderData(int column) const
{
    if (rows_.empty() || column < 0 || size_t(column) >= rows_.front().size())
        return QVariant();
    return rows_.front()[size_t(column)].text;
}

QVariant TableModel::getHeaderData(int column, int fixed) const
{
    return getHeaderData(column + fixed);
}

QVariant TableModel::getHeaderColor(int column) const
{
    if (rows_.empty() || column < 0 || size_t(column) >= rows_.front().size())
        return kNoFlash;
    return rows_.front()[size_t(column)].color;
}

QVariant TableModel::getHeaderColor(int column, int fixed) const
{
    return getHeaderColor(column + fixed);
}

int TableModel::getSortField(int column) const
{
    return sortField(listKind_, column);
}

QVariant TableModel::getCodeInfo(int row) const
{
    if (row < 0 || row >= rowCount() || size_t(row) >= codeInfos_.size())
        return QVariant();
    const QuoteCodeInfo& ci = codeInfos_[size_t(row)];
    const QString code = codeText(ci);
    const int market = static_cast<int8_t>(ci.market);
    QVariantMap m;
    m.insert("code", code);
    m.insert("name", nameText(ci));
    m.insert("pinyin", fixedFieldText(ci.pinyin));
    m.insert("market", market);
    m.insert("decimal", int(ci.decimal));
    m.insert("type", static_cast<int>(static_cast<int8_t>(ci.type)));
    if (blockIdsStale_) {
        blockIds_.clear();
        for (size_t i = 0; i < codeInfos_.size() && i < rowBlockIds_.size(); ++i)
            blockIds_.insert(blockKey(codeText(codeInfos_[i]), static_cast<int8_t>(codeInfos_[i].market)),
                             rowBlockIds_[i]);
        blockIdsStale_ = false;
    }
    m.insert("block_id", blockIds_.value(blockKey(code, market), 0));
    return m;
}

int TableModel::getBlockId(QString acode, int market) const
{
    const CodeEntry e = makeCodeEntry(acode, unsigned(market));
    return int(static_cast<int32_t>(quoteApi().block_index_block_id1(e.bytes)));
}

QVariant TableModel::getRowColumnData(int row, int column) const
{
    if (column >= columnCount() + fixedColumn_)
        return QVariant();
    const TableItemData* c = cell(row, column);
    return c ? QVariant(c->text) : QVariant();
}

QVariant TableModel::getTextColor(int row, int column) const
{
    if (column >= columnCount() + fixedColumn_)
        return kNoCellColor;
    const TableItemData* c = cell(row, column);
    return c ? c->color : kNoCellColor;
}

QVariant TableModel::getTextAnimationColor(int row, int column) const
{
    if (column >= columnCount() + fixedColumn_)
        return kNoFlash;
    const TableItemData* c = cell(row, column);
    return c ? c->acolor : kNoFlash;
}

void TableModel::setSort(quote_ctx* ctx, int field, uint mode) const
{
    if (field < 0)
        quoteApi().set_sort(ctx, QUOTE_FIELD_IDENTITY, QUOTE_SORT_NONE);
    else
        quoteApi().set_sort(ctx, static_cast<uint16_t>(field), static_cast<uint8_t>(mode));
}

void TableModel::getQuotePeroidRealTime(uint block_id, int field, uint mode, uint page_size)
{
    quote_ctx* ctx = ctx_.get();
    if (!ctx)
        return;
    const QuoteApi& q = quoteApi();
    const std::vector<uint16_t>& fields = fullFields();
    q.cancel(ctx);
    q.set_page(ctx, 0, clampPageSize(page_size));
    q.set_type(ctx, QUOTE_TYPE_MARKET);
    q.set_peroid(ctx, QUOTE_PERIOD_REALTIME);
    q.set_block(ctx, int64_t(block_id));
    q.set_option(ctx, QUOTE_OPTION_LIST_SORT);
    setSort(ctx, field, mode);
    q.set_market_field(ctx, fields.data(), int(fields.size()));
    // No object address goes into the context: replies are matched by handle.
    q.set_user_data(ctx, 0);
    q.subscribe(ctx);
    cancelled_ = false;
    forgetNeighbours();
    neighboursDue_ = true;
}

void TableModel::groupQuery(const GroupQuery& g, int index, int field, uint mode, uint page_size, uint page_index)
{
    const QJsonArray groups = groupSource ? groupSource->groups(g.source) : QJsonArray();
    if (index < 0 || index >= groups.size())
        return;
    quote_ctx* ctx = ctx_.get();
    if (!ctx)
        return;
    listKind_ = g.listKind;
    const QJsonArray codes = groups.at(g.compact ? 0 : index).toObject().value("codes").toArray();
    const QuoteApi& q = quoteApi();
    q.cancel(ctx);
    cancelled_ = true;
    forgetNeighbours();
    if (codes.isEmpty()) {
        clear();
        return;
    }
    std::vector<CodeEntry> entries;
    entries.reserve(size_t(codes.size()));
    for (const QJsonValue& v : codes) {
        const QJsonObject o = v.toObject();
        const int market = groupdoc::marketOf(o);
        entries.push_back(makeCodeEntry(o.value("code").toString(), unsigned(market)));
    }
    const std::vector<uint16_t>& fields = g.compact ? kCompactFields : fullFields();
    q.set_page(ctx, static_cast<uint16_t>(std::min<uint>(page_index, 0xFFFF)), clampPageSize(page_size));
    q.set_type(ctx, QUOTE_TYPE_MARKET);
    q.set_peroid(ctx, QUOTE_PERIOD_REALTIME);
    q.set_option(ctx, QUOTE_OPTION_LIST_SORT | QUOTE_OPTION_LIST_WINDOW);
    setSort(ctx, field, mode);
    q.set_code(ctx, entries.data(), int(entries.size()));
    q.set_market_field(ctx, fields.data(), int(fields.size()));
    q.subscribe(ctx);
    cancelled_ = false;
    forgetNeighbours();
    neighboursDue_ = true;
}

void TableModel::getGroupStockRealTime(int index, int field, uint mode, uint page_size)
{
    groupQuery({StockGroupSource::Screening, 1, false}, index, field, mode, page_size, 0);
}

void TableModel::getStockPoolRealTime(int index, int field, uint mode, uint page_size)
{
    groupQuery({StockGroupSource::StockPool, 1, false}, index, field, mode, page_size, 0);
}

void TableModel::getMyStockRealTime(int index, int field, uint mode, uint page_size, uint page_index)
{
    groupQuery({StockGroupSource::MyStock, 1, false}, index, field, mode, page_size, page_index);
}

void TableModel::getMyStockRealTime2(int index, int field, uint mode, uint page_size, uint page_index)
{
    groupQuery({StockGroupSource::MyStock, 2, true}, index, field, mode, page_size, page_index);
}

void TableModel::getBlockIndex(QString acode, int market, int field, uint mode)
{
    quote_ctx* ctx = ctx_.get();
    if (!ctx)
        return;
    listKind_ = 3;
    const QuoteApi& q = quoteApi();
    const CodeEntry entry = makeCodeEntry(acode, unsigned(market));
    q.cancel(ctx);
    q.set_type(ctx, QUOTE_TYPE_MARKET);
    q.set_peroid(ctx, QUOTE_PERIOD_REALTIME);
    q.set_option(ctx, QUOTE_OPTION_LIST_INDEXES | QUOTE_OPTION_LIST_SORT);
    setSort(ctx, field, mode);
    q.set_code(ctx, entry.bytes, 1);
    q.set_market_field(ctx, kBlockIndexFields.data(), int(kBlockIndexFields.size()));
    q.subscribe(ctx);
    cancelled_ = false;
    forgetNeighbours();
}

void TableModel::pageUp()
{
    if (ctx_) {
        showNeighbour(false);
        cancelled_ = false;
    }
}

void TableModel::pageDown()
{
    if (ctx_) {
        showNeighbour(true);
        cancelled_ = false;
    }
}

bool TableModel::neighbourReady(bool down) const
{
    const Neighbour& nb = down ? next_ : prev_;
    return nb.ready && !nb.rows.empty();
}

void TableModel::forgetNeighbours()
{
    // Dropping a context's last owner cancels its request.
    next_ = Neighbour{};
    prev_ = Neighbour{};
    leftCodes_.clear();
    neighboursDue_ = false;
}

void TableModel::ask(Neighbour& nb, int first, const QJsonObject& text)
{
    nb = Neighbour{};
    if (first < 0)
        return;
    QJsonObject ctx = text;
    QJsonObject page = ctx.value("page_").toObject();
    page["no"] = first;
    ctx["page_"] = page;
    nb.ctx = parseQuoteCtx(QJsonDocument(ctx).toJson(QJsonDocument::Compact));
    if (!nb.ctx)
        return;
    nb.first = first;
    // One reply, no subscription: a page nobody sees costs one answer.
    if (!quoteApi().request(nb.ctx.get()))
        nb = Neighbour{};
}

QJsonObject TableModel::ctxText() const
{
    const char* dumped = ctx_ ? quoteApi().dump(ctx_.get()) : nullptr;
    return dumped ? QJsonDocument::fromJson(QByteArray(dumped)).object() : QJsonObject();
}

void TableModel::askNeighbours()
{
    if (!ctx_ || cancelled_)
        return;
    const QJsonObject text = ctxText();
    const int count = text.value("page_").toObject().value("length").toInt();
    if (count <= 0) {
        forgetNeighbours();
        return;
    }
    const int first = quoteApi().get_page_first_no(ctx_.get());
    const int shown = rowCount();
    // The library's paging: forward by a page, back to row 0 after a short
    // (last) page; back by a page, or to row 0 from inside the first page.
    // Back from row 0 wraps to the last page, whose start only the library
    // knows once a reply told it the row count: a context of its own asks for
    // row 0 first and then pages back (takeNeighbour).
    const int after = shown < count ? 0 : first + count;
    if (after == first || next_.first != after)
        ask(next_, after == first ? -1 : after, text);
    if (first == 0) {
        if (shown < count)
            prev_ = Neighbour{};  // one page holds every row: nothing to wrap to
        else if (!prev_.last)
            askLastPage(text);
        return;
    }
    const int before = first < count ? 0 : first - count;
    if (prev_.first != before)
        ask(prev_, before, text);
}

void TableModel::askLastPage(const QJsonObject& text)
{
    ask(prev_, 0, text);
    prev_.probe = prev_.last = bool(prev_.ctx);
}

void TableModel::takeNeighbour(Neighbour& nb, const QuoteRealTimeMarket* recs, size_t n)
{
    if (nb.probe) {
        // The reply told the context the row count: paging it back from row
        // 0 asks for the last page, as the shown context's Page Up will.
        nb.probe = false;
        const QuoteApi& q = quoteApi();
        if (n == 0 || !q.page_up(nb.ctx.get())) {
            nb = Neighbour{};
            return;
        }
        nb.first = q.get_page_first_no(nb.ctx.get());
        return;
    }
    if (n == 0 && &nb == &next_ && nb.first > 0 && !nb.wrapped) {
        // Past the last row: the page after the last is the first.
        ask(nb, 0, ctxText());
        nb.wrapped = true;
        return;
    }
    nb.rows = incoming(recs, n);
    nb.ready = true;
}

bool TableModel::showNeighbour(bool down)
{
    const QuoteApi& q = quoteApi();
    quote_ctx* ctx = ctx_.get();
    const int from = q.get_page_first_no(ctx);
    if (!(down ? q.page_down(ctx) : q.page_up(ctx)))
        return false;
    const int to = q.get_page_first_no(ctx);
    Neighbour& nb = down ? next_ : prev_;
    if (to == from || !nb.ready || nb.rows.empty() || nb.first != to) {
        // Not at hand: the subscription's first reply shows the page.
        neighboursDue_ = true;
        return false;
    }
    // The page left stays at hand on the other side.
    Neighbour left;
    left.first = from;
    left.ready = true;
    left.last = down && to == 0;  // wrapped from the last page to the first
    left.rows.reserve(lastRecords_.size());
    for (const Record& r : lastRecords_)
        left.rows.push_back({r.rt, r.names});
    leftCodes_ = codeInfos_;
    const std::vector<Incoming> rows = std::move(nb.rows);
    nb = Neighbour{};
    (down ? prev_ : next_) = std::move(left);
    applyRows(rows, to + 1, true);
    askNeighbours();
    return true;
}

void TableModel::cancel()
{
    if (ctx_)
        quoteApi().cancel(ctx_.get());
    cancelled_ = true;
    forgetNeighbours();
}

void TableModel::update()
{
    if (ctx_) {
        quoteApi().update(ctx_.get());
        cancelled_ = false;
        neighboursDue_ = true;
    }
}

void TableModel::resubscribe(QString str)
{
    // A refused text leaves the model without a context; every call above
    // checks for one, so nothing reaches the library with a null handle.
    ctx_ = parseQuoteCtx(str.toUtf8());
    cancelled_ = false;
    forgetNeighbours();
    neighboursDue_ = true;
    if (ctx_)
        quoteApi().subscribe(ctx_.get());
}

QString TableModel::getCtx() const
{
    if (!ctx_)
        return QString();
    const char* text = quoteApi().dump(ctx_.get());
    return text ? QString::fromUtf8(text) : QString();
}

void TableModel::clearRows()
{
    if (rows_.size() > 1)
        rows_.resize(1);
    codeInfos_.clear();
    blockIds_.clear();
    rowBlockIds_.clear();
    blockIdsStale_ = false;
    lastRecords_.clear();
}

void TableModel::clear()
{
    beginResetModel();
    clearRows();
    forgetNeighbours();
    endResetModel();
    emit fixedRowChanged();
    emit dataChange();
}

std::vector<TableModel::Incoming> TableModel::incoming(const QuoteRealTimeMarket* recs, size_t n) const
{
    // GUI thread, reply held: the symbol link's names are read now, never later.
    const bool named = showsBlockNames(listKind_);
    std::vector<Incoming> in(n);
    for (size_t i = 0; i < n; ++i) {
        in[i].rt = recs[i];
        if (named)
            in[i].names = blockNames(recs[i]);
        in[i].rt.symbol = nullptr;
    }
    return in;
}

void TableModel::onQuotePeroidRealTime(const QuoteReply* rpl)
{
    // A reply already on its way when the query was cancelled is dropped:
    // nothing of a cancelled query reaches the rows until it subscribes again.
    if (!rpl || !ctx_ || cancelled_)
        return;
    const auto* recs = static_cast<const QuoteRealTimeMarket*>(rpl->data);
    const size_t n = recs && rpl->count > 0 ? size_t(rpl->count) : 0;
    if (rpl->ctx != ctx_.get()) {
        if (next_.ctx && rpl->ctx == next_.ctx.get())
            takeNeighbour(next_, recs, n);
        else if (prev_.ctx && rpl->ctx == prev_.ctx.get())
            takeNeighbour(prev_, recs, n);
        return;
    }
    if (!leftCodes_.empty()) {
        const bool left =
            n == leftCodes_.size() && std::equal(leftCodes_.begin(), leftCodes_.end(), recs,
                                                 [](const QuoteCodeInfo& a, const QuoteRealTimeMarket& b) {
                                                     return std::memcmp(&a, &b.code_info, sizeof a) == 0;
                                                 });
        if (left)
            return;
        leftCodes_.clear();
    }
    applyRows(incoming(recs, n), quoteApi().get_page_first_no(ctx_.get()) + 1);
    if (neighboursDue_) {
        // The first rows of a page, order or list the user asked for: shown
        // as soon as this delivery ends, not after the push's quiet spell.
        QuoteProxy::instance()->frameGate()->answersInput();
        neighboursDue_ = false;
        askNeighbours();
    }
}

void TableModel::applyRows(const std::vector<Incoming>& in, int firstNo, bool newPage)
{
    const size_t n = in.size();
    // The first reply brings the header and the columns: a reset. Later ones
    // say which rows came or went and which cells changed, so a view rebuilds
    // only those.
    const bool reset = rows_.empty();
    if (reset)
        beginResetModel();
    if (rows_.empty())
        rows_.emplace_back(buildHeader(listKind_));
    const size_t oldRows = rows_.size() - 1;
    if (!reset && n < oldRows)
        beginRemoveRows(QModelIndex(), int(n), int(oldRows) - 1);
    if (n < oldRows) {
        rows_.resize(n + 1);
        lastRecords_.resize(std::min(lastRecords_.size(), n));
    }
    if (!reset && n < oldRows)
        endRemoveRows();

    bool codesChanged = reset;
    if (n > 0) {
        std::vector<QuoteCodeInfo> infos;
        infos.reserve(n);
        for (size_t i = 0; i < n; ++i)
            infos.push_back(in[i].rt.code_info);
        codesChanged = codesChanged || infos.size() != codeInfos_.size() ||
                       !std::equal(infos.begin(), infos.end(), codeInfos_.begin(),
                                   [](const QuoteCodeInfo& a, const QuoteCodeInfo& b) {
                                       return std::memcmp(&a, &b, sizeof a) == 0;
                                   });
        codeInfos_ = std::move(infos);
        rowBlockIds_.clear();
        rowBlockIds_.reserve(n);
        for (size_t i = 0; i < n; ++i)
            rowBlockIds_.push_back(static_cast<int32_t>(in[i].rt.block_id));
        blockIdsStale_ = true;
    }
    const int flashCol = flashColumn(listKind_);
    const size_t width = layout(listKind_).size();
    // Changed cells by row: [first, last] column runs, announced at the end.
    struct Run {
        int row, lastRow, first, last;
    };
    std::vector<Run> runs;
    // Whole rows next to each other go out as one block.
    const auto wholeRow = [&runs, width](int r) {
        if (!runs.empty() && runs.back().first == 0 && runs.back().last == int(width) - 1 &&
            runs.back().lastRow == r - 1)
            runs.back().lastRow = r;
        else
            runs.push_back({r, r, 0, int(width) - 1});
    };
    const size_t kept = std::min(oldRows, n);
    lastRecords_.resize(std::max(lastRecords_.size(), kept));
    for (size_t i = 0; i < kept; ++i) {
        const QuoteRealTimeMarket& rt = in[i].rt;
        const BlockNames& names = in[i].names;
        const int seq = firstNo + int(i);
        auto& row = rows_[i + 1];
        Record& last = lastRecords_[i];
        if (last.seq == seq && sameRecord(last.rt, rt) && last.names == names && (last.stale || row.size() == width)) {
            // Unchanged since the previous reply: only a flash ends.
            last.flash = 0;
            if (!last.stale && flashCol >= 0 && size_t(flashCol) < row.size() &&
                row[size_t(flashCol)].acolor != kNoFlash) {
                row[size_t(flashCol)].acolor = kNoFlash;
                runs.push_back({int(i), int(i), flashCol, flashCol});
            }
            continue;
        }
        // A moved last price of the same stock flashes in its direction.
        last.flash = 0;
        if (flashCol >= 0 && last.seq != 0 &&
            std::strncmp(last.rt.code_info.code, rt.code_info.code, sizeof rt.code_info.code) == 0 &&
            last.rt.code_info.market == rt.code_info.market && last.rt.close != rt.close && last.rt.close != 0.0f &&
            rt.close != 0.0f)
            last.flash = rt.close > last.rt.close ? 1 : -1;
        last.rt = rt;
        last.names = names;
        last.seq = seq;
        if (last.stale || row.size() != width || newPage) {
            // Never read since it last changed, or on a new page: it is built
            // when read, and the row is announced whole (a new page in one
            // announcement rather than one per cell).
            last.stale = true;
            wholeRow(int(i));
            continue;
        }
        // Read before: built now, and only the cells that differ announced.
        std::vector<TableItemData> fresh = buildCells(last);
        int open = -1;
        for (size_t col = 0; col <= width; ++col) {
            const bool differs =
                col < width && (fresh[col].text != row[col].text || fresh[col].color != row[col].color ||
                                fresh[col].acolor != row[col].acolor || fresh[col].align != row[col].align);
            if (differs && open < 0)
                open = int(col);
            if (!differs && open >= 0) {
                runs.push_back({int(i), int(i), open, int(col) - 1});
                open = -1;
            }
        }
        row = std::move(fresh);
    }
    if (!reset && n > oldRows)
        beginInsertRows(QModelIndex(), int(oldRows), int(n) - 1);
    lastRecords_.resize(n);
    for (size_t i = oldRows; i < n; ++i) {
        rows_.emplace_back();
        Record& last = lastRecords_[i];
        last.rt = in[i].rt;
        last.names = in[i].names;
        last.seq = firstNo + int(i);
        last.flash = 0;
        last.stale = true;
    }
    if (!reset && n > oldRows)
        endInsertRows();
    if (reset) {
        endResetModel();
    } else {
        for (const Run& r : runs)
            emit dataChanged(index(r.row, r.first), index(r.lastRow, r.last));
    }
    if (codesChanged)
        emit fixedRowChanged();
    emit dataChange();
}
