#pragma once
// The panel "Opțiuni suplimentare": the first group ("Editare": lens correction, noise reduction,
// straightening and the crop) and the smart-retouch group with the beta functions. A thin widget over
// ExtraOptionsModel: every control writes its key at once and follows writes made anywhere else.
#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/options/extra_options_model.h"

class QLineEdit;
class QMenu;
class QGridLayout;
class QLabel;

namespace orvane::kit {
class HelpDot;
class KitButton;
class SheetHost;
class KitLabel;
class Reveal;
class SliderRow;
class SymbolView;
class ToolGroup;
}  // namespace orvane::kit

namespace orvane::options {

// "2 din 3 active" and the button that selects or deselects the whole group.
class GroupStatusView final : public QWidget {
    Q_OBJECT
public:
    explicit GroupStatusView(QWidget* parent = nullptr);
    void setStatus(const GroupStatus& status);
    QString text() const;
    QAbstractButton* button() const { return button_; }

private:
    kit::KitLabel* text_;
    QAbstractButton* button_;
};

// One on/off option on its capsule: symbol, title, "Beta" badge, help dot and the state mark; a tap
// anywhere on the capsule (but the help dot) flips it.
class OptionRowView final : public QAbstractButton {
    Q_OBJECT
public:
    OptionRowView(const OptionRow& row, QWidget* parent = nullptr);
    void setOn(bool on);
    bool isOn() const { return on_; }
    kit::HelpDot* helpDot() const { return help_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool on_ = false;
    kit::SymbolView* onMark_;
    kit::SymbolView* offMark_;
    kit::HelpDot* help_;
};

// A small on/off switch tinted with the accent colour (the beta gate).
class OptionSwitch final : public QAbstractButton {
    Q_OBJECT
public:
    explicit OptionSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {38, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The crop section: mode menu, the ratio chips (mode "ratio") and the two side fields (mode "custom").
class CropSectionView final : public QWidget {
    Q_OBJECT
public:
    explicit CropSectionView(ExtraOptionsModel& model, QWidget* parent = nullptr);
    void refresh();
    QAbstractButton* modeButton() const { return modeButton_; }
    // The menu of the five modes, as the mode button opens it (the current one checked).
    std::unique_ptr<QMenu> makeModeMenu();
    std::vector<QAbstractButton*> chips() const { return chips_; }
    QWidget* chipArea() const { return chipArea_; }
    QWidget* customArea() const { return customArea_; }
    QLineEdit* sideField(bool width) const { return width ? widthField_ : heightField_; }
    kit::HelpDot* helpDot() const { return help_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void commitSide(bool width);

    ExtraOptionsModel& model_;
    QAbstractButton* modeButton_;
    kit::HelpDot* help_ = nullptr;
    QWidget* chipArea_;
    std::vector<QAbstractButton*> chips_;
    QWidget* customArea_;
    QLineEdit* widthField_;
    QLineEdit* heightField_;
};

class ExtraOptionsPanel final : public QWidget {
    Q_OBJECT
public:
    ExtraOptionsPanel(OptionsBinding& binding, bool disabled, bool mergeFirstGroup, bool framed,
                      QWidget* parent = nullptr);
    ~ExtraOptionsPanel() override;

    ExtraOptionsModel& model() { return model_; }
    // Half opacity and no input at all while disabled; the keys keep their values.
    void setDisabled(bool disabled);

    // The row of an option key, whether shown or not (nullptr for an unknown key).
    OptionRowView* row(const std::string& key) const;
    // The row's slider rows, in order (empty for a row without any).
    std::vector<kit::SliderRow*> sliders(const std::string& key) const;
    GroupStatusView* firstGroupStatus() const { return firstStatus_; }
    GroupStatusView* retouchStatus() const { return retouchStatus_; }
    kit::ToolGroup* retouchGroup() const { return retouch_; }
    QAbstractButton* betaSwitch() const { return betaSwitch_; }
    CropSectionView* crop() const { return crop_; }
    QWidget* editingHeader() const { return editingHeader_; }
    QWidget* note() const { return note_; }
    QAbstractButton* guideButton() const { return guideButton_; }
    // The usage guide while the panel shows it, else nullptr.
    QWidget* guide() const { return guide_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* optionBlock(const OptionRow& row);
    void refresh();
    void syncGuide();

    ExtraOptionsModel model_;
    std::map<std::string, OptionRowView*> rows_;
    std::map<std::string, QWidget*> blocks_;     // a row with its content
    std::map<std::string, kit::Reveal*> reveals_;  // what a row shows while on
    std::map<std::string, std::vector<kit::SliderRow*>> sliders_;
    GroupStatusView* firstStatus_ = nullptr;
    GroupStatusView* retouchStatus_ = nullptr;
    QWidget* editingHeader_ = nullptr;
    QWidget* note_ = nullptr;
    kit::ToolGroup* retouch_ = nullptr;
    QAbstractButton* betaSwitch_ = nullptr;
    CropSectionView* crop_ = nullptr;
    QAbstractButton* guideButton_ = nullptr;
    QPointer<kit::SheetHost> guideHost_;
    QPointer<QWidget> guide_;
};

}  // namespace orvane::options
