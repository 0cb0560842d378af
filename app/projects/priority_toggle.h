#pragma once
// The switch that asks for the machine's full power while editing: bound to one stored Boolean, with
// a bolt (accent while on, grey while off), the label and a help dot. It writes the store at once and
// follows the store, so two toggles bound to the same key always agree.
#include <QAbstractButton>
#include <QWidget>

#include <memory>
#include <string>

#include "core/base/defaults.h"

namespace orvane::kit {
class HelpDot;
class SymbolView;
}  // namespace orvane::kit

namespace orvane::projects {

inline constexpr const char* prioritizeEditingKey = "prioritizeEditing";

// The small accent switch itself: 32 × 18, a knob that slides to the trailing side when on.
class SmallSwitch final : public QAbstractButton {
    Q_OBJECT
public:
    explicit SmallSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {32, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

class PriorityToggle final : public QWidget {
    Q_OBJECT
public:
    // `key` is read as a Boolean (`fallback` when absent or of another type).
    PriorityToggle(std::shared_ptr<Defaults> defaults, std::string key, bool fallback, const QString& label,
                   const QString& help, QWidget* parent = nullptr);
    ~PriorityToggle() override;

    bool isOn() const;
    SmallSwitch* switchButton() const { return switch_; }
    kit::SymbolView* bolt() const { return bolt_; }
    kit::HelpDot* helpDot() const { return help_; }

private:
    void sync();

    std::shared_ptr<Defaults> defaults_;
    std::string key_;
    bool fallback_;
    Defaults::ObserverId observer_ = 0;
    SmallSwitch* switch_;
    kit::SymbolView* bolt_;
    kit::HelpDot* help_;
};

}  // namespace orvane::projects
