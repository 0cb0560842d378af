#pragma once
// One profile's row in the profiles list, and the list's empty state. The row shows the profile's
// colour tile, name, preset and summary, the default marker, the build pill and, outside selection
// mode, its train and delete buttons; a click opens the profile (or toggles it in selection mode) and
// its context menu opens or renames it. The state comes from cardState() on every build of the row.
#include <QAbstractButton>
#include <QWidget>

#include "app/profiles/profile_card_model.h"

class QMenu;

namespace orvane::kit {
class KitButton;
class StatusPill;
}  // namespace orvane::kit

namespace orvane::profiles {

class ProfilesListModel;

class ProfileCard final : public QWidget {
    Q_OBJECT
public:
    ProfileCard(ProfilesListModel& list, Profile profile, int index, QWidget* parent = nullptr);

    const Profile& profile() const { return profile_; }
    const ProfileCardState& state() const { return state_; }

    // A click on the card outside its buttons.
    void tap();
    // The context menu: "Deschide" and "Redenumește…" (made afresh; the caller owns it).
    QMenu* makeContextMenu();

    // The parts tests look at (null when the state hides them).
    QWidget* selectionMark() const { return mark_; }
    QAbstractButton* defaultButton() const { return default_; }
    kit::StatusPill* pill() const { return pill_; }
    kit::KitButton* trainButton() const { return train_; }
    kit::KitButton* deleteButton() const { return delete_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ProfilesListModel& list_;
    Profile profile_;
    int index_;
    ProfileCardState state_;
    QWidget* mark_ = nullptr;
    QAbstractButton* default_ = nullptr;
    kit::StatusPill* pill_ = nullptr;
    kit::KitButton* train_ = nullptr;
    kit::KitButton* delete_ = nullptr;
};

// What stands in place of the rows while there is no profile: one plain button whose click always
// asks for the new-profile sheet; `anyCatalog` changes only its icon and its call to action.
class ProfilesEmptyState final : public QAbstractButton {
    Q_OBJECT
public:
    explicit ProfilesEmptyState(bool anyCatalog, QWidget* parent = nullptr);
    QString symbol() const { return symbol_; }
    QString callToAction() const { return callToAction_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override {}

private:
    QString symbol_;
    QString callToAction_;
};

}  // namespace orvane::profiles
