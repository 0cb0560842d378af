#pragma once
// The containers that give long settings and editing panels their structure:
//   ToolGroup    a collapsible group: a capsule header (symbol, title, chevron) and its tools below it;
//   FormSection  a small upper-case heading with an optional trailing view, over rows on airy glass;
//   FormRow      a label with an optional help dot and detail on the left, the control on the right, and
//                an optional divider under it.
#include <QAbstractButton>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

#include <optional>

#include "app/kit/motion.h"

namespace orvane::kit {

class GlassFrame;
class HelpDot;
class KitLabel;
class SymbolView;

// The capsule fill's opacity of a ToolGroup header: 0.10 open, 0.08 closed under the pointer, else 0.05.
double toolGroupFillOpacity(bool open, bool hovering);

class ToolGroup : public QWidget {
    Q_OBJECT
public:
    // `title` is a localisation key; `open` is the state the group starts in. Only the header changes it
    // afterwards.
    ToolGroup(const QString& title, std::optional<QString> symbol, bool open, QWidget* parent = nullptr);
    // Adds a tool below the ones added before (20 apart).
    void addTool(QWidget* tool);
    // A view at the header's trailing end, before the chevron (a group's status, say). Its own clicks
    // stay its own; the rest of the header opens and closes the group.
    void setTrailing(QWidget* view);
    bool isOpen() const { return open_; }
    // Opens or closes the group as a tap on the header would (a panel that opens it as it appears).
    void setOpen(bool open);
    QAbstractButton* header() const { return header_; }
    QWidget* body() const { return body_; }
    KitLabel* titleLabel() const;
    // The chevron's turn: 0 pointing right (closed) … 1 pointing down (open); it follows the spring.
    double chevronTurn() const { return turn_.value(); }

signals:
    void toggled(bool open);

private:
    bool open_;
    QAbstractButton* header_;
    QWidget* body_;
    QVBoxLayout* tools_;
    SpringValue turn_;
};

class FormSection : public QWidget {
    Q_OBJECT
public:
    // `title` is a localisation key, shown in capitals (the stored text is kept as it is).
    explicit FormSection(const QString& title, QWidget* trailing = nullptr, QWidget* parent = nullptr);
    // Adds a row to the panel, under the rows added before.
    void addRow(QWidget* row);
    KitLabel* titleLabel() const { return title_; }
    GlassFrame* panel() const { return panel_; }

private:
    KitLabel* title_;
    GlassFrame* panel_;
    QVBoxLayout* rows_;
};

class FormRow : public QWidget {
    Q_OBJECT
public:
    // `label` and `help` are localisation keys; `detail` shows as it stands, on at most 4 lines.
    FormRow(const QString& label, std::optional<QString> detail, std::optional<QString> help, bool divider,
            QWidget* control, QWidget* parent = nullptr);
    KitLabel* label() const { return label_; }
    KitLabel* detail() const { return detail_; }
    HelpDot* helpDot() const { return help_; }
    QWidget* control() const { return control_; }
    bool hasDivider() const { return divider_; }
    // The divider's line in the row's coordinates (empty without one): from 16 to the right edge.
    QRectF dividerRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    KitLabel* label_;
    KitLabel* detail_ = nullptr;
    HelpDot* help_ = nullptr;
    QWidget* control_;
    bool divider_;
};

}  // namespace orvane::kit
