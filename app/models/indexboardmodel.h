// IndexBoardModel: the boards of the index strips (the five main indices) or
// of a concept ranking (its strongest and weakest blocks), filled from the
// real-time replies of the model's own context.
#pragma once

#include <QList>
#include <QObject>
#include <QQmlListProperty>

#include <vector>

#include "models/indexboard.h"
#include "models/quoteapi.h"

class IndexBoardModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QQmlListProperty<IndexBoard> indexBoard READ indexBoard NOTIFY dataChanged)
public:
    explicit IndexBoardModel(QObject* parent = nullptr);
    ~IndexBoardModel() override;

    QQmlListProperty<IndexBoard> indexBoard();
    const QList<IndexBoard*>& boards() const { return boards_; }
    int mode() const { return mode_; }
    quote_ctx* context() const { return ctx_.get(); }

    // The 9 market fields of both requests, in order.
    static const std::vector<uint16_t>& boardFields();
    // The records of n that mode 1 keeps for show size s: indices i < s/2 and
    // i >= n - s/2, each once, in order.
    static std::vector<int> keptRecords(int n, int showSize);

signals:
    void dataChanged();

public slots:
    // GUI thread, while the quote-engine thread waits on the delivery.
    void onQuotePeroidRealTime(const QuoteReply* rpl);
    void cancel();
    void getIndexData();
    void getConceptData(int sort, int mode, int show_size);
    void getConceptData(int sort, int mode);
    void getConceptData(int sort);

private:
    void makeBoards(int n);
    static void append(QQmlListProperty<IndexBoard>* list, IndexBoard* board);
    static int count(QQmlListProperty<IndexBoard>* list);
    static IndexBoard* at(QQmlListProperty<IndexBoard>* list, int i);
    static void clearList(QQmlListProperty<IndexBoard>* list);
    static void replace(QQmlListProperty<IndexBoard>* list, int i, IndexBoard* board);
    static void removeLast(QQmlListProperty<IndexBoard>* list);

    QList<IndexBoard*> boards_;  // owned (children of the model)
    QuoteCtxPtr ctx_;
    CodeEntry indexCodes_[5];
    bool strip_ = false;  // asked for the index strip (rows matched by code), not a ranking
    int pageRows_ = 0;    // rows of the ranking's last whole page; a reply with fewer is a push
    int mode_ = 0;
    int direction_ = 0;
    int pageSize_ = 200;
    int showSize_ = 20;
};
