#include "shell/replyimage.h"

#include <QBuffer>
#include <QCache>
#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSet>
#include <QThreadPool>

#include <algorithm>
#include <cmath>

namespace {

// GUI thread: decoded images by source and size, so that icons switching
// between two addresses on hover are fetched once. Cost in kilobytes.
QCache<QString, QImage>& imageCache()
{
    static QCache<QString, QImage> cache(16 * 1024);
    return cache;
}

// GUI thread: loads that failed, by source and size: not fetched again while
// the program runs (a hostile icon would be fetched at every hover).
QSet<QString>& failedLoads()
{
    static QSet<QString> failed;
    return failed;
}

// GUI thread: a failed address is logged once, however many items show it.
void logFailure(const QUrl& url, const QString& error)
{
    static QSet<QString> logged;
    const QString key = url.toString();
    if (logged.contains(key) || logged.size() > 1000)
        return;
    logged.insert(key);
    qWarning().noquote() << "image not shown:" << key.left(300) << "-" << error;
}

QNetworkAccessManager* sharedManager()
{
    static QNetworkAccessManager manager;
    return &manager;
}

QString cacheKey(const QUrl& url, const QSize& size, bool crop)
{
    return QStringLiteral("%1x%2%3 %4").arg(size.width()).arg(size.height()).arg(crop ? "c" : "s").arg(url.toString());
}

}  // namespace

ReplyImage::ReplyImage(QQuickItem* parent) : QQuickPaintedItem(parent) {}

ReplyImage::~ReplyImage()
{
    dropReply();
}

bool ReplyImage::isAllowed(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == "http" || scheme == "https" || scheme == "qrc") && !url.path().isEmpty();
}

QImage ReplyImage::decode(const QByteArray& bytes, const QSize& shown, bool crop, QString* error)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        *error = QStringLiteral("not an image");
        return QImage();
    }
    const qint64 pixels = qint64(size.width()) * qint64(size.height());
    if (pixels > kMaxPixels) {
        *error = QStringLiteral("%1 x %2 pixels is more than an image may have").arg(size.width()).arg(size.height());
        return QImage();
    }
    QSize target = size;
    if (shown.width() > 0 && shown.height() > 0) {
        if (crop) {
            const double scale = std::max(double(shown.width()) / size.width(), double(shown.height()) / size.height());
            if (scale < 1.0)
                target = QSize(std::max(1, int(std::ceil(size.width() * scale))),
                               std::max(1, int(std::ceil(size.height() * scale))));
        } else {
            target = QSize(std::min(shown.width(), size.width()), std::min(shown.height(), size.height()));
        }
    }
    if (target != size)
        reader.setScaledSize(target);
    QImage image = reader.read();
    if (image.isNull())
        *error = reader.errorString();
    return image;
}

void ReplyImage::setSource(const QUrl& url)
{
    if (url == source_)
        return;
    source_ = url;
    emit sourceChanged();
    polish();
}

void ReplyImage::setCrop(bool crop)
{
    if (crop == crop_)
        return;
    crop_ = crop;
    emit cropChanged();
    polish();
}

void ReplyImage::setStatus(Status status)
{
    if (status == status_)
        return;
    status_ = status;
    emit statusChanged();
}

void ReplyImage::geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickPaintedItem::geometryChanged(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        polish();
}

void ReplyImage::updatePolish()
{
    load();
}

void ReplyImage::dropReply()
{
    if (!reply_)
        return;
    QNetworkReply* old = reply_;
    reply_ = nullptr;
    old->disconnect(this);
    old->abort();
    old->deleteLater();
}

// GUI thread: starts reading the source at the item's size, unless that is
// what is shown or under way.
void ReplyImage::load()
{
    const qreal ratio = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    const QSize shown(int(std::ceil(width() * ratio)), int(std::ceil(height() * ratio)));
    if (source_.isEmpty() || shown.isEmpty()) {
        if (source_.isEmpty()) {
            dropReply();
            ++loadSerial_;
            loadedKey_.clear();
            image_ = QImage();
            setStatus(Null);
            update();
        }
        return;
    }
    const QString key = cacheKey(source_, shown, crop_);
    if (key == loadedKey_)
        return;
    dropReply();
    loadedKey_ = key;
    const quint64 serial = ++loadSerial_;
    if (QImage* cached = imageCache().object(key)) {
        finish(*cached, QString(), serial);
        return;
    }
    if (failedLoads().contains(key)) {
        finish(QImage(), QStringLiteral("failed before"), serial);
        return;
    }
    if (!isAllowed(source_)) {
        finish(QImage(), QStringLiteral("only http(s) and the program's own images are read"), serial);
        return;
    }
    setStatus(Loading);
    if (source_.scheme().compare("qrc", Qt::CaseInsensitive) == 0) {
        fetched(QByteArray(), QString());
        return;
    }
    QQmlEngine* engine = qmlEngine(this);
    QNetworkAccessManager* manager =
        engine && engine->networkAccessManager() ? engine->networkAccessManager() : sharedManager();
    QNetworkRequest request(source_);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(30000);
    QNetworkReply* reply = manager->get(request);
    reply_ = reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
        if (reply == reply_ && (received > kMaxBytes || total > kMaxBytes)) {
            dropReply();
            fetched(QByteArray(), QStringLiteral("more than %1 bytes").arg(kMaxBytes));
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (reply != reply_)
            return;
        reply_ = nullptr;
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError)
            fetched(QByteArray(), reply->errorString());
        else if (status >= 300)
            fetched(QByteArray(), QStringLiteral("HTTP status %1").arg(status));
        else
            fetched(reply->read(kMaxBytes + 1), QString());
    });
}

// GUI thread: the body is in (or the source is a resource); it is read and
// decoded on a worker thread.
void ReplyImage::fetched(const QByteArray& bytes, const QString& error)
{
    const quint64 serial = loadSerial_;
    if (!error.isEmpty()) {
        finish(QImage(), error, serial);
        return;
    }
    const qreal ratio = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    const QSize shown(int(std::ceil(width() * ratio)), int(std::ceil(height() * ratio)));
    const QUrl url = source_;
    const bool crop = crop_;
    QPointer<ReplyImage> self(this);
    QThreadPool::globalInstance()->start([self, bytes, url, shown, crop, serial] {
        QByteArray body = bytes;
        QString err;
        if (url.scheme().compare("qrc", Qt::CaseInsensitive) == 0) {
            QFile file(":" + url.path());
            if (!file.open(QIODevice::ReadOnly))
                err = QStringLiteral("no such image in the program");
            else
                body = file.read(kMaxBytes + 1);
        }
        if (err.isEmpty() && body.size() > kMaxBytes)
            err = QStringLiteral("more than %1 bytes").arg(kMaxBytes);
        const QImage image = err.isEmpty() ? decode(body, shown, crop, &err) : QImage();
        QMetaObject::invokeMethod(
            qApp,
            [self, image, err, serial] {
                if (self)
                    self->finish(image, err, serial);
            },
            Qt::QueuedConnection);
    });
}

void ReplyImage::finish(const QImage& image, const QString& error, quint64 load)
{
    if (load != loadSerial_)
        return;
    if (image.isNull()) {
        if (failedLoads().size() < 1000)
            failedLoads().insert(loadedKey_);
        logFailure(source_, error.isEmpty() ? QStringLiteral("cannot be read") : error);
        image_ = QImage();
        setStatus(Error);
    } else {
        const int cost = std::max<qint64>(1, image.sizeInBytes() / 1024);
        if (!imageCache().contains(loadedKey_))
            imageCache().insert(loadedKey_, new QImage(image), cost);
        image_ = image;
        setStatus(Ready);
    }
    update();
}

void ReplyImage::paint(QPainter* painter)
{
    if (image_.isNull())
        return;
    const QRectF box = boundingRect();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (!crop_) {
        painter->drawImage(box, image_);
        return;
    }
    // Covers the box with the aspect kept; the middle of the image shows.
    const double scale = std::max(box.width() / image_.width(), box.height() / image_.height());
    const QSizeF drawn(image_.width() * scale, image_.height() * scale);
    painter->setClipRect(box);
    painter->drawImage(QRectF(QPointF((box.width() - drawn.width()) / 2, (box.height() - drawn.height()) / 2), drawn),
                       image_);
}
