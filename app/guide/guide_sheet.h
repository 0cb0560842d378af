#pragma once
// The usage guide: a fixed-size sheet with the seven steps of one event ("Pas cu pas") and a reference
// of the options and advice in sections that open and close ("Opțiuni și sfaturi"). The steps keep
// their place while the reference shows; the reference starts closed on every visit.
#include <QAbstractButton>
#include <QWidget>

#include <functional>

#include "app/guide/guide_workflow_model.h"
#include "app/kit/sheet_background.h"

class QStackedWidget;
class QVBoxLayout;

namespace orvane::kit {
class KitButton;
class KitLabel;
class PillPicker;
class SheetCloseButton;
}  // namespace orvane::kit

namespace orvane::guide {

// One step of the list: its number in a circle, its title and, on the first and last steps, a tag.
class GuideStepRow final : public QAbstractButton {
    Q_OBJECT
public:
    GuideStepRow(int index, QWidget* parent = nullptr);
    void setStep(const GuideStep& step, bool selected);
    bool isSelected() const { return selected_; }
    int index() const { return index_; }
    // "La prima utilizare", "Opțional, după livrare" or "".
    QString tag() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int index_;
    bool selected_ = false;
    kit::KitLabel* title_;
    kit::KitLabel* tag_ = nullptr;
    QWidget* number_;
};

// The step-by-step half: the source switch, the list, the step's detail and the footer.
class GuideWorkflowView final : public QWidget {
    Q_OBJECT
public:
    explicit GuideWorkflowView(NavigationHandler onNavigate, QWidget* parent = nullptr);

    GuideWorkflowModel& model() { return model_; }
    kit::PillPicker* sourcePicker() const { return source_; }
    const QList<GuideStepRow*>& rows() const { return rows_; }
    kit::KitButton* backButton() const { return back_; }
    kit::KitButton* nextButton() const { return next_; }
    kit::KitLabel* positionLabel() const { return position_; }
    // The detail's parts as shown now; the action button is null without a handler.
    kit::KitLabel* titleLabel() const { return title_; }
    kit::KitLabel* summaryLabel() const { return summary_; }
    QList<kit::KitLabel*> instructionLabels() const { return instructions_; }
    kit::KitLabel* outcomeLabel() const { return outcome_; }
    kit::KitButton* actionButton() const { return action_; }

private:
    void refresh();
    void rebuildDetail();

    GuideWorkflowModel model_;
    kit::PillPicker* source_;
    QList<GuideStepRow*> rows_;
    QWidget* detailHolder_;
    QVBoxLayout* detailLayout_;
    QWidget* detail_ = nullptr;
    kit::KitLabel* title_ = nullptr;
    kit::KitLabel* summary_ = nullptr;
    QList<kit::KitLabel*> instructions_;
    kit::KitLabel* outcome_ = nullptr;
    kit::KitButton* action_ = nullptr;
    kit::KitButton* back_;
    kit::KitButton* next_;
    kit::KitLabel* position_;
};

// A section of the reference: a header that opens and closes it, and its items.
class GuideAdviceSection final : public QWidget {
    Q_OBJECT
public:
    explicit GuideAdviceSection(const GuideSection& section, QWidget* parent = nullptr);
    bool isExpanded() const { return expanded_; }
    void toggle();
    QAbstractButton* header() const { return header_; }
    QWidget* body() const { return body_; }
    // "Extins" or "Restrâns".
    QString accessibilityValue() const;

private:
    bool expanded_ = false;
    QAbstractButton* header_;
    QWidget* body_;
};

class GuideSheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 860;
    static constexpr int sheetHeight = 700;

    // With a handler, a step's action button calls it with the step's destination and then `dismiss`;
    // without one, no step offers an action.
    GuideSheet(NavigationHandler onNavigate, std::function<void()> dismiss, QWidget* parent = nullptr);

    bool showsReference() const { return showReference_; }
    void setShowReference(bool show);
    kit::PillPicker* sectionPicker() const { return sections_; }
    GuideWorkflowView* workflow() const { return workflow_; }
    // The reference's sections while it shows; empty otherwise.
    QList<GuideAdviceSection*> adviceSections() const;
    kit::SheetCloseButton* closeButton() const { return close_; }
    QSize sizeHint() const override { return {sheetWidth, sheetHeight}; }

private:
    std::function<void()> dismiss_;
    bool showReference_ = false;
    kit::PillPicker* sections_;
    QStackedWidget* content_;
    GuideWorkflowView* workflow_;
    QWidget* reference_ = nullptr;
    kit::SheetCloseButton* close_;
};

}  // namespace orvane::guide
