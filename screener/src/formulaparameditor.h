// CFormulaParamEditor: the parameter panel. Shows a template's content as
// text with an edit box (CEditSpin) at each "{}" slot, wrapped to its width.
#ifndef QUORVEX_FORMULAPARAMEDITOR_H
#define QUORVEX_FORMULAPARAMEDITOR_H

#include <QStringList>
#include <QWidget>
#include <array>
#include <optional>

#include "conditiontemplate.h"
#include "paramlayout.h"

class CEditSpin;

class CFormulaParamEditor : public QWidget {
    Q_OBJECT
public:
    explicit CFormulaParamEditor(QWidget* parent = nullptr);

    void SetFont(const QFont& font);
    QFont GetFont() const { return font_; }
    // Shows a template (or none): sets the boxes of its ranges, hides all and
    // repaints; painting shows a box at each slot.
    void ShowTemplate(const std::optional<ConditionTemplate>& t);
    bool HasTemplate() const { return shown_.has_value(); }
    // The values of the template's slots, each as "%.4f" normalised.
    QStringList ReadValues() const;

    CEditSpin* child(int i) const { return children_[static_cast<size_t>(i)]; }
    // The placement painting uses, for the current template and width.
    quorvex::ParamLayout Layout() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int slotCount() const;

    std::array<CEditSpin*, quorvex::kParamSlots> children_{};
    std::optional<ConditionTemplate> shown_;
    QFont font_;
};

#endif
