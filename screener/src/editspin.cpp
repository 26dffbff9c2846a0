#include "editspin.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

#include "numbertext.h"

// The spin button: the upper half steps up, the lower half down.
class CEditSpin::UpDown : public QWidget {
public:
    explicit UpDown(CEditSpin* owner) : QWidget(owner), owner_(owner) { setObjectName(QStringLiteral("2")); }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            owner_->Spin(e->pos().y() < height() / 2 ? +1 : -1);
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().button());
        p.setPen(palette().mid().color());
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.drawLine(0, height() / 2, width(), height() / 2);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(palette().buttonText());
        const qreal cx = width() / 2.0, q = height() / 4.0;
        const QPointF up[3] = {{cx - 3, q + 2}, {cx + 3, q + 2}, {cx, q - 2}};
        const QPointF down[3] = {{cx - 3, 3 * q - 2}, {cx + 3, 3 * q - 2}, {cx, 3 * q + 2}};
        p.drawPolygon(up, 3);
        p.drawPolygon(down, 3);
    }

private:
    CEditSpin* owner_;
};

CEditSpin::CEditSpin(QWidget* parent) : QWidget(parent), edit_(new QLineEdit(this)), spin_(new UpDown(this))
{
    edit_->setObjectName(QStringLiteral("1"));
    edit_->setFrame(true);
    edit_->setTextMargins(0, 0, 0, 0);
}

void CEditSpin::resizeEvent(QResizeEvent*)
{
    const int editWidth = std::max(0, width() - kSpinWidth);
    edit_->setGeometry(0, 0, editWidth, height());
    spin_->setGeometry(editWidth, 0, kSpinWidth, height());
}

void CEditSpin::SetFont(const QFont& font)
{
    font_ = font;
    edit_->setFont(font);
}

void CEditSpin::Set(const QString& value, const QString& minimum, const QString& maximum)
{
    edit_->setText(value);
    minimum_ = quorvex::readBound(minimum.toStdString());
    maximum_ = quorvex::readBound(maximum.toStdString());
}

QString CEditSpin::GetText() const
{
    return edit_->text();
}

void CEditSpin::Spin(int step)
{
    edit_->setText(QString::fromStdString(quorvex::spinStep(edit_->text().toStdString(), step, minimum_, maximum_)));
}
