// CEditSpin: a number edit box with a spin button in its rightmost 10 pixels.
// Spinning adds +1 or -1 to the text's number, keeps it inside the bounds that
// are set and writes it back as "%.4f" without trailing zeros.
#ifndef QUORVEX_EDITSPIN_H
#define QUORVEX_EDITSPIN_H

#include <QWidget>
#include <optional>

class QLineEdit;

class CEditSpin : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSpinWidth = 10;

    explicit CEditSpin(QWidget* parent = nullptr);

    void SetFont(const QFont& font);
    QFont GetFont() const { return font_; }
    // The edit's text becomes value; the bounds are the integers of minimum
    // and maximum, an empty one leaving that side open.
    void Set(const QString& value, const QString& minimum, const QString& maximum);
    QString GetText() const;
    // One step up (+1) or down (-1).
    void Spin(int step);

    QLineEdit* edit() const { return edit_; }

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    class UpDown;
    QLineEdit* edit_;
    UpDown* spin_;
    QFont font_;
    std::optional<int32_t> minimum_, maximum_;
};

#endif
