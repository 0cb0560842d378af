#pragma once
// The settings page: the header "Setări" with the version and the way back home, over one scrolling
// column of cards under group headings: appearance and language, editing, Lightroom and catalog, data
// and disk space, the application (notifications and updates) and about. A thin view over
// SettingsModel: every control writes through it and every card redraws from it.
#include <QAbstractButton>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "app/kit/buttons.h"
#include "app/model/router.h"
#include "app/settings/settings_model.h"

class QComboBox;
class QLineEdit;
class QScrollArea;
class QTimer;
class QVBoxLayout;

namespace orvane::kit {
class Card;
class KitLabel;
class ModernSlider;
class PageHeader;
class PillPicker;
}  // namespace orvane::kit

namespace orvane::projects {
class SmallSwitch;
}

namespace orvane::settings {

// One palette entry: its light accent in a 34-point circle, ringed while selected, and its name.
class AccentSwatch final : public QAbstractButton {
    Q_OBJECT
public:
    AccentSwatch(int index, QWidget* parent = nullptr);
    int index() const { return index_; }
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int index_;
    bool selected_ = false;
};

// A switch with its label; the label is a localisation key.
class SwitchRow final : public QWidget {
    Q_OBJECT
public:
    SwitchRow(const QString& label, QWidget* parent = nullptr);
    projects::SmallSwitch* switchButton() const { return switch_; }
    kit::KitLabel* label() const { return label_; }
    void setOn(bool on);
    bool isOn() const;

signals:
    void toggledByUser(bool on);

private:
    projects::SmallSwitch* switch_;
    kit::KitLabel* label_;
};

// A title with the percentage of its setting and a slider over 0…1 under it.
class PercentSliderRow final : public QWidget {
    Q_OBJECT
public:
    PercentSliderRow(const QString& title, QWidget* parent = nullptr);
    void setValue(double value);
    kit::ModernSlider* slider() const { return slider_; }
    kit::KitLabel* percentLabel() const { return percent_; }

signals:
    void valueEdited(double value);

private:
    kit::ModernSlider* slider_;
    kit::KitLabel* percent_;
};

class SettingsPage final : public QWidget {
    Q_OBJECT
public:
    SettingsPage(model::AppModel& app, model::Router& router, model::Updater* updater, SettingsServices services,
                 QWidget* parent = nullptr);
    // With the real services.
    SettingsPage(model::AppModel& app, model::Router& router, model::Updater* updater, QWidget* parent = nullptr);
    ~SettingsPage() override;

    SettingsModel& model() const { return *model_; }
    kit::PageHeader* header() const { return header_; }
    QScrollArea* scrollArea() const { return scroll_; }
    QWidget* column() const { return column_; }
    // The column's items as shown, top to bottom: card titles, group headings as "# " + heading.
    QStringList visibleItems() const;
    // An item by its title (a card or a panel) or "# " + heading.
    QWidget* item(const QString& title) const { return items_.value(title); }

    // Controls the tests and the screenshots reach.
    kit::PillPicker* appearancePicker() const { return appearance_; }
    kit::PillPicker* stylePicker() const { return style_; }
    kit::PillPicker* languagePicker() const { return language_; }
    PercentSliderRow* backdropRow() const { return backdrop_; }
    PercentSliderRow* transparencyRow() const { return transparency_; }
    kit::KitLabel* backdropNote() const { return backdropNote_; }
    const std::vector<AccentSwatch*>& swatches() const { return swatches_; }
    QWidget* restartRow() const { return restartRow_; }
    QAbstractButton* restartButton() const { return restart_; }
    QComboBox* workersPicker() const { return workers_; }
    kit::KitLabel* stepperLabel() const { return keepLabel_; }
    QAbstractButton* stepperDown() const { return keepDown_; }
    QAbstractButton* stepperUp() const { return keepUp_; }
    QLineEdit* limitField() const { return limit_; }
    kit::KitLabel* backupNoteLabel() const { return backupNote_; }
    kit::KitLabel* backupSizeLabel() const { return backupSize_; }
    QAbstractButton* deleteBackupsButton() const { return deleteBackups_; }
    kit::KitLabel* lightroomPathLabel() const { return lightroomPath_; }
    QAbstractButton* lightroomAutoButton() const { return lightroomAuto_; }
    QAbstractButton* lightroomChangeButton() const { return lightroomChange_; }
    QWidget* notificationWarning() const { return notifWarning_; }
    kit::KitLabel* notificationWarningText() const { return notifText_; }
    QAbstractButton* notificationWarningButton() const { return notifButton_; }
    QWidget* diskRows() const { return diskRows_; }
    QWidget* updateBusyIndicator() const { return updateBusy_; }
    kit::KitLabel* updateStatusLabel() const { return updateStatus_; }
    kit::KitLabel* bannerText() const { return bannerText_; }
    kit::KitButton* bannerDownloadButton() const { return bannerDownload_; }
    QAbstractButton* button(const QString& text) const;
    SwitchRow* switchRow(const QString& label) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void build();
    void sync();
    void syncUpdater();
    void syncSizes();
    kit::Card* card(const QString& title, const QString& symbol);
    void heading(const QString& text);
    SwitchRow* switchFor(kit::Card* card, const QString& label, const char* key, bool absent);
    kit::KitButton* outlineButton(const QString& text, bool small);
    kit::KitButton* accentButton(const QString& text, bool small);
    void buildAppearance();
    void buildEditing();
    void buildPerformance(kit::Card* card);
    void buildLightroom();
    void buildData();
    void buildApplication();
    void buildAbout();

    std::unique_ptr<SettingsModel> model_;
    kit::PageHeader* header_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* column_ = nullptr;
    QVBoxLayout* items_layout_ = nullptr;
    QMap<QString, QWidget*> items_;
    QStringList order_;
    std::vector<std::function<void()>> syncs_;
    QTimer* poll_ = nullptr;

    kit::PillPicker* appearance_ = nullptr;
    kit::PillPicker* style_ = nullptr;
    kit::PillPicker* language_ = nullptr;
    PercentSliderRow* backdrop_ = nullptr;
    PercentSliderRow* transparency_ = nullptr;
    kit::KitLabel* backdropNote_ = nullptr;
    std::vector<AccentSwatch*> swatches_;
    QWidget* restartRow_ = nullptr;
    QAbstractButton* restart_ = nullptr;
    QComboBox* workers_ = nullptr;
    kit::KitLabel* keepLabel_ = nullptr;
    QAbstractButton* keepDown_ = nullptr;
    QAbstractButton* keepUp_ = nullptr;
    QLineEdit* limit_ = nullptr;
    kit::KitLabel* backupNote_ = nullptr;
    kit::KitLabel* backupSize_ = nullptr;
    QAbstractButton* deleteBackups_ = nullptr;
    kit::KitLabel* lightroomPath_ = nullptr;
    QAbstractButton* lightroomAuto_ = nullptr;
    QAbstractButton* lightroomChange_ = nullptr;
    QWidget* notifWarning_ = nullptr;
    kit::KitLabel* notifText_ = nullptr;
    kit::KitButton* notifButton_ = nullptr;
    QWidget* diskRows_ = nullptr;
    // The updates banner and card.
    kit::KitLabel* bannerText_ = nullptr;
    kit::KitLabel* bannerStatus_ = nullptr;
    kit::KitButton* bannerDownload_ = nullptr;
    kit::KitLabel* updateStatus_ = nullptr;
    QWidget* updateBusy_ = nullptr;
    QAbstractButton* install_ = nullptr;
    QWidget* installRow_ = nullptr;
    QAbstractButton* checkNow_ = nullptr;
    QAbstractButton* chooseFile_ = nullptr;
};

}  // namespace orvane::settings
