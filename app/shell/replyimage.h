// ReplyImage: an image whose address came from a reply or a data file (start
// images, menu icons). Only http(s) addresses and the program's own resources
// (qrc:) are read: a file or device path is refused. The body is capped, its
// header read before anything is decoded, an image declaring more pixels than
// kMaxPixels refused, and the rest decoded on a worker thread at the size the
// item shows. A failed image leaves the item empty and is logged once per
// address. GUI thread.
#pragma once

#include <QImage>
#include <QPointer>
#include <QQuickPaintedItem>
#include <QSize>
#include <QString>
#include <QUrl>

class QNetworkReply;

class ReplyImage : public QQuickPaintedItem {
    Q_OBJECT
    Q_PROPERTY(QUrl source READ source WRITE setSource NOTIFY sourceChanged)
    // Fills the item keeping the aspect and cutting the overflow (else stretched).
    Q_PROPERTY(bool crop READ crop WRITE setCrop NOTIFY cropChanged)
    Q_PROPERTY(Status status READ status NOTIFY statusChanged)

public:
    enum Status { Null = 0, Ready = 1, Loading = 2, Error = 3 };
    Q_ENUM(Status)

    static constexpr qint64 kMaxBytes = 8 * 1024 * 1024;
    static constexpr qint64 kMaxPixels = 4096 * 4096;

    explicit ReplyImage(QQuickItem* parent = nullptr);
    ~ReplyImage() override;

    QUrl source() const { return source_; }
    void setSource(const QUrl& url);
    bool crop() const { return crop_; }
    void setCrop(bool crop);
    Status status() const { return status_; }

    void paint(QPainter* painter) override;

    // Whether an address may be read at all: http, https or qrc.
    static bool isAllowed(const QUrl& url);
    // Any thread: bytes decoded at the size they are shown (never above their
    // own size): stretched to `shown`, or with crop scaled to cover it. A null
    // image and *error when the bytes are no image or declare more than
    // kMaxPixels.
    static QImage decode(const QByteArray& bytes, const QSize& shown, bool crop, QString* error);

signals:
    void sourceChanged();
    void cropChanged();
    void statusChanged();

protected:
    void updatePolish() override;
    void geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void load();
    void fetched(const QByteArray& bytes, const QString& error);
    void finish(const QImage& image, const QString& error, quint64 load);
    void setStatus(Status status);
    void dropReply();

    QUrl source_;
    bool crop_ = false;
    Status status_ = Null;
    QImage image_;
    QString loadedKey_;       // source and size of image_ or of the load under way
    quint64 loadSerial_ = 0;  // the load whose result is still wanted
    QPointer<QNetworkReply> reply_;
};
