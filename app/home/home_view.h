#pragma once
// The home page: greeting, the time saved (or a headline), the start button and, by what exists yet,
// the workflow's steps, the recent projects or a note that there are none; drawn light on dark over
// the home photograph whatever the appearance.
#include <QAbstractButton>
#include <QImage>
#include <QWidget>

#include "app/home/home_model.h"

class QHBoxLayout;
class QScrollArea;
class QVBoxLayout;

namespace orvane::kit {
class KitButton;
class KitLabel;
}  // namespace orvane::kit

namespace orvane::home {

// The home photograph, read once per process from the resource ":/home/home-hero.jpg"; null when it is
// missing or unreadable.
const QImage& heroImage();

// One recent project: its name, a detail line and an arrow that shows under the pointer.
class RecentItem final : public QAbstractButton {
    Q_OBJECT
public:
    RecentItem(const QString& name, const QString& detail, QWidget* parent = nullptr);
    QString name() const { return name_; }
    QString detail() const { return detail_; }
    bool isHovering() const { return hovering_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString name_;
    QString detail_;
    bool hovering_ = false;
};

class HomeView final : public QWidget {
    Q_OBJECT
public:
    HomeView(model::AppModel& model, model::Router& router, QWidget* parent = nullptr);

    HomeModel& model() { return home_; }
    kit::KitButton* startButton() const { return start_; }
    // The rows as shown now (null when absent).
    kit::KitLabel* greetingLabel() const { return greeting_; }
    kit::KitLabel* headlineLabel() const { return headline_; }
    QWidget* figure() const { return figure_; }
    kit::KitLabel* captionLabel() const { return caption_; }
    QWidget* stepsRow() const { return steps_; }
    kit::KitLabel* noProjectsLabel() const { return noProjects_; }
    const QList<RecentItem*>& recentItems() const { return recent_; }
    QAbstractButton* showAllButton() const { return showAll_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuild();
    void fitColumn();

    HomeModel home_;
    QScrollArea* scroll_;
    QHBoxLayout* centring_;
    QWidget* column_ = nullptr;
    kit::KitButton* start_ = nullptr;
    kit::KitLabel* greeting_ = nullptr;
    kit::KitLabel* headline_ = nullptr;
    QWidget* figure_ = nullptr;
    kit::KitLabel* caption_ = nullptr;
    QWidget* steps_ = nullptr;
    kit::KitLabel* noProjects_ = nullptr;
    QList<RecentItem*> recent_;
    QAbstractButton* showAll_ = nullptr;
};

}  // namespace orvane::home
