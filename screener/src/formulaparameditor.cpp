#include "formulaparameditor.h"

#include <QFontMetrics>
#include <QPainter>

#include "editspin.h"
#include "numbertext.h"

CFormulaParamEditor::CFormulaParamEditor(QWidget* parent) : QWidget(parent)
{
    for (int i = 0; i < quorvex::kParamSlots; ++i) {
        auto* child = new CEditSpin(this);
        child->setObjectName(QString::number(1000 + i));
        child->hide();
        children_[static_cast<size_t>(i)] = child;
    }
}

void CFormulaParamEditor::SetFont(const QFont& font)
{
    font_ = font;
    setFont(font);
    for (CEditSpin* c : children_)
        c->SetFont(font);
}

int CFormulaParamEditor::slotCount() const
{
    return shown_ ? std::min(shown_->argRanges.size(), quorvex::kParamSlots) : 0;
}

void CFormulaParamEditor::ShowTemplate(const std::optional<ConditionTemplate>& t)
{
    shown_ = t;
    if (shown_ && shown_->argRanges.size() > quorvex::kParamSlots)
        qWarning("Quorvex: template \"%s\" has %d parameters; the panel uses the first %d", shown_->key.constData(),
                 shown_->argRanges.size(), quorvex::kParamSlots);
    for (int i = 0; i < slotCount(); ++i) {
        const ArgRange& r = shown_->argRanges[i];
        children_[static_cast<size_t>(i)]->Set(r.value, r.minimum, r.maximum);
    }
    // Boxes past the template's ranges show nothing stale.
    for (int i = slotCount(); i < quorvex::kParamSlots; ++i)
        children_[static_cast<size_t>(i)]->Set(QString(), QString(), QString());
    for (CEditSpin* c : children_)
        c->hide();
    update();
}

QStringList CFormulaParamEditor::ReadValues() const
{
    QStringList out;
    for (int i = 0; i < slotCount(); ++i)
        out << QString::fromStdString(
            quorvex::formatNumber(quorvex::readNumber(children_[static_cast<size_t>(i)]->GetText().toStdString())));
    return out;
}

quorvex::ParamLayout CFormulaParamEditor::Layout() const
{
    if (!shown_)
        return {};
    const QFontMetrics fm(font());
    const quorvex::MeasureText measure = [&fm](const std::u16string& s) {
        return fm.horizontalAdvance(QString::fromUtf16(s.data(), static_cast<int>(s.size())));
    };
    const std::u16string content(reinterpret_cast<const char16_t*>(shown_->content.utf16()),
                                 static_cast<size_t>(shown_->content.size()));
    return quorvex::layoutParams(content, width(), fm.height(), measure);
}

void CFormulaParamEditor::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().button());
    if (!shown_)
        return;
    const quorvex::ParamLayout layout = Layout();
    if (layout.ignoredSlots > 0)
        qWarning("Quorvex: template \"%s\" has %d slots past the tenth; they are not shown", shown_->key.constData(),
                 layout.ignoredSlots);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm(font());
    for (const quorvex::TextPiece& piece : layout.pieces)
        p.drawText(piece.x, piece.y + fm.ascent(),
                   QString::fromUtf16(piece.text.data(), static_cast<int>(piece.text.size())));
    for (size_t i = 0; i < layout.boxes.size(); ++i) {
        const quorvex::LayoutRect& r = layout.boxes[i];
        CEditSpin* c = children_[i];
        c->setGeometry(r.x, r.y, r.w, r.h);
        c->show();
    }
}
